#pragma once
// TInternet: one HTTP or HTTPS request at a time over WinInet in asynchronous mode.
//
//   InitializeLibState(); InitializeOrbInternet();        // module start-up, once per process
//   TOwned<TInternet> client = Create<TInternet>();        // on the thread that will wait
//   client->Request().SetOperation(ioPOST);
//   client->Request().Headers().push_back(u"Authorization: Bearer …");
//   client->OnRequestComplete = [&](TInternet*) { … client->Response().HTTPMessageCode() … };
//   client->OnInternetError = [&](TInternet*, int32_t code, const std::u16string& text) { … };
//   TMemoryStream body;
//   client->Execute(&body, u"https://host/path?query");  // returns once the send is handed over
//   … dispatch this thread's messages until client->CurrentStatus() == erOK …
//
// Threads. The thread that creates the client owns its internal window (a message-only window);
// Execute, Cancel and destruction run on it, and it must dispatch its messages for the request
// to end. WinInet reports on threads of its own through InternetStatusCallback; there the client
// ends the send, reads the body into the download stream and the response headers into
// Response, then posts WM_INTERNET_* messages to its window. So OnStatusChange,
// OnRequestProgressUpdate, OnInternetError and OnRequestComplete run on the creating thread,
// while OnInternetLog runs on whichever thread makes the logged call. Read Response and the
// stream only after the request has ended (OnRequestComplete, OnInternetError, or idle again).
//
// How a request ends, on the creating thread:
//   success: WM_INTERNET_FINALIZE (handles closed, client idle, stream rewound to 0), then
//            OnRequestComplete, then OnStatusChange(esRequestComplete);
//   failure after Execute returned: the client finalizes and fires OnInternetError with the code
//            and "Internet Error: " + the platform's text; no OnRequestComplete;
//   failure inside Execute: EInternetException, with the client idle and every handle closed.
//
// Notifications of a request reach only that request: each request has a context value of its
// own, and the window drops a message left over from an earlier request.
//
// A subclass that waits for its request (the synchronous runner) dispatches the messages of
// WindowHandle(). The completion message follows the finalize message, so a waiter that stops
// as soon as the client is idle must dispatch once more to see OnRequestComplete.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Locks.h"
#include "ObjectInstance.h"
#include "PlatformHttp.h"
#include "RASConn.h"
#include "RootObject.h"
#include "Stream.h"
#include "WinInetHandles.h"
#include "libstate.h"
#include "orbInternetData.h"
#include "orbInternetRequest.h"
#include "orbInternetTypes.h"
#include "orbInternetWindow.h"

namespace skylaunch {

// The WinInet entry points of one request, bound by name through the request's library list.
using TInternetOpen = decltype(&InternetOpenW);
using TInternetSetStatusCallback = decltype(&InternetSetStatusCallbackW);
using TInternetCloseHandle = decltype(&InternetCloseHandle);
using TInternetConnect = decltype(&InternetConnectW);
using THttpOpenRequest = decltype(&HttpOpenRequestW);
using THttpSendRequestEx = decltype(&HttpSendRequestExW);
using THttpEndRequest = decltype(&HttpEndRequestW);
using TInternetReadFileEx = decltype(&InternetReadFileExW);
using TInternetCrackUrl = decltype(&InternetCrackUrlW);
using THttpQueryInfo = decltype(&HttpQueryInfoW);
using TInternetSetOption = decltype(&InternetSetOptionW);

class TInternet : public TObject {
 public:
  TInternet() = default;

  // Starts the request that Request describes; the body goes to `aStream` (not owned, written
  // from the current position, rewound to 0 when the request completes). erBusy, and nothing
  // else happens, while a request of this client is in progress; erOK once the request has
  // been handed to the platform. Failures before that raise EInternetException.
  TExecuteResult Execute(TStream* aStream);
  TExecuteResult Execute(TStream* aStream, const std::u16string& aURL);
  // The body goes to the file `aFileName`, created (or truncated) by the client and closed when
  // the request is finalized. Every failure raises "Unable to create file. (<aFileName>)".
  TExecuteResult Execute(const std::u16string& aFileName);
  TExecuteResult Execute(const std::u16string& aFileName, const std::u16string& aURL);

  // Abandons the current request (if any) and leaves the client idle. Notifications that
  // arrive from then on are ignored; messages already posted are still delivered.
  void Cancel();
  // erBusy while a request is in progress, else erOK.
  TExecuteResult CurrentStatus() const { return fInternetStatus == isIdle ? erOK : erBusy; }

  TInternetRequest& Request() { return *fRequest; }
  void SetRequest(std::unique_ptr<TInternetRequest> value);
  TInternetResponse& Response() { return *fResponse; }
  void SetResponse(std::unique_ptr<TInternetResponse> value);

  const std::u16string& AgentName() const { return fAgentName; }
  void SetAgentName(std::u16string value) { fAgentName = std::move(value); }
  // When set, a completing request sends (rather than posts) its finalize and complete messages
  // and waits until the creating thread has finalized and begun OnRequestComplete.
  bool OrbUpdateFixEnabled() const { return fOrbUpdateFixEnabled; }
  void SetOrbUpdateFixEnabled(bool value) { fOrbUpdateFixEnabled = value; }
  // Hang up a dial-up connection at destruction, if none was active when the client was made.
  bool AutoDisconnect() const { return fAutoDisconnect; }
  void SetAutoDisconnect(bool value) { fAutoDisconnect = value; }
  // Receive time-out in milliseconds; -1 leaves the platform's default.
  int32_t ReceiveTimeout() const { return fReceiveTimeout; }
  void SetReceiveTimeout(int32_t value) { fReceiveTimeout = value; }
  TInternetStatus InternetStatus() const { return fInternetStatus; }
  TCallbackStatus CallbackStatus() const { return fCallbackStatus; }
  // The internal window, whose messages end requests.
  HWND WindowHandle() const { return fWindow.Handle(); }

  TInternetNotifyEvent OnRequestComplete;
  TOnInternetStatus OnStatusChange;
  TOnRequestProgressUpdate OnRequestProgressUpdate;
  TOnInternetError OnInternetError;
  TOnInternetLog OnInternetLog;

  // The window procedure of the internal window: the five WM_INTERNET_* messages, everything
  // else to the platform's default.
  virtual void WndProc(TMessage& message);

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  friend class TInternetList;
  friend void CALLBACK InternetStatusCallback(HINTERNET, DWORD_PTR, DWORD, LPVOID, DWORD);

  enum TCallbackCountOp { ccIncrement, ccDecrement, ccRead };

  // Request set-up (orbInternetSetup.cpp).
  void InitializeInternet();
  void BindWinInet();
  void CrackURL();
  void SetSchemeFlags();
  void OpenInternet();
  void OpenRequest();
  void SendRequest();
  void DoWinInetNotFound(TObject* Sender);

  // Notifications, on WinInet's threads (orbInternetCallback.cpp).
  // A notification of the request whose context is aContext.
  void DispatchCallback(DWORD_PTR aContext, DWORD aStatusCode, void* aStatusInformation);
  // True when the body is complete and the end of the request is to be handed over.
  bool DoRequestComplete(DWORD aError);
  void HandOverCompletion(DWORD_PTR aContext);
  bool ReadResponseData();
  bool AppendToDownloadStream(const char* data, DWORD count);
  void QueryResponseHeaders();
  void PostExecuteStatus(TExecuteStatus aStatus);
  // Posts one of the window's messages with the request's context in lParam, so that the window
  // can tell a message of an earlier request: the current request's, or aContext's.
  void Post(UINT message, WPARAM wParam = 0);
  void PostFor(DWORD_PTR aContext, UINT message, WPARAM wParam = 0);
  void PostProgress(uint32_t aPosition, uint32_t aTotal);

  // Ends of a request (orbInternet.cpp).
  void FinalizeRequest();
  void CloseInternetHandle(TInternetHandle& handle, const char16_t* logText);
  void HandleErrorMessage(int32_t aCode);
  void ReportError(int32_t aCode, const std::u16string& aText);
  int32_t UpdateCallbackCount(TCallbackCountOp aOp);
  void WaitForCallbacks();
  void HangUpDialUp();
  void LogApiCall(const std::u16string& aText);
  void DoRequestProgressUpdate(uint32_t aPosition, uint32_t aTotal);
  void DoStatusChange(TExecuteStatus aStatus);

  TOwned<TLibList> fLibList;
  TOwned<TRASConn> fRasConnection;
  bool fHaveDialUpConnection{false};
  std::atomic<TInternetStatus> fInternetStatus{isIdle};
  int32_t fTotalFileSize{-1};
  int32_t fCurrentFilePosition{-1};
  TInternetHandle fInternetHandle;
  TInternetHandle fSessionHandle;
  TInternetHandle fRequestHandle;
  // The context value of the current request. A fresh value per request, never an address: the
  // platform keeps reporting on a request after its handles are closed, and such a late
  // notification must not reach a later request, or a later client made at the same address.
  std::atomic<DWORD_PTR> fContext{0};
  std::u16string fAgentName{kBrowserAgent};
  bool fOrbUpdateFixEnabled{false};
  bool fUsingInternalStream{false};
  std::unique_ptr<TStream> fInternalStream;
  TStream* fDownloadStream{nullptr};
  TInternalWindow fWindow;
  int32_t fPort{0};
  DWORD fFlags{0};
  std::u16string fHost;
  std::u16string fPath;
  TInternetScheme fScheme{isHTTP};
  std::unique_ptr<TInternetRequest> fRequest;
  std::unique_ptr<TInternetResponse> fResponse;
  std::atomic<bool> fIsTerminating{false};
  // Notifications being processed now. Counted without a lock: the last thing a notification
  // does to its client is the decrement, and the client may be freed as soon as Cancel has seen
  // 0, so nothing of the client may be touched after it (as a lock's release would).
  std::atomic<int32_t> fCallBackCount{0};
  std::unique_ptr<TInternetData> fInternetData;
  std::atomic<TCallbackStatus> fCallbackStatus{csFinalized};
  // Held by a notification while it works with the request's handles and stream, and by
  // FinalizeRequest while it marks the request as ending, so the two never overlap. Recursive:
  // the platform may report a notification on the thread of a call that a notification made.
  TRecursiveLock fNotificationLock;
  // The body is read into this buffer. It belongs to the client, not to a stack frame, because
  // a read that the platform accepts as pending may still hold on to it after the call returned.
  char fReadBuffer[4096]{};
  INTERNET_BUFFERSW fReadBuffers{};
  TInternetOpen fInternetOpen{nullptr};
  TInternetSetStatusCallback fInternetSetStatusCallback{nullptr};
  TInternetCloseHandle fInternetCloseHandle{nullptr};
  TInternetConnect fInternetConnect{nullptr};
  THttpOpenRequest fHttpOpenRequest{nullptr};
  THttpSendRequestEx fHttpSendRequestEx{nullptr};
  THttpEndRequest fHttpEndRequest{nullptr};
  TInternetReadFileEx fInternetReadFileEx{nullptr};
  TInternetCrackUrl fInternetCrackUrl{nullptr};
  THttpQueryInfo fHttpQueryInfo{nullptr};
  TInternetSetOption fInternetSetOption{nullptr};
  bool fAutoDisconnect{false};
  int32_t fReceiveTimeout{-1};
};

// The status callback that WinInet calls on its own threads.
void CALLBACK InternetStatusCallback(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                     LPVOID lpvStatusInformation, DWORD dwStatusInformationLength);

}  // namespace skylaunch
