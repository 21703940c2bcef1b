#include "ClientTestSupport.h"

#include <gtest/gtest.h>

#include "Utf.h"
#include "libstate_lock.h"
#include "local_services.h"
#include "orbInternetList.h"

namespace skylaunch::testing {
namespace {

// The start-up and shutdown steps that the program runs around its life.
class TClientModuleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    InitializeLibState();
    InitializeOrbInternet();
  }
  void TearDown() override {
    FinalizeOrbInternet();
    FinalizeLibState();
  }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new TClientModuleEnvironment);

}  // namespace

void TClientEvents::Attach(TInternet& client) {
  client.OnStatusChange = [this](TInternet*, TExecuteStatus status) {
    Sequence.push_back("status:" + ToUtf8(ExecuteStatusToString(status)));
  };
  client.OnRequestProgressUpdate = [this](TInternet*, uint32_t position, uint32_t total) {
    Sequence.push_back("progress:" + std::to_string(position) + "/" + std::to_string(total));
    Progress.emplace_back(position, total);
  };
  client.OnInternetError = [this](TInternet*, int32_t code, const std::u16string& text) {
    Sequence.push_back("error:" + std::to_string(code));
    ErrorCodes.push_back(code);
    Errors.push_back(ToUtf8(text));
  };
  client.OnRequestComplete = [this](TInternet* sender) {
    Sequence.push_back("complete");
    ++Completions;
    IdleAtCompletion = sender->CurrentStatus() == erOK;
  };
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void PumpFor(std::chrono::milliseconds period) {
  PumpUntil([] { return false; }, period);
}

bool RunToEnd(TInternet& client, TClientEvents& events, std::chrono::milliseconds timeout) {
  const bool ended = PumpUntil([&] { return client.CurrentStatus() == erOK && events.Ended(); }, timeout);
  PumpFor(std::chrono::milliseconds(100));
  return ended;
}

std::u16string FilesURL(const std::u16string& path) { return local_services::kFilesURL + path; }

}  // namespace skylaunch::testing
