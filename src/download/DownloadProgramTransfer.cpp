// The transfer of the file: its request, sent again after a failure on the way (asking only for
// the rest where the server allows it), and its body streamed into the partial file and its hash.
#include <iterator>

#include "DownloadProgram.h"
#include "ExceptionLite.h"
#include "PlatformHttp.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// The waits before the second, third and fourth attempt, in milliseconds.
constexpr DWORD kRetryDelays[] = {1000, 2000, 4000};
constexpr int kAttempts = 1 + static_cast<int>(std::size(kRetryDelays));

// Failures of the network on the way, which a later attempt may not meet. Anything else (an
// untrusted certificate, say) would fail the same way again.
bool IsTransferFailure(DWORD code) {
  switch (code) {
    case ERROR_INTERNET_TIMEOUT:
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
    case ERROR_INTERNET_DISCONNECTED:
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool TDownloadProgram::RequestFile(TTransfer& transfer) {
  for (;;) {
    if (Abort()) return false;
    const DWORD failure = SendFileRequest(transfer);
    if (failure == 0) return !Abort();
    WaitBeforeRetry(transfer, failure);
  }
}

DWORD TDownloadProgram::SendFileRequest(TTransfer& transfer) {
  if (++transfer.Attempts > 1) {
    // The connection of the failed attempt is not used again.
    CloseHandles();
    if (!OpenConnection() || !OpenRequest()) RaiseLastInternetError();
  }
  const bool rest = transfer.Resumable && transfer.Received > 0;
  if (!Send(rest ? RangeRequestHeaders(transfer.Received, transfer.LastModified) : std::u16string())) {
    const DWORD code = GetLastError();
    // A send that failed without naming a reason is no answer either.
    if (code == 0) return ERROR_INTERNET_CONNECTION_ABORTED;
    if (!IsTransferFailure(code)) RaiseInternetError(code);
    return code;
  }
  if (Abort()) return 0;
  const std::u16string block = ReadStatusAndHeaders();
  if (fErrorCodeStr == u"200") {
    BeginFile(transfer, block);
    return 0;
  }
  // The rest of the same file, from the first byte missing.
  const bool sameFile = fLastModified.empty() || fLastModified == transfer.LastModified;
  if (!rest || fErrorCodeStr != u"206" || ContentRangeStart(block) != transfer.Received || !sameFile) {
    RaiseUnavailable();
  }
  // The progress bar's maximum and the version file's text stay those of the whole file.
  if (fDownloadSize != -1) fDownloadSize = static_cast<int32_t>(transfer.Received + uint32_t(fDownloadSize));
  fLastModified = transfer.LastModified;
  return 0;
}

void TDownloadProgram::BeginFile(TTransfer& transfer, const std::u16string& block) {
  transfer.Resumable = OffersByteRanges(block) && !TrimBlanksAndControls(fLastModified).empty();
  transfer.LastModified = fLastModified;
  if (transfer.Received == 0) return;
  // The server sends the whole file (again, or a newer one): what arrived before is dropped.
  RunLog(u"the server sends " + fDestFileName + u" whole again; the " + DecimalText(transfer.Received) +
         u" bytes received before are dropped");
  transfer.Received = 0;
  fTotalBytesDownloaded = 0;
  if (transfer.Hash) transfer.Hash->Reset();
  if (SetFilePointer(transfer.Partial.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !SetEndOfFile(transfer.Partial.Get())) {
    fAbort = true;
    throw ExceptionLite(u"Unable to write data to file.\nYou must have Administrator rights to install this program.");
  }
}

void TDownloadProgram::ReceiveFile(TTransfer& transfer, bool& stop) {
  for (;;) {
    const DWORD failure = ReceiveBody(transfer, stop);
    if (failure == 0) return;
    WaitBeforeRetry(transfer, failure);
    if (!RequestFile(transfer)) return;
  }
}

DWORD TDownloadProgram::ReceiveBody(TTransfer& transfer, bool& stop) {
  char buffer[kReadPieceSize];
  bool readOK = false;
  DWORD readError = 0;
  do {
    DWORD count = 0;
    readOK = WinInet().InternetReadFile(Current(fRequestHandle), buffer, kReadPieceSize, &count);
    if (!readOK) readError = GetLastError();
    if (count == 0) break;  // a successful read of nothing is the end of the body
    if (Abort()) return 0;
    fExchangeLog.AddBytes(count);
    transfer.Received += count;  // unsigned, so a body beyond 2 GiB wraps instead of overflowing
    fTotalBytesDownloaded = static_cast<int32_t>(transfer.Received);
    if (OnUpdateDownloadStatus)
      OnUpdateDownloadStatus(fTotalBytesDownloaded / static_cast<int32_t>(kReadPieceSize), stop);
    if (stop) return 0;
    DWORD written = 0;
    if (!WriteFile(transfer.Partial.Get(), buffer, count, &written, nullptr) || written < count) {
      fAbort = true;
      throw ExceptionLite(
          u"Unable to write data to file.\nYou must have Administrator rights to install this program.");
    }
    if (transfer.Hash) transfer.Hash->Update(buffer, count);
  } while (readOK);
  if (Abort()) return 0;

  if (!readOK) {
    if (readError != 0 && !IsTransferFailure(readError)) RaiseInternetError(readError);
    return readError != 0 ? readError : ERROR_INTERNET_CONNECTION_ABORTED;
  }
  // The platform reports a connection that ended mid-body as a successful read of nothing: a body
  // that differs from its announced length was cut, and so was one without a length that falls
  // short of the catalog's size.
  const bool shortOfCatalog = fDownloadSize == -1 && fCatalogFile.Size > 0 &&
                              transfer.Received < static_cast<uint32_t>(fCatalogFile.Size);
  if (!BodyIsComplete(fDownloadSize, transfer.Received) || shortOfCatalog) return ERROR_INTERNET_CONNECTION_ABORTED;
  return 0;
}

void TDownloadProgram::WaitBeforeRetry(const TTransfer& transfer, DWORD failure) {
  if (transfer.Attempts >= kAttempts) RaiseInternetError(failure);
  fExchangeLog.Fail(InternetFailureText(failure));
  fExchangeLog.End();
  const DWORD delay = kRetryDelays[transfer.Attempts - 1];
  const bool rest = transfer.Resumable && transfer.Received > 0;
  RunLog(u"the transfer of " + fDestFileName + u" failed; attempt " + DecimalText(transfer.Attempts + 1) +
         u" of " + DecimalText(kAttempts) + u" in " + DecimalText(delay / 1000) + u" s, " +
         (rest ? u"for the rest from byte " + DecimalText(transfer.Received) : std::u16string(u"for the whole file")));
  WaitForSingleObject(fStopEvent.Get(), delay);
}

}  // namespace skylaunch
