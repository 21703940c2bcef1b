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

void TDownloadProgram::CompareAndDownload() {
  SetStatusText(u"Comparing " + fProduct + u"versions...");
  SendRequest();
  if (!Abort() && IsNewVersion()) DownloadFile();
}

bool TDownloadProgram::IsNewVersion() {
  const std::u16string stored = ReadVersionFile();
  const bool result = stored.empty() || fLastModified != stored;
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
  DWORD stored = 0;
  {
    TFileHandle file(CreateFileW(as_wcstr(fVersionFileName), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && !bytes.empty() &&
        !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &stored, nullptr)) {
      stored = 0;
    }
  }
  if (stored < bytes.size()) throw ExceptionLite(u"Unable to write version file.");
}

void TDownloadProgram::DownloadFile() {
  SetStatusText(u"Downloading " + fProduct + u"...");
  bool stop = false;
  bool complete = false;
  try {
    complete = ReceiveBody(stop);
  } catch (...) {
    // Whatever the destination holds now is not a complete download, and the hand-off would
    // start it with administrator rights; an error from a progress handler counts as well.
    DiscardDownload();
    throw;
  }
  if (complete && !Abort()) {
    WriteVersionFile();
  } else {
    DiscardDownload();
  }
}

bool TDownloadProgram::ReceiveBody(bool& stop) {
  TFileHandle destination(CreateFileW(as_wcstr(fDestFileName), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!destination) throw ExceptionLite(u"Unable to create file " + fDestFileName);

  fTotalBytesDownloaded = 0;
  uint32_t received = 0;  // unsigned, so a body beyond 2 GiB wraps instead of overflowing
  char buffer[kReadPieceSize];
  bool readOK = false;
  DWORD readError = 0;
  do {
    DWORD count = 0;
    readOK = WinInet().InternetReadFile(fRequestHandle.Get(), buffer, kReadPieceSize, &count);
    if (!readOK) readError = GetLastError();
    if (count == 0) break;  // a successful read of nothing is the end of the body
    if (Abort()) break;
    received += count;
    fTotalBytesDownloaded = static_cast<int32_t>(received);
    if (OnUpdateDownloadStatus)
      OnUpdateDownloadStatus(fTotalBytesDownloaded / static_cast<int32_t>(kReadPieceSize), stop);
    if (stop) break;
    DWORD written = 0;
    if (!WriteFile(destination.Get(), buffer, count, &written, nullptr) || written < count) {
      SetAbort(true);
      throw ExceptionLite(
          u"Unable to write data to file.\nYou must have Administrator rights to install this program.");
    }
  } while (readOK);
  destination.Reset();

  // The platform reports a connection that ended mid-body as a successful read of nothing, so a
  // body that differs from its announced length is a failed read as well.
  if (readOK && !stop && !Abort() && !BodyIsComplete(fDownloadSize, received)) {
    readOK = false;
    readError = ERROR_INTERNET_CONNECTION_ABORTED;
  }
  // A failed read is never a complete download, even when the platform names no reason.
  if (!readOK) RaiseInternetError(readError != 0 ? readError : ERROR_INTERNET_CONNECTION_ABORTED);
  return !stop;
}

void TDownloadProgram::DiscardDownload() {
  DeleteFileW(as_wcstr(fVersionFileName));
  DeleteFileW(as_wcstr(fDestFileName));
}

}  // namespace skylaunch
