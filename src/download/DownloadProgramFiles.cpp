// The download exchange: the version comparison, the body streamed into the destination, and
// the version file that records a complete download.
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
  SendRequest();
  if (!Abort() && IsNewVersion()) DownloadFile();
}

bool TDownloadProgram::IsNewVersion() {
  const std::u16string stored = ReadVersionFile();
  const bool result = stored.empty() || fLastModified != stored;
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

void TDownloadProgram::DownloadFile() {
  SetStatusText(u"Downloading " + fProduct + u"...");
  const std::u16string partial = PartialFileName(fDestFileName);
  bool stop = false;
  bool complete = false;
  try {
    complete = ReceiveBody(partial, stop);
  } catch (...) {
    // Whatever arrived is not a complete download: the previous file and version stay as they
    // were. An error from a progress handler counts as well.
    DeleteFileW(as_wcstr(partial));
    throw;
  }
  // The request is told before what became of its body.
  EndExchangeLog();
  if (!complete || Abort()) {
    DeleteFileW(as_wcstr(partial));
    return;
  }
  if (!Replace(partial, fDestFileName)) throw ExceptionLite(u"Unable to create file " + fDestFileName);
  RunLog(u"wrote " + fDestFileName + u" (" + DecimalText(fTotalBytesDownloaded) + u" bytes)");
  WriteVersionFile();
}

bool TDownloadProgram::Replace(const std::u16string& partial, const std::u16string& destination) {
  if (MoveFileExW(as_wcstr(partial), as_wcstr(destination),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(as_wcstr(partial));
  return false;
}

bool TDownloadProgram::ReceiveBody(const std::u16string& partial, bool& stop) {
  TFileHandle destination(CreateFileW(as_wcstr(partial), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!destination) throw ExceptionLite(u"Unable to create file " + fDestFileName);
  DeleteOnClose(destination.Get(), true);

  fTotalBytesDownloaded = 0;
  uint32_t received = 0;  // unsigned, so a body beyond 2 GiB wraps instead of overflowing
  char buffer[kReadPieceSize];
  bool readOK = false;
  DWORD readError = 0;
  do {
    DWORD count = 0;
    readOK = WinInet().InternetReadFile(Current(fRequestHandle), buffer, kReadPieceSize, &count);
    if (!readOK) readError = GetLastError();
    if (count == 0) break;  // a successful read of nothing is the end of the body
    if (Abort()) break;
    fExchangeLog.AddBytes(count);
    received += count;
    fTotalBytesDownloaded = static_cast<int32_t>(received);
    if (OnUpdateDownloadStatus)
      OnUpdateDownloadStatus(fTotalBytesDownloaded / static_cast<int32_t>(kReadPieceSize), stop);
    if (stop) break;
    DWORD written = 0;
    if (!WriteFile(destination.Get(), buffer, count, &written, nullptr) || written < count) {
      fAbort = true;
      throw ExceptionLite(
          u"Unable to write data to file.\nYou must have Administrator rights to install this program.");
    }
  } while (readOK);

  // The platform reports a connection that ended mid-body as a successful read of nothing, so a
  // body that differs from its announced length is a failed read as well.
  if (readOK && !stop && !Abort() && !BodyIsComplete(fDownloadSize, received)) {
    readOK = false;
    readError = ERROR_INTERNET_CONNECTION_ABORTED;
  }
  // A failed read is never a complete download, even when the platform names no reason.
  if (!readOK) RaiseInternetError(readError != 0 ? readError : ERROR_INTERNET_CONNECTION_ABORTED);
  if (!stop && !Abort()) DeleteOnClose(destination.Get(), false);
  return !stop;
}

}  // namespace skylaunch
