#include "InternetRunner.h"

#include "ExceptionText.h"
#include "RunLog.h"

namespace skylaunch {
namespace {

constexpr DWORD kWaitStep = 100;  // the longest time between two looks at the client, in ms

std::u16string_view MethodName(TInternetOperation operation) {
  switch (operation) {
    case ioPOST:
      return u"POST";
    case ioHEAD:
      return u"HEAD";
    default:
      return u"GET";
  }
}

// How a request that did not succeed ended, for the run log.
std::u16string FailureText(const TMyInternet& client, const std::atomic<bool>* aAbort) {
  if (aAbort != nullptr && *aAbort) return u"stopped";
  if (client.CurrentStatus() == erBusy) {
    return u"abandoned: nothing received for " + DecimalText(client.ReceiveTimeout()) + u" ms";
  }
  return client.FFailure;
}

// Waits until a message is posted or sent to this thread, or until the tick count `deadline`. The
// client posts each notification, each part of the body and the end to its window, so the wait
// ends as soon as there is something to dispatch; messages that another thread sends are
// delivered by the dispatch as well.
void WaitForMessageUntil(uint64_t deadline) {
  const uint64_t now = GetTickCount64();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, now < deadline ? static_cast<DWORD>(deadline - now) : 0,
                            QS_POSTMESSAGE | QS_SENDMESSAGE);
}

void CopyPostData(TStream& source, TMemoryStream& target) {
  if (source.Size() == 0) return;
  source.SetPosition(0);
  target.CopyFrom(source);
}

}  // namespace

void TMyInternet::HandleInternetError(TInternet*, int32_t aInternetError,
                                      const std::u16string& aInternetErrorString) {
  if (!aInternetErrorString.empty()) {
    FFailure = u"error " + DecimalText(aInternetError) + u" (" + aInternetErrorString + u")";
  }
  FDone = true;
}

void TMyInternet::HandleRequestComplete(TInternet* Sender) {
  const TStringList& headers = Response().Headers();
  if (headers.empty() || headers.front().find(u"404") != std::u16string::npos) {
    HandleInternetError(Sender, 404, std::u16string());
    return;
  }
  FDone = true;
  FSuccess = true;
}

bool TMyInternet::PumpMessage(MSG& aMsg) {
  if (!PeekMessageW(&aMsg, WindowHandle(), 0, 0, PM_REMOVE)) return false;
  TranslateMessage(&aMsg);
  DispatchMessageW(&aMsg);
  return true;
}

void TMyInternet::ProcessMessages() {
  MSG message{};
  while (PumpMessage(message)) {
  }
}

void TMyInternet::HandleProgress(TInternet*, uint32_t, uint32_t) { FLastReceived = GetTickCount64(); }

void TMyInternet::WaitForRequest(const std::atomic<bool>* aAbort) {
  FLastReceived = GetTickCount64();
  uint64_t nextLook = FLastReceived + kWaitStep;
  while (CurrentStatus() == erBusy) {
    WaitForMessageUntil(nextLook);
    // The stop request and the receive time-out are looked at once per wait step, not at every
    // message: a request cancelled between its send and its answer can leave its connection,
    // answer still to come, to the next request (WinInet under Wine keeps it for reuse, and the
    // next request on it reads that answer as its own), so a request that answers within its
    // first step is never cut.
    const uint64_t now = GetTickCount64();
    const bool look = now >= nextLook;
    if (look) nextLook = now + kWaitStep;
    if (look && aAbort != nullptr && *aAbort) {
      Cancel();
      return;
    }
    ProcessMessages();
    if (look && CurrentStatus() == erBusy && ReceiveTimeout() > 0 &&
        GetTickCount64() - FLastReceived > static_cast<uint64_t>(ReceiveTimeout())) {
      Cancel();
      return;
    }
  }
  if (FDone) return;
  // The client turns idle on its finalize message, which the platform's thread posts just before
  // the completion message; that one may not have been queued yet. Cancel waits until no
  // notification is being processed, so whatever the request's last notification posts is queued
  // now, and is dispatched here.
  Cancel();
  ProcessMessages();
}

bool ExecuteInternetRequest(const std::u16string& aURL, TStream* aResponse, int32_t aTimeout,
                            TInternetOperation aOperation, const TStringList* aHeaders,
                            TStream& aPostData, int32_t& aStatusCode, const std::atomic<bool>* aAbort) {
  if (aURL.empty() || aTimeout < 1 || (aAbort != nullptr && *aAbort)) return false;
  TOwned<TMyInternet> owned = Create<TMyInternet>();
  TMyInternet& client = *owned;
  client.OnInternetError = [&client](TInternet* aSender, int32_t aError, const std::u16string& aText) {
    client.HandleInternetError(aSender, aError, aText);
  };
  client.OnRequestComplete = [&client](TInternet* Sender) { client.HandleRequestComplete(Sender); };
  client.OnRequestProgressUpdate = [&client](TInternet* Sender, uint32_t aPosition, uint32_t aTotal) {
    client.HandleProgress(Sender, aPosition, aTotal);
  };
  client.Request().SetOperation(aOperation);
  client.Request().SetURL(aURL);
  client.SetReceiveTimeout(aTimeout);
  if (aHeaders != nullptr) {
    for (const std::u16string& line : *aHeaders) client.Request().Headers().push_back(line);
  }
  CopyPostData(aPostData, client.Request().PostStream());

  // Method, address, status, size and duration only: the headers and the body may carry secrets.
  TRequestLog log;
  log.Begin(MethodName(aOperation), aURL);
  try {
    client.Execute(aResponse);
  } catch (...) {
    log.Fail(ExceptionText(std::current_exception()));
    throw;
  }
  client.WaitForRequest(aAbort);

  aStatusCode = client.Response().HTTPMessageCode();
  const bool succeeded =
      aStatusCode == 200 && client.FSuccess && client.CurrentStatus() != erBusy && aResponse->Size() > 0;
  log.SetStatus(aStatusCode);
  log.AddBytes(aResponse->Size());
  if (!succeeded) log.Fail(FailureText(client, aAbort));
  return succeeded;
}

}  // namespace skylaunch
