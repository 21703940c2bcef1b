#pragma once
// Module DownloadThread, the workflow: TDownloadProgram carries out one complete download of one
// component, synchronously, on the thread that calls Execute (the download worker).
//
//   1. It asks the release-catalog service, with a bearer token, for the release manifest and
//      takes the download address of the component from it.
//   2. It requests that address (always over https), reads Last-Modified and compares it with
//      the component's version file.
//   3. Only when the two differ it streams the body into the destination file in pieces of 4096
//      bytes, reporting progress, and then records the new Last-Modified in the version file.
//
// Every WinInet call blocks; no status callback and no time-out is set (the platform's defaults
// apply). Each of the two exchanges has handles of its own, closed when it ends on any way out.
// Failures raise ExceptionLite with the fixed texts below; SetAbort, from any thread, stops the
// work at the next check point without an error, and nothing is sent after it.
//
// A download is written to a partial file beside the destination ("<destination>.part") and moved
// over the destination only once the body is complete and is the file the catalog described (its
// "Size" and its SHA-256 "Hash", computed as the body is written); the version file is then
// replaced the same way. A download that fails, is stopped, is cut short or is not that file leaves
// the previous destination and version file exactly as they were.
//
// A transfer of the file that fails on the way (the connection refused, reset or ended early, a
// receive time-out) is tried again after 1, 2 and 4 seconds, asking only for the rest where the
// server offers byte ranges; an HTTP status error is not.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "BackgroundSha256.h"
#include "DownloadProgramRules.h"
#include "Handles.h"
#include "Locks.h"
#include "NotifyEvent.h"
#include "RootObject.h"
#include "RunLog.h"
#include "WinInetHandles.h"

namespace skylaunch {

using TOnUpdateStatusText = std::function<void(const std::u16string& NewStatus)>;
// CurStatus: bytes of the body read so far, div 4096. Setting StopThread ends the download.
using TOnUpdateDownloadStatus = std::function<void(int32_t CurStatus, bool& StopThread)>;

class TDownloadProgram : public TObject {
 public:
  ~TDownloadProgram() override;

  // The catalog query URL, the destination file and the version file. Returns normally when the
  // component was downloaded, found unchanged, or the abort flag stopped the work.
  void Execute(const std::u16string& AURL, const std::u16string& AFileName,
               const std::u16string& VersionFileName);

  int32_t DownloadSize() const { return fDownloadSize; }
  void SetComponent(const std::u16string& value) { fComponent = value; }
  void SetProduct(const std::u16string& value) { fProduct = value; }
  const std::u16string& ErrorMessage() const { return fErrorMessage; }
  const std::u16string& ErrorCodeString() const { return fErrorCodeStr; }
  bool Abort() const { return fAbort.load(); }
  // Requests the stop from any thread. It also closes the handles of the exchange in progress,
  // which is the platform's way to end a WinInet call that is blocked waiting for the network.
  void SetAbort(bool value);

  // Called on the thread that runs Execute.
  TNonVCLNotifyEvent OnFileChange;
  TOnUpdateDownloadStatus OnUpdateDownloadStatus;
  TOnUpdateStatusText OnUpdateStatusText;

 private:
  void Run(const std::u16string& AURL, const std::u16string& AFileName,
           const std::u16string& VersionFileName);

  // The connection steps (DownloadProgramConnection.cpp).
  void ParseDownloadURL(const std::u16string& url);
  bool OpenConnection();
  bool OpenRequest();
  void CloseHandles();
  // The handles are set, read and closed under fHandlesLock, since SetAbort closes them from
  // another thread. Keep takes a handle just opened; after a stop it closes it at once and fails
  // as an ended call does.
  bool Keep(TInternetHandle& owner, HINTERNET handle);
  HINTERNET Current(const TInternetHandle& owner) const;
  void CloseHandlesLocked();
  void RaiseLastInternetError();
  // The communication-error text for `code`; the run log's line of the exchange tells the code.
  [[noreturn]] void RaiseInternetError(DWORD code);
  // Writes the run log's line of the exchange that ends.
  void EndExchangeLog();
  void SendRequestWithHeaders(const std::u16string& headers);
  // Sends the open request with `headers` (none when empty), telling the run log; false with the
  // platform's last error when it could not be sent.
  bool Send(const std::u16string& headers);
  [[noreturn]] static void RaiseUnavailable();
  // Reads the status line and headers into the fields; returns the raw block.
  std::u16string ReadStatusAndHeaders();

  // The catalog exchange (DownloadProgramCatalog.cpp).
  void QueryReleaseCatalog();
  void ReadCatalogResponse();
  // Tells the run log what of the file's description the download is checked against.
  void LogCatalogFile() const;

  // The file's transfer across its attempts: what has arrived so far and whether the rest can be
  // asked for on its own.
  struct TTransfer {
    int Attempts = 0;  // requests sent
    // The answer that began the file offered byte ranges and named its Last-Modified.
    bool Resumable = false;
    std::u16string LastModified;
    uint32_t Received = 0;  // bytes of the file in the partial file
    TFileHandle Partial;
    // Only where the catalog gives a SHA-256 to compare the file with.
    std::unique_ptr<TBackgroundSha256> Hash;
  };

  // The download exchange and the files (DownloadProgramFiles.cpp).
  void CompareAndDownload();
  // Compares the file's Last-Modified with `stored`, the version file's text.
  bool IsNewVersion(const std::u16string& stored);
  std::u16string ReadVersionFile() const;
  void WriteVersionFile();
  void DownloadFile(TTransfer& transfer);
  // Raises when the file that arrived whole is not the one the catalog described.
  void CheckAgainstCatalog(TTransfer& transfer);
  // Moves `partial` over `destination`, replacing it; the partial file is gone either way.
  static bool Replace(const std::u16string& partial, const std::u16string& destination);

  // The attempts of the transfer (DownloadProgramTransfer.cpp). Each returns 0 when it went well
  // (or was stopped), or the error of a failed transfer that another attempt may mend; other
  // failures raise.
  // Sends the file request until an answer is taken: the first, or the rest of the file. False
  // after a stop.
  bool RequestFile(TTransfer& transfer);
  // Receives the body into the partial file, with further attempts while they may mend a failure.
  void ReceiveFile(TTransfer& transfer, bool& stop);
  DWORD SendFileRequest(TTransfer& transfer);
  // Streams the body into the partial file and its hash.
  DWORD ReceiveBody(TTransfer& transfer, bool& stop);
  // After a failed transfer: raises its error when no attempt is left, else waits before the
  // next one (a stop ends the wait at once).
  void WaitBeforeRetry(const TTransfer& transfer, DWORD failure);
  // A 200 answer (re)begins the file: the partial file and its hash start over.
  void BeginFile(TTransfer& transfer, const std::u16string& block);

  void SetStatusText(const std::u16string& text);

  std::u16string fVersionFileName;
  std::u16string fLastModified;
  std::u16string fDestFileName;
  int32_t fPort{};
  std::u16string fPath;
  std::u16string fHost;
  int32_t fTotalBytesDownloaded{};
  std::u16string fErrorMessage;
  std::u16string fErrorCodeStr;
  TInternetHandle fSessionHandle;
  DWORD_PTR fContext{};
  TInternetHandle fRequestHandle;
  TInternetHandle fInetHandle;
  int32_t fDownloadSize{};
  std::u16string fDownloadURL;
  std::u16string fComponent;
  std::u16string fProduct;
  // What the catalog says of the component's file.
  TCatalogFile fCatalogFile;
  // Written by another thread (Terminate of the worker) and polled here at the check points.
  std::atomic<bool> fAbort{false};
  // Set by SetAbort only, not by the workflow's own stop after a failed write: an error after a
  // stop from outside is that stop's doing and ends the work without an error.
  std::atomic<bool> fStopRequested{false};
  mutable TLock fHandlesLock;
  // Signalled by SetAbort: ends a wait between two attempts at once.
  TKernelHandle fStopEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  bool fSSLConnect{};
  // The request of the exchange in progress, as the run log tells it; on the worker's thread only.
  TRequestLog fExchangeLog;
};

}  // namespace skylaunch
