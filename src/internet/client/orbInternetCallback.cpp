// The asynchronous HTTP client on WinInet's threads: the status callback, the end of the send,
// the reading of the response. Everything that the creating thread must see is handed over as a
// message to the internal window.
#include "PlatformHttp.h"
#include "orbInternet.h"
#include "orbInternetList.h"
#include "orbInternetRules.h"

namespace skylaunch {

void CALLBACK InternetStatusCallback(HINTERNET, DWORD_PTR dwContext, DWORD dwInternetStatus,
                                     LPVOID lpvStatusInformation, DWORD) {
  // The internet and connection handles carry no context; nothing of theirs is reported.
  if (dwContext == 0) return;
  try {
    TInternetList* list = InternetList();
    TInternet* client = list ? list->EnterNotification(dwContext) : nullptr;
    if (client != nullptr) client->DispatchCallback(dwContext, dwInternetStatus, lpvStatusInformation);
  } catch (...) {
    // Nothing may unwind into the platform's thread.
  }
}

void TInternet::DispatchCallback(DWORD_PTR aContext, DWORD aStatusCode, void* aStatusInformation) {
  const bool completion = aStatusCode == INTERNET_STATUS_REQUEST_COMPLETE;
  bool handled = false;
  bool bodyComplete = false;
  try {
    // The creating thread finalizes under the same lock: a notification either finishes with the
    // request's handles and stream before they go, or finds the request over and leaves it alone.
    const TLocked locked(fNotificationLock);
    if (fCallbackStatus == csOK && aContext == fContext) {
      if (completion) {
        const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(aStatusInformation);
        bodyComplete = DoRequestComplete(result != nullptr ? result->dwError : ERROR_INTERNET_INTERNAL_ERROR);
      } else if (const std::optional<TExecuteStatus> status = ExecuteStatusForNotification(aStatusCode)) {
        PostExecuteStatus(*status);
      }
      handled = true;
    }
  } catch (...) {
    // A completion that stops half-way would leave the request open for ever: end it as failed.
    if (completion && fInternetStatus != isIdle)
      PostFor(aContext, WM_INTERNET_ERROR, ERROR_INTERNET_INTERNAL_ERROR);
  }
  // Outside the lock: with OrbUpdateFixEnabled the creating thread handles the finalize message
  // while this thread waits for it.
  if (bodyComplete) HandOverCompletion(aContext);
  if (handled && completion) PostFor(aContext, WM_INTERNET_STATUS, esRequestComplete);
  // The last touch of the client by this notification (see fCallBackCount).
  UpdateCallbackCount(ccDecrement);
}

bool TInternet::DoRequestComplete(DWORD aError) {
  bool complete = false;
  if (aError != 0) {
    // The error of the failed call is the record's: the thread's last error belongs to whatever
    // the platform did last on this thread and may well be 0.
    Post(WM_INTERNET_ERROR, aError);
    Post(WM_INTERNET_FINALIZE);
  } else if (fInternetStatus == isSendingRequest) {
    // The phase moves first: the end of the send may be reported on another thread before
    // HttpEndRequestW has returned here.
    fInternetStatus = isReceivingData;
    LogApiCall(u"HTTPEndRequest");
    if (!fHttpEndRequest(fRequestHandle.Get(), nullptr, HSR_ASYNC, fContext)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) Post(WM_INTERNET_ERROR, error);
    }
  } else if (fInternetStatus == isReceivingData && ReadResponseData()) {
    // The body is complete: rewound here, while the stream is surely still the request's.
    fDownloadStream->SetPosition(0);
    complete = true;
  }
  return complete;
}

void TInternet::HandOverCompletion(DWORD_PTR aContext) {
  if (!fOrbUpdateFixEnabled) {
    OutputDebugStringW(L"tarvosa - Start postmessage - finalise and downloadcomplete)");
    PostFor(aContext, WM_INTERNET_FINALIZE);
    PostFor(aContext, WM_INTERNET_COMPLETE);
    OutputDebugStringW(L"tarvosa - end postmessage - finalise and downloadcomplete)");
  } else {
    OutputDebugStringW(L"tarvosa - Start sendMessage - finalise and downloadcomplete)");
    SendMessageW(fWindow.Handle(), WM_INTERNET_FINALIZE, 0, static_cast<LPARAM>(aContext));
    SendMessageW(fWindow.Handle(), WM_INTERNET_COMPLETE, 0, static_cast<LPARAM>(aContext));
    OutputDebugStringW(L"tarvosa - end sendMessage - finalise and downloadcomplete)");
  }
}

bool TInternet::ReadResponseData() {
  if (fDownloadStream == nullptr) {
    // Reported, and the request ends through that report: there is no body to hand over.
    Post(WM_INTERNET_ERROR, static_cast<WPARAM>(kDownloadStreamUninitialized));
    return false;
  }
  if (fTotalFileSize == -1) QueryResponseHeaders();
  for (;;) {
    fReadBuffers = INTERNET_BUFFERSW{};
    fReadBuffers.dwStructSize = sizeof fReadBuffers;
    fReadBuffers.lpvBuffer = fReadBuffer;
    fReadBuffers.dwBufferLength = sizeof fReadBuffer;
    LogApiCall(u"InternetReadFileEx");
    if (!fInternetReadFileEx(fRequestHandle.Get(), &fReadBuffers, IRF_NO_WAIT, fContext)) {
      // Pending means nothing is buffered yet: the next completion says that data has come and
      // reading resumes there. It is not the end of the body.
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) Post(WM_INTERNET_ERROR, error);
      return false;
    }
    const DWORD count = fReadBuffers.dwBufferLength;
    if (count == 0 || count > sizeof fReadBuffer) return true;
    if (!AppendToDownloadStream(fReadBuffer, count)) {
      Post(WM_INTERNET_ERROR, ERROR_WRITE_FAULT);
      return false;
    }
    fCurrentFilePosition += static_cast<int32_t>(count);
    PostProgress(static_cast<uint32_t>(fCurrentFilePosition), static_cast<uint32_t>(fTotalFileSize));
  }
}

bool TInternet::AppendToDownloadStream(const char* data, DWORD count) {
  return fDownloadStream->Write(data, count) == count;
}

void TInternet::QueryResponseHeaders() {
  const std::optional<std::u16string> raw =
      QueryRawHeaders(fRequestHandle.Get(), fHttpQueryInfo, [this](TRawHeaderCall call) {
        LogApiCall(call == TRawHeaderCall::RequestBuffer ? u"HttpQueryInfo (request buffer)"
                                                         : u"HttpQueryInfo (retrieve)");
      });
  if (raw && !raw->empty()) fResponse->SetRawHeaders(*raw);
  fTotalFileSize = AnnouncedContentLength(fResponse->Headers());
}

void TInternet::PostExecuteStatus(TExecuteStatus aStatus) { Post(WM_INTERNET_STATUS, aStatus); }

void TInternet::Post(UINT message, WPARAM wParam) { PostFor(fContext, message, wParam); }

void TInternet::PostFor(DWORD_PTR aContext, UINT message, WPARAM wParam) {
  PostMessageW(fWindow.Handle(), message, wParam, static_cast<LPARAM>(aContext));
}

void TInternet::PostProgress(uint32_t aPosition, uint32_t aTotal) {
  PostMessageW(fWindow.Handle(), WM_INTERNET_PROGRESS, aPosition, static_cast<LPARAM>(aTotal));
}

}  // namespace skylaunch
