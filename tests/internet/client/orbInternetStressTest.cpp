// The asynchronous client under load: many requests in a row on one client, clients made,
// started, cancelled and destroyed while the server is still answering, and requests finalized
// while the platform's thread is writing their body.
#include "orbInternet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "ClientTestSupport.h"
#include "Handles.h"
#include "ServiceControl.h"
#include "WinInetHandles.h"

namespace {

using namespace skylaunch;
using namespace skylaunch::testing;
using namespace std::chrono_literals;
using ::testing::IsEmpty;
using ::testing::SizeIs;

TEST(ClientStress, TwoHundredRequestsInARow) {
  TServiceScenario scenario(
      R"({"faults": [{"origin": "files", "path": "/echo", "body": "answer", "content_type": "text/plain"}]})");
  auto client = Create<TInternet>();
  int failures = 0;
  for (int i = 0; i < 200; ++i) {
    TClientEvents events;
    events.Attach(*client);
    client->Request().SetOperation(i % 2 == 0 ? ioGET : ioPOST);
    client->Request().Headers().push_back(u"X-Request: " + std::u16string(1, char16_t(u'a' + i % 26)));
    TMemoryStream body;
    client->Execute(&body, FilesURL(u"/echo"));
    const bool ended = RunToEnd(*client, events, 30s);
    if (!ended || events.Completions != 1 || !events.ErrorCodes.empty() || body.Bytes() != "answer") {
      ADD_FAILURE() << "request " << i << " ended " << ended << " with " << events.Completions << " completions, "
                    << events.ErrorCodes.size() << " errors, body '" << body.Bytes() << "'";
      if (++failures == 5) break;
    }
  }
  EXPECT_THAT(scenario.Control().Requests("files"), SizeIs(200));
}

// Events of clients that no longer exist.
std::atomic<int> gEventsOfDestroyedClients{0};

// Every event of `client` checks that the client is still alive.
void WatchEvents(TInternet& client, const std::shared_ptr<bool>& alive) {
  const auto check = [alive] {
    if (!*alive) ++gEventsOfDestroyedClients;
  };
  client.OnStatusChange = [check](TInternet*, TExecuteStatus) { check(); };
  client.OnRequestProgressUpdate = [check](TInternet*, uint32_t, uint32_t) { check(); };
  client.OnInternetError = [check](TInternet*, int32_t, const std::u16string&) { check(); };
  client.OnRequestComplete = [check](TInternet*) { check(); };
}

// The platform hands out handles from the lowest free slot, so after `n` more allocations the
// highest slot in use is about the number held plus n. That estimates the number held where the
// platform cannot count them (this one answers 0 to GetProcessHandleCount), and it covers WinInet's
// own handles, which no system count includes.
template <class Handle, class Allocate>
long HandlesHeld(Allocate allocate, uintptr_t slotSize) {
  constexpr size_t kProbes = 256;
  std::vector<Handle> probes;
  uintptr_t highest = 0;
  for (size_t i = 0; i < kProbes; ++i) {
    probes.emplace_back(allocate());
    highest = std::max(highest, reinterpret_cast<uintptr_t>(probes.back().Get()));
  }
  return static_cast<long>(highest / slotSize) - static_cast<long>(kProbes);
}

long KernelHandlesHeld() {
  return HandlesHeld<TKernelHandle>([] { return TKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)); }, 4);
}

long InternetHandlesHeld() {
  return HandlesHeld<TInternetHandle>(
      [] { return TInternetHandle(InternetOpenW(L"census", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)); }, 1);
}

// Makes a client, starts a request on the slow server, lets it run a moment, cancels it (or not:
// destruction cancels too) and destroys the client.
void Cycle(int i) {
  auto alive = std::make_shared<bool>(true);
  auto client = Create<TInternet>();
  WatchEvents(*client, alive);
  client->SetOrbUpdateFixEnabled(i % 4 == 3);
  client->SetAutoDisconnect(i % 2 == 0);
  TMemoryStream body;
  // Half of the requests wait for their headers, half are cut off while the body trickles in.
  client->Execute(&body, FilesURL(i % 2 == 0 ? u"/slow-headers" : u"/slow-body"));
  PumpFor(std::chrono::milliseconds(5 + (i % 5) * 20));
  if (i % 3 != 0) client->Cancel();
  // From here on nothing may fire: messages still queued die with the window.
  *alive = false;
  client.reset();
}

TEST(ClientStress, CreateExecuteCancelDestroyAgainstASlowServer) {
  TServiceScenario scenario(R"({"faults": [
      {"origin": "files", "path": "/slow-headers", "body": "late", "delay_headers": 0.5},
      {"origin": "files", "path": "/slow-body", "body": ")" +
                            std::string(20000, 's') + R"(", "piece_size": 1000, "delay_body": 0.02}]})");
  // The platform's own threads and handles settle during the first cycles.
  for (int i = 0; i < 10; ++i) Cycle(i);
  PumpFor(1500ms);
  const long kernelBefore = KernelHandlesHeld();
  const long internetBefore = InternetHandlesHeld();
  for (int i = 0; i < 100; ++i) Cycle(i);
  // The platform finishes the abandoned requests once the server answers them.
  PumpFor(2500ms);
  const long kernelAfter = KernelHandlesHeld();
  const long internetAfter = InternetHandlesHeld();
  EXPECT_EQ(0, gEventsOfDestroyedClients.load());
  // A handle left behind per cycle would show as 100 or more.
  EXPECT_LT(kernelAfter - kernelBefore, 30) << kernelBefore << " kernel handles before, " << kernelAfter << " after";
  EXPECT_LT(internetAfter - internetBefore, 30)
      << internetBefore << " WinInet handles before, " << internetAfter << " after";
}

// A body stream whose first write signals `entered` and then takes a while, so that the creating
// thread can finalize the request while the platform's thread is inside the write.
class TSlowFirstWrite : public TMemoryStream {
 public:
  explicit TSlowFirstWrite(HANDLE entered) : fEntered(entered) {}

  size_t Write(const void* data, size_t count) override {
    if (!fSignalled.exchange(true)) {
      SetEvent(fEntered);
      Sleep(100);
    }
    return TMemoryStream::Write(data, count);
  }

 private:
  HANDLE fEntered;
  std::atomic<bool> fSignalled{false};
};

// A finalize message handled while a completion writes the body (a left-over one, or the end of a
// request that failed meanwhile) must not pull the stream or the handles from under that write;
// the stream is gone as soon as the request has ended.
TEST(ClientStress, FinalizeWhileTheBodyIsBeingWritten) {
  TServiceScenario scenario(R"({"faults": [{"origin": "files", "path": "/body", "body": ")" +
                            std::string(60000, 'b') + R"(", "piece_size": 2000, "delay_body": 0.01}]})");
  const TKernelHandle entered(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  for (int i = 0; i < 20; ++i) {
    auto client = Create<TInternet>();
    TClientEvents events;
    events.Attach(*client);
    auto body = std::make_unique<TSlowFirstWrite>(entered.Get());
    client->Execute(body.get(), FilesURL(u"/body"));
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(entered.Get(), 0) == WAIT_OBJECT_0; }, 10s)) << i;
    SendMessageW(client->WindowHandle(), WM_INTERNET_FINALIZE, 0, 0);
    EXPECT_EQ(erOK, client->CurrentStatus()) << i;
    body.reset();
    PumpFor(50ms);
    EXPECT_EQ(0, events.Completions) << i;
    client.reset();
  }
}

}  // namespace
