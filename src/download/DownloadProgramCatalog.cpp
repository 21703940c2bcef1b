// The catalog exchange: the request with the bearer token, the manifest in the answer and the
// download address of the component.
#include <array>
#include <memory>
#include <string>

#include "DownloadProgram.h"
#include "DownloadProgramRules.h"
#include "ExceptionLite.h"
#include "NoUserOAuthORBNet.h"
#include "NoUserOAuthWipe.h"
#include "PlatformHttp.h"
#include "ZaltoManifestBinding.h"

namespace skylaunch {
namespace {

using TSingleByteTable = std::array<char16_t, 256>;

// Each byte value converted on its own through the system's 8-bit code page; bytes below 128 stay
// as they are. A byte the code page cannot convert alone (a lead byte) becomes U+FFFD.
TSingleByteTable SystemSingleByteTable() {
  TSingleByteTable table{};
  for (unsigned value = 0; value < table.size(); ++value) {
    if (value < 128) {
      table[value] = static_cast<char16_t>(value);
      continue;
    }
    const char byte = static_cast<char>(value);
    wchar_t converted = L'\0';
    table[value] = MultiByteToWideChar(CP_ACP, 0, &byte, 1, &converted, 1) == 1 ? converted : u'\uFFFD';
  }
  return table;
}

}  // namespace

void TDownloadProgram::QueryReleaseCatalog() {
  std::u16string header;
  TWipeOnExit wipeHeader(header);
  {
    // A stop ends the token requests too: nothing more goes to the OAuth service.
    const auto client = Create<TNoUserContextOAuth>(true, ProgramOAuthSurroundings(&fAbort));
    std::u16string token = client->CreateBearerToken(u"Tarvosa");
    TWipeOnExit wipeToken(token);
    header = u"Authorization: " + token;
  }
  SendRequestWithHeaders(header);
  // An abort after the send ends the exchange here, so an aborted run never reports the answer
  // of a request it no longer waits for.
  if (Abort()) return;
  ReadCatalogResponse();
}

void TDownloadProgram::ReadCatalogResponse() {
  SetStatusText(u"Searching for download site...");
  std::u16string body;
  fTotalBytesDownloaded = 0;
  const TSingleByteTable table = SystemSingleByteTable();
  char buffer[kReadPieceSize];
  bool readOK = false;
  do {
    DWORD count = 0;
    readOK = WinInet().InternetReadFile(Current(fRequestHandle), buffer, kReadPieceSize, &count);
    if (count == 0) break;
    fExchangeLog.AddBytes(count);
    fTotalBytesDownloaded += static_cast<int32_t>(count);
    for (DWORD i = 0; i < count; ++i) body.push_back(table[static_cast<unsigned char>(buffer[i])]);
  } while (readOK);
  if (!readOK) RaiseLastInternetError();

  body = TrimBlanksAndControls(body);
  std::u16string address;
  bool found = false;
  if (!body.empty()) {
    try {
      // Owned here, so it is released once the lookup is over, found or not.
      const std::unique_ptr<TZaltoManifest> manifest = TZaltoManifest::CreateObjectFromString(body);
      if (const TFileItem* item = manifest->GetFileItemByComponentName(fComponent)) {
        address = item->Urn();
        fCatalogFile = {item->Size(), item->Hash()};
        found = true;
      }
    } catch (const std::exception&) {
      found = false;  // an answer that is no manifest lists nothing
    }
  }
  if (!found) {
    throw ExceptionLite(
        u"Unable to connect.  Please check your Internet connection.\n\nIf your connection is good and you "
        u"still "
        u"get this error, our \nserver may be unavailable at this time.  Please try again later.");
  }
  fDownloadURL = address;
  LogCatalogFile();
}

void TDownloadProgram::LogCatalogFile() const {
  const std::u16string size = fCatalogFile.Size > 0 ? u"Size " + DecimalText(fCatalogFile.Size)
                                                    : std::u16string(u"no Size, not checked");
  const std::u16string hash = IsSha256Text(fCatalogFile.Hash) ? std::u16string(u"a SHA-256 Hash")
                              : fCatalogFile.Hash.empty()     ? std::u16string(u"no Hash, not checked")
                                                              : u"a Hash that is no SHA-256 (\"" +
                                                                    fCatalogFile.Hash + u"\"), not checked";
  RunLog(u"the catalog describes " + fComponent + u": " + size + u", " + hash);
}

}  // namespace skylaunch
