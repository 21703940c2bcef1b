// The download exchange: the version comparison, the partial file that becomes the destination
// once it is the whole file the catalog described, and the version file that records it.
#include <string>

#include "DownloadProgram.h"
#include "DownloadProgramRules.h"
#include "ExceptionLite.h"
#include "Handles.h"
#include "PlatformHttp.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// Where a file is written until it is complete: beside it, so that moving it into place is one
// step of the file system.
std::u16string PartialFileName(const std::u16string& name) { return name + u".part"; }

// A partial file is marked for deletion as soon as it exists and kept only once it is complete:
// it disappears with its handle otherwise, also when the process ends in the middle of a read
// (the closing window does not wait long for a read that the platform holds).
void DeleteOnClose(HANDLE file, bool deleteOnClose) {
  FILE_DISPOSITION_INFO disposition{deleteOnClose};
  SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

void TDownloadProgram::CompareAndDownload() {
  SetStatusText(u"Comparing " + fProduct + u"versions...");
  SetStatusText(u"Contacting download center...");
  // Read before the request, so that an unchanged file's request ends as soon as its headers are
  // in (see IsNewVersion).
  const std::u16string stored = ReadVersionFile();
  TTransfer transfer;
  if (!RequestFile(transfer) || Abort()) return;
  if (IsNewVersion(stored)) DownloadFile(transfer);
}

bool TDownloadProgram::IsNewVersion(const std::u16string& stored) {
  const bool result = stored.empty() || fLastModified != stored;
  // The body of an unchanged file is not wanted, and until its request is closed the platform may
  // go on receiving it: WinInet under Wine reads off, at the close, whatever keeps arriving, so a
  // close a few milliseconds later can cost the time of the whole file.
  if (!result) CloseHandles();
  RunLog(
      u"version file " + fVersionFileName +
      (stored.empty() ? u" holds nothing" : u" holds \"" + stored + u"\"") +
      u", the server's Last-Modified is \"" + fLastModified + u"\": " +
      (result ? u"downloading " + fDestFileName : u"unchanged, download of " + fDestFileName + u" skipped"));
  if (OnFileChange) OnFileChange(this);
  return result;
}

std::u16string TDownloadProgram::ReadVersionFile() const {
  TFileHandle file(CreateFileW(as_wcstr(fVersionFileName), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char piece[4096];
  DWORD read = 0;
  while (ReadFile(file.Get(), piece, sizeof piece, &read, nullptr) && read > 0) bytes.append(piece, read);
  return DecodeVersionText(bytes);
}

void TDownloadProgram::WriteVersionFile() {
  if (fVersionFileName.empty()) return;
  const std::string bytes = EncodeVersionText(fLastModified);
  const std::u16string partial = PartialFileName(fVersionFileName);
  bool written = false;
  {
    TFileHandle file(CreateFileW(as_wcstr(partial), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD stored = 0;
    written = file && (bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                                   &stored, nullptr) &&
                                         stored == bytes.size()));
  }
  if (!written) DeleteFileW(as_wcstr(partial));
  if (!written || !Replace(partial, fVersionFileName)) throw ExceptionLite(u"Unable to write version file.");
  RunLog(u"wrote " + fVersionFileName);
}

void TDownloadProgram::DownloadFile(TTransfer& transfer) {
  SetStatusText(u"Downloading " + fProduct + u"...");
  const std::u16string partial = PartialFileName(fDestFileName);
  transfer.Partial.Reset(CreateFileW(as_wcstr(partial), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!transfer.Partial) throw ExceptionLite(u"Unable to create file " + fDestFileName);
  DeleteOnClose(transfer.Partial.Get(), true);
  if (IsSha256Text(fCatalogFile.Hash)) transfer.Hash = std::make_unique<TBackgroundSha256>();
  const auto discard = [&] {
    transfer.Partial.Reset();
    DeleteFileW(as_wcstr(partial));
  };

  bool stop = false;
  try {
    ReceiveFile(transfer, stop);
    // The request is told before what became of its body.
    EndExchangeLog();
    if (!stop && !Abort()) CheckAgainstCatalog(transfer);
  } catch (...) {
    // Whatever arrived is not the file: the previous file and version stay as they were. An error
    // from a progress handler counts as well.
    discard();
    throw;
  }
  if (stop || Abort()) return discard();
  DeleteOnClose(transfer.Partial.Get(), false);
  transfer.Partial.Reset();
  if (!Replace(partial, fDestFileName)) throw ExceptionLite(u"Unable to create file " + fDestFileName);
  RunLog(u"wrote " + fDestFileName + u" (" + DecimalText(transfer.Received) + u" bytes)");
  WriteVersionFile();
}

void TDownloadProgram::CheckAgainstCatalog(TTransfer& transfer) {
  const TSha256Digest digest = transfer.Hash ? transfer.Hash->Finish() : TSha256Digest{};
  const std::u16string mismatch = CatalogMismatch(fCatalogFile, transfer.Received, digest);
  if (mismatch.empty()) return;
  RunLog(u"the download of " + fDestFileName + u" is not the file the catalog describes: " + mismatch);
  throw ExceptionLite(
      u"The downloaded file is not the file that the download center describes.\nPlease try again later.");
}

bool TDownloadProgram::Replace(const std::u16string& partial, const std::u16string& destination) {
  if (MoveFileExW(as_wcstr(partial), as_wcstr(destination),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(as_wcstr(partial));
  return false;
}

}  // namespace skylaunch
