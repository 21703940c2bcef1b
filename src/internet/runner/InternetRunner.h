#pragma once
// ExecuteInternetRequest: one HTTP request run to its end on the calling thread, for callers that
// have no message loop of their own to wait in (the bearer-token client on the download worker).
// It drives an asynchronous client (TMyInternet) and waits for the client's messages, dispatching
// only those as they arrive; messages for the thread's other windows wait until the call returns.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "Stream.h"
#include "orbInternet.h"

namespace skylaunch {

// An asynchronous client that records how its request ended.
class TMyInternet : public TInternet {
 public:
  // An OnInternetError handler: the request has ended.
  void HandleInternetError(TInternet* aSender, int32_t aInternetError,
                           const std::u16string& aInternetErrorString);
  // An OnRequestComplete handler: the request has ended, and it succeeded unless its headers were not
  // read or its status line contains "404".
  void HandleRequestComplete(TInternet* Sender);
  // An OnRequestProgressUpdate handler: part of the body has arrived.
  void HandleProgress(TInternet* Sender, uint32_t aPosition, uint32_t aTotal);

  // Takes the next message for the internal window from this thread's queue, if there is one, and
  // dispatches it.
  bool PumpMessage(MSG& aMsg);
  // Dispatches the internal window's messages until none is left.
  void ProcessMessages();
  // Waits for the request to end: while the client is busy, dispatches the internal window's
  // messages as they arrive, and every 100 ms takes a look at the stop request and the time-out.
  // A completion that the platform's thread had not yet posted when the client turned idle is
  // handled before this returns. A stop request (`aAbort`, when given) abandons the request at the
  // next look, and so does a request that has received nothing for ReceiveTimeout milliseconds: not
  // every WinInet ends an asynchronous request at its receive time-out (under Wine a stalled token
  // request ran on for 45 s with 20 s set).
  void WaitForRequest(const std::atomic<bool>* aAbort = nullptr);

  bool FSuccess{false};  // completed, and the status line does not contain "404"
  bool FDone{false};     // ended, by completion or by error
  uint64_t FLastReceived{0};  // when the request was handed over or last received a part of its body
  std::u16string FFailure;    // "error <code> (<text>)" of the error that ended the request, if any
};

// Runs one request and returns whether it succeeded: status code 200, completed without "404" in
// its status line, and a body of at least one byte.
//   aURL        absolute http or https URL; empty: false at once, nothing sent, aStatusCode untouched
//   aResponse   receives the body at its current position (callers pass an empty stream); left at
//               position 0 when the request completes
//   aTimeout    receive time-out in ms; below 1: false at once, as for an empty URL
//   aHeaders    request header lines without line ends; may be null
//   aPostData   the body bytes, sent from position 0; empty: no body (and no "Content-Type: " line)
//   aStatusCode the response's status code, 0 when none was read
//   aAbort      a stop request that another thread may set: when set before the request, nothing is
//               sent; while it runs, the request is abandoned within one wait step. False then.
// Failures before the request is handed to the platform raise the client's EInternetException
// ("Stream parameter was nil." for a null aResponse, the invalid-URL message, …); aStatusCode is
// then untouched.
bool ExecuteInternetRequest(const std::u16string& aURL, TStream* aResponse, int32_t aTimeout,
                            TInternetOperation aOperation, const TStringList* aHeaders,
                            TStream& aPostData, int32_t& aStatusCode,
                            const std::atomic<bool>* aAbort = nullptr);

}  // namespace skylaunch
