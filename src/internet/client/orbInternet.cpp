// The asynchronous HTTP client on its creating thread: life cycle, Execute, Cancel, the end of a
// request and the internal window's messages.
#include "orbInternet.h"

#include "DeliveringLock.h"
#include "FileStream.h"
#include "PlatformHttp.h"
#include "orbInternetList.h"
#include "orbInternetRules.h"

namespace skylaunch {

void TInternet::Construct() {
  TObject::Construct();
  if (InternetList() == nullptr) throw EInternetException(u"The internet client module has not been started.");
  fRasConnection = Create<TRASConn>();
  try {
    fHaveDialUpConnection = fRasConnection->ConnectionCount() > 0;
  } catch (...) {
    fHaveDialUpConnection = false;  // no dial-up interface: nothing to hang up later either
  }
  fRequest = std::make_unique<TInternetRequest>();
  fResponse = std::make_unique<TInternetResponse>();
  fWindow.Create(this);
  fInternetData = std::make_unique<TInternetData>();
}

void TInternet::Destroy() {
  Cancel();
  fWindow.Reset();
  FinalizeRequest();
  fRequest.reset();
  fResponse.reset();
  fInternetData.reset();
  HangUpDialUp();
  fRasConnection.reset();
  TObject::Destroy();
}

void TInternet::SetRequest(std::unique_ptr<TInternetRequest> value) {
  if (CurrentStatus() == erBusy) throw EInternetException(u"The request cannot change while it runs.");
  if (!value) throw EInternetException(u"The internet client needs a request.");
  fRequest = std::move(value);
}

void TInternet::SetResponse(std::unique_ptr<TInternetResponse> value) {
  if (CurrentStatus() == erBusy) throw EInternetException(u"The response cannot change while a request runs.");
  if (!value) throw EInternetException(u"The internet client needs a response.");
  fResponse = std::move(value);
}

TExecuteResult TInternet::Execute(TStream* aStream) {
  if (CurrentStatus() == erBusy) return erBusy;
  fInternetStatus = isSettingUpRequest;
  try {
    fContext = NewRequestContext();
    InitializeInternet();
    fInternetData->Initialize();
    fDownloadStream = aStream;
    if (fDownloadStream == nullptr) throw EInternetException(kStreamNilMessage);
    OpenRequest();
    SendRequest();
  } catch (...) {
    FinalizeRequest();
    throw;
  }
  return erOK;
}

TExecuteResult TInternet::Execute(TStream* aStream, const std::u16string& aURL) {
  // A busy client changes nothing, not even the URL of the request that runs.
  if (CurrentStatus() == erBusy) return erBusy;
  fRequest->SetURL(aURL);
  return Execute(aStream);
}

TExecuteResult TInternet::Execute(const std::u16string& aFileName) {
  if (CurrentStatus() == erBusy) return erBusy;
  try {
    fInternalStream = std::make_unique<TFileStream>(aFileName);
    fUsingInternalStream = true;
    Execute(fInternalStream.get());
  } catch (...) {
    // Execute has finalized already (closing the file) when it raised; a file that could not
    // be made was never the client's.
    fInternalStream.reset();
    fUsingInternalStream = false;
    throw EInternetException(UnableToCreateFileMessage(aFileName));
  }
  return erOK;
}

TExecuteResult TInternet::Execute(const std::u16string& aFileName, const std::u16string& aURL) {
  if (CurrentStatus() == erBusy) return erBusy;
  fRequest->SetURL(aURL);
  return Execute(aFileName);
}

void TInternet::Cancel() {
  if (TInternetList* list = InternetList()) {
    list->BeginTermination(this);
  } else {
    fIsTerminating = true;
  }
  WaitForCallbacks();
  FinalizeRequest();
  fIsTerminating = false;
}

void TInternet::WaitForCallbacks() {
  while (UpdateCallbackCount(ccRead) != 0) {
    // A completion that sends its messages (OrbUpdateFixEnabled) waits for this thread: let the
    // sent messages through, or both would wait for ever. The window ignores them while the
    // request is being cancelled.
    MSG pending;
    PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    SwitchToThread();
  }
}

void TInternet::FinalizeRequest() {
  {
    // Waits for a notification that is reading the body right now (delivering what it may send
    // meanwhile); any later one finds the request ending and leaves its handles and stream alone.
    const auto guard = LockDelivering(fNotificationLock);
    fCallbackStatus = csFinalizing;
  }
  if (fUsingInternalStream) fInternalStream.reset();
  fUsingInternalStream = false;
  if (fRequest) fRequest->Consume();
  LogApiCall(u"InternetSetstatusCallback (closing)");
  if (fInternetHandle) fInternetSetStatusCallback(fInternetHandle.Get(), nullptr);
  // Out of the list before the handles close: the platform reports their closing, and nothing
  // is left to report to.
  if (TInternetList* list = InternetList()) list->Remove(this);
  CloseInternetHandle(fRequestHandle, u"CloseHandle (request)");
  CloseInternetHandle(fSessionHandle, u"CloseHandle (session)");
  CloseInternetHandle(fInternetHandle, u"CloseHandle (internet)");
  fDownloadStream = nullptr;
  fInternetStatus = isIdle;
  fCallbackStatus = csFinalized;
  fLibList.reset();
}

void TInternet::CloseInternetHandle(TInternetHandle& handle, const char16_t* logText) {
  LogApiCall(logText);
  HINTERNET h = handle.Release();
  if (h == nullptr) return;
  // Handles exist only once the entry points were bound; the fallback is the same function.
  (fInternetCloseHandle != nullptr ? fInternetCloseHandle : WinInet().InternetCloseHandle)(h);
}

void TInternet::HandleErrorMessage(int32_t aCode) {
  if (aCode == 0) return;
  // Reported by the reading thread, which leaves every event to this one.
  if (aCode == kDownloadStreamUninitialized) {
    ReportError(aCode, kDownloadStreamUninitializedText);
  } else {
    ReportError(aCode, InternetErrorMessage(InternetErrorText(static_cast<DWORD>(aCode))));
  }
}

void TInternet::ReportError(int32_t aCode, const std::u16string& aText) {
  fInternetStatus = isIdle;
  FinalizeRequest();
  if (OnInternetError) OnInternetError(this, aCode, aText);
}

int32_t TInternet::UpdateCallbackCount(TCallbackCountOp aOp) {
  switch (aOp) {
    case ccIncrement:
      return ++fCallBackCount;
    case ccDecrement: {
      int32_t count = fCallBackCount.load();
      while (count > 0 && !fCallBackCount.compare_exchange_weak(count, count - 1)) {
      }
      return count > 0 ? count - 1 : 0;
    }
    case ccRead:
      break;
  }
  return fCallBackCount.load();
}

void TInternet::HangUpDialUp() {
  if (!fAutoDisconnect || fHaveDialUpConnection || !fRasConnection) return;
  try {
    if (fRasConnection->ConnectionCount() == 0) return;
    const TRASConnW connection = fRasConnection->GetActiveConnections(0);
    if (const auto hangUp = RASInterface().Basic.RasHangUpW) hangUp(connection.RASConn);
  } catch (...) {
    // Hanging up is a courtesy at destruction; a dial-up interface that fails changes nothing.
  }
}

void TInternet::LogApiCall(const std::u16string& aText) {
  if (OnInternetLog) OnInternetLog(this, u"API Call: " + aText);
}

void TInternet::DoRequestProgressUpdate(uint32_t aPosition, uint32_t aTotal) {
  if (OnRequestProgressUpdate) OnRequestProgressUpdate(this, aPosition, aTotal);
}

void TInternet::DoStatusChange(TExecuteStatus aStatus) {
  if (OnStatusChange) OnStatusChange(this, aStatus);
}

void TInternet::WndProc(TMessage& message) {
  const bool ours = message.Msg >= WM_INTERNET_COMPLETE && message.Msg <= WM_INTERNET_STATUS;
  if (!ours) {
    message.Result = DefWindowProcW(fWindow.Handle(), message.Msg, message.WParam, message.LParam);
    return;
  }
  message.Result = 0;
  // Only a completion sent (not posted) while Cancel waits arrives now; the request it speaks
  // of is being abandoned.
  if (fIsTerminating) return;
  // Left over from an earlier request (one abandoned, or one whose error handler started this
  // one): its finalize message must not end the request that runs now.
  if (message.Msg != WM_INTERNET_PROGRESS && message.LParam != 0 &&
      static_cast<DWORD_PTR>(message.LParam) != fContext.load()) {
    return;
  }
  switch (message.Msg) {
    case WM_INTERNET_COMPLETE:
      // A completion that sent this message is released before the handler runs: a handler
      // that cancels or frees the client waits for that completion to finish.
      if (InSendMessage()) ReplyMessage(0);
      if (OnRequestComplete) OnRequestComplete(this);
      break;
    case WM_INTERNET_ERROR:
      HandleErrorMessage(static_cast<int32_t>(message.WParam));
      break;
    case WM_INTERNET_FINALIZE:
      FinalizeRequest();
      break;
    case WM_INTERNET_PROGRESS:
      DoRequestProgressUpdate(static_cast<uint32_t>(message.WParam), static_cast<uint32_t>(message.LParam));
      break;
    case WM_INTERNET_STATUS:
      DoStatusChange(static_cast<TExecuteStatus>(message.WParam));
      break;
  }
}

}  // namespace skylaunch
