#pragma once
// Shared by the asynchronous client's Wine tests: the module start-up around every test program,
// a record of the events a client fires, and a message pump that waits for a request to end.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "orbInternet.h"

namespace skylaunch::testing {

// Everything a client fired, in order, as short texts ("status:Request Complete",
// "progress:9/10", "error:12029", "complete"), with the details kept beside.
struct TClientEvents {
  std::vector<std::string> Sequence;
  std::vector<std::string> Errors;  // the error texts, UTF-8
  std::vector<int32_t> ErrorCodes;
  std::vector<std::pair<uint32_t, uint32_t>> Progress;
  int Completions = 0;
  // The client's state when OnRequestComplete fired.
  bool IdleAtCompletion = false;

  bool Ended() const { return Completions > 0 || !ErrorCodes.empty(); }
  // Connects the events of `client` to this record.
  void Attach(TInternet& client);
};

// Dispatches this thread's messages until `done` holds or `timeout` has passed; true when done.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Dispatches this thread's messages for `period`.
void PumpFor(std::chrono::milliseconds period);

// Runs the request of `client` to its end: until it is idle and has fired OnRequestComplete or
// OnInternetError, then a little longer so that the last status messages arrive.
bool RunToEnd(TInternet& client, TClientEvents& events, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// The URL of `path` on the local file origin.
std::u16string FilesURL(const std::u16string& path);

}  // namespace skylaunch::testing
