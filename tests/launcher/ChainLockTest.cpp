#include "ChainLock.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <string>

#include "Handles.h"
#include "RunLogText.h"

namespace skylaunch {
namespace {

// Threads stand in for the launchers' processes: the lock belongs to the thread that took it. The
// objects' names are the test's own, so that no launcher on the machine is in the way.
const std::u16string kPrefix = u"Local\\SkylaunchChainLockTest." + DecimalText(GetCurrentProcessId()) + u".";

// A start on a thread of its own that ends with the thread; whether it was turned away.
bool TurnedAway(bool handOverCopy) {
  const auto start = [handOverCopy] { return TChainLock(handOverCopy, kPrefix).AnotherChainRuns(); };
  return std::async(std::launch::async, start).get();
}

TEST(ChainLock, TheCopyTakesOverWithNoGapForAnotherStart) {
  auto starter = std::make_unique<TChainLock>(false, kPrefix);
  ASSERT_FALSE(starter->AnotherChainRuns());
  EXPECT_TRUE(TurnedAway(true));  // "/WebInstall" with no hand-over on offer is like any other start
  auto handOver = std::make_unique<THandOver>(kPrefix);
  // Stands in for the copy's process, which does not end.
  const TKernelHandle copyProcess(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::promise<void> release;
  auto copy = std::async(std::launch::async, [&] {
    const TChainLock lock(true, kPrefix);
    release.get_future().wait();
    return lock.AnotherChainRuns();
  });
  ASSERT_TRUE(handOver->AwaitCopy(copyProcess.Get(), 10000));
  handOver.reset();
  starter.reset();
  // The copy owns the lock now; the one ticket was its own.
  EXPECT_TRUE(TurnedAway(false));
  EXPECT_TRUE(TurnedAway(true));
  release.set_value();
  EXPECT_FALSE(copy.get());

  // A copy that ended before it asked for the lock is not waited for.
  const TKernelHandle ended(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  EXPECT_FALSE(THandOver(kPrefix).AwaitCopy(ended.Get(), 10000));
}

TEST(ChainLock, ALockThatNoLauncherMadeKeepsNoStartOut) {
  // Made first by a process of another owner, and held.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:WDD:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const std::u16string name = kPrefix + u"Squatted.Chain";
  const TKernelHandle squatter(CreateMutexW(&attributes, TRUE, reinterpret_cast<const wchar_t*>(name.c_str())));
  LocalFree(descriptor);
  ASSERT_TRUE(squatter);
  const auto start = [] { return TChainLock(false, kPrefix + u"Squatted.").AnotherChainRuns(); };
  EXPECT_FALSE(std::async(std::launch::async, start).get());
}

}  // namespace
}  // namespace skylaunch
