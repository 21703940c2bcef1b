#include "Thread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ExceptionLite.h"
#include "ExceptionText.h"
#include "Utf.h"

namespace skylaunch {
namespace {

using namespace std::chrono_literals;

// Runs action on a helper thread and tells whether it finished in time; a hang fails the test
// instead of stalling the run.
bool FinishesWithin(std::function<void()> action, std::chrono::seconds limit = 20s) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([action = std::move(action), done] {
    action();
    done->set_value();
  }).detach();
  return finished.wait_for(limit) == std::future_status::ready;
}

// A thread whose body is a function; the log is shared with the test.
class TTestThread : public TThread {
 public:
  TTestThread(bool createSuspended, std::function<void(TTestThread&)> body)
      : TThread(createSuspended), fBody(std::move(body)) {}

  using TThread::ReturnValue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;
  using TThread::Terminated;

  void Log(const std::string& line) {
    std::lock_guard lock(fLogLock);
    fLog.push_back(line);
  }
  std::vector<std::string> LogLines() {
    std::lock_guard lock(fLogLock);
    return fLog;
  }
  std::atomic<bool> Started{false};

  void Terminate() override {
    Log("Terminate");
    TThread::Terminate();
  }

 protected:
  void Execute() override {
    Started = true;
    fBody(*this);
  }

 private:
  std::function<void(TTestThread&)> fBody;
  std::mutex fLogLock;
  std::vector<std::string> fLog;
};

TEST(TThread, CreatedRunningStartsAtOnceCreatedSuspendedWaitsForResume) {
  const int32_t baseline = ThreadCount();
  auto running = Create<TTestThread>(false, [](TTestThread& t) { t.SetReturnValue(42); });
  EXPECT_EQ(ThreadCount(), baseline + 1);
  EXPECT_FALSE(running->Suspended());
  EXPECT_NE(running->Handle(), nullptr);
  EXPECT_NE(running->ThreadID(), 0u);
  EXPECT_EQ(running->WaitFor(), 42u);

  auto waiting = Create<TTestThread>(true, [](TTestThread& t) { t.SetReturnValue(7); });
  EXPECT_TRUE(waiting->Suspended());
  Sleep(50);
  EXPECT_FALSE(waiting->Started);
  waiting->Suspend();  // suspend count 2: the first Resume leaves it suspended
  waiting->Resume();
  EXPECT_TRUE(waiting->Suspended());
  Sleep(50);
  EXPECT_FALSE(waiting->Started);
  waiting->SetSuspended(false);
  EXPECT_FALSE(waiting->Suspended());
  EXPECT_EQ(waiting->WaitFor(), 7u);
  EXPECT_TRUE(waiting->Started);

  running.reset();
  waiting.reset();
  EXPECT_EQ(ThreadCount(), baseline);
}

TEST(TThread, DestroyStartsANeverResumedThreadWhichSkipsExecute) {
  const int32_t baseline = ThreadCount();
  std::atomic<bool> executed{false};
  auto thread = Create<TTestThread>(true, [&](TTestThread&) { executed = true; });
  ASSERT_TRUE(FinishesWithin([&] { thread.reset(); }));
  EXPECT_FALSE(executed);
  EXPECT_EQ(ThreadCount(), baseline);
}

TEST(TThread, DestroyTerminatesARunningThreadThenWaits) {
  std::vector<std::string> log;
  std::mutex logLock;
  class TLoggingThread : public TTestThread {
   public:
    using TTestThread::TTestThread;
    std::function<void()> OnDestroy;

   protected:
    void Destroy() override {
      TTestThread::Destroy();  // waits for the thread
      OnDestroy();
    }
  };
  auto thread = Create<TLoggingThread>(false, [](TTestThread& t) {
    while (!t.Terminated()) Sleep(1);
    t.Log("Execute saw the flag");
  });
  thread->OnDestroy = [&, t = thread.get()] { log = t->LogLines(); };
  while (!thread->Started) Sleep(1);
  ASSERT_TRUE(FinishesWithin([&] { thread.reset(); }));
  EXPECT_EQ(log, (std::vector<std::string>{"Terminate", "Execute saw the flag"}));
}

TEST(TThread, DestroyEndsAThreadStoppedBySuspend) {
  auto thread = Create<TTestThread>(false, [](TTestThread& t) {
    while (!t.Terminated()) Sleep(1);
  });
  while (!thread->Started) Sleep(1);
  thread->Suspend();
  thread->Suspend();
  EXPECT_TRUE(FinishesWithin([&] { thread.reset(); }));
}

TEST(TThread, DestroyWaitsForAThreadStillInDoTerminate) {
  // Execute has returned (the finished flag is set) but DoTerminate still uses the object.
  std::atomic<bool> terminationDone{false};
  class TSlowEnd : public TTestThread {
   public:
    TSlowEnd(std::atomic<bool>* done) : TTestThread(false, [](TTestThread&) {}), fDone(done) {}

   protected:
    void DoTerminate() override {
      Sleep(300);
      TTestThread::DoTerminate();
      *fDone = true;
    }

   private:
    std::atomic<bool>* fDone;
  };
  auto thread = Create<TSlowEnd>(&terminationDone);
  while (!thread->Started) Sleep(1);
  Sleep(100);
  thread.reset();
  EXPECT_TRUE(terminationDone);
}

TEST(TThread, KeepsWhatEscapesExecuteAndCanFreeItself) {
  auto failing = Create<TTestThread>(false, [](TTestThread&) { throw ExceptionLite(u"Broken body."); });
  failing->WaitFor();
  EXPECT_EQ(ExceptionText(failing->FatalException()), u"Broken body.");

  // FreeOnTerminate: the object is released on its own thread when the body returns.
  const int32_t baseline = ThreadCount();
  TKernelHandle released(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  class TSelfFreeing : public TTestThread {
   public:
    TSelfFreeing(HANDLE released) : TTestThread(true, [](TTestThread&) {}), fReleased(released) {}
    ~TSelfFreeing() override { SetEvent(fReleased); }

   private:
    HANDLE fReleased;
  };
  auto owned = Create<TSelfFreeing>(released.Get());
  owned->SetFreeOnTerminate(true);
  owned.release()->Resume();
  ASSERT_EQ(WaitForSingleObject(released.Get(), 20000), WAIT_OBJECT_0);
  while (ThreadCount() != baseline) Sleep(1);  // the count drops just before the object goes
}

TEST(TThread, SynchronizeRunsOnTheMainThreadWhileItWaits) {
  std::vector<uint32_t> ranOn;
  std::string secondWorker;
  auto throwing = Create<TTestThread>(false, [&](TTestThread& t) {
    try {
      t.Synchronize([] { throw ExceptionLite(u"Raised on the main thread."); });
      t.Log("no exception");
    } catch (const ExceptionLite& e) {
      t.Log(ToUtf8(e.Message()));
    }
  });
  auto recording = Create<TTestThread>(false, [&](TTestThread& t) {
    t.Synchronize([&] { ranOn.push_back(GetCurrentThreadId()); });
    t.Synchronize([&] { ranOn.push_back(GetCurrentThreadId()); });
  });
  throwing->WaitFor();
  recording->WaitFor();
  EXPECT_EQ(throwing->LogLines(), std::vector<std::string>{"Raised on the main thread."});
  EXPECT_EQ(ranOn, (std::vector<uint32_t>{MainThreadID(), MainThreadID()}));
  EXPECT_FALSE(SyncPending());
  EXPECT_EQ(SyncQueue()->Count(), 0);

  // On the main thread the call is direct and queues nothing.
  bool direct = false;
  throwing->Synchronize([&] { direct = SyncQueue()->Count() == 0 && !SyncPending(); });
  EXPECT_TRUE(direct);
}

TEST(TThread, OnTerminateRunsOnTheMainThread) {
  auto thread = Create<TTestThread>(true, [](TTestThread&) {});
  uint32_t ranOn = 0;
  TObject* sender = nullptr;
  thread->SetOnTerminate([&](TObject* s) {
    ranOn = GetCurrentThreadId();
    sender = s;
  });
  thread->Resume();
  thread->WaitFor();
  EXPECT_EQ(ranOn, MainThreadID());
  EXPECT_EQ(sender, thread.get());
}

TEST(TThread, CheckSynchronizationBelongsToTheMainThread) {
  EXPECT_FALSE(CheckSynchronization());
  auto thread = Create<TTestThread>(false, [](TTestThread& t) {
    try {
      CheckSynchronization();
      t.Log("no exception");
    } catch (const ExceptionLite& e) {
      t.Log(ToUtf8(e.Message()));
    }
  });
  thread->WaitFor();
  EXPECT_EQ(thread->LogLines(), std::vector<std::string>{"Error in check synchronization thread."});
}

LRESULT CALLBACK AnsweringWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    *reinterpret_cast<uint32_t*>(lParam) = GetCurrentThreadId();
    return 7;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(TThread, WaitForDeliversMessagesThatWorkersSend) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = AnsweringWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"SkylaunchThreadTestWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  uint32_t handledOn = 0;
  LRESULT answer = 0;
  auto sender = Create<TTestThread>(false, [&](TTestThread&) {
    answer = SendMessageW(window, WM_APP, 0, reinterpret_cast<LPARAM>(&handledOn));
  });
  sender->WaitFor();  // would never return if sent messages were not delivered meanwhile
  EXPECT_EQ(answer, 7);
  EXPECT_EQ(handledOn, MainThreadID());
  DestroyWindow(window);
}

TEST(TThread, ReadsBackEveryPriorityItSets) {
  auto thread = Create<TTestThread>(true, [](TTestThread&) {});
  for (TThreadPriority priority :
       {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical}) {
    thread->SetPriority(priority);
    EXPECT_EQ(thread->Priority(), priority);
    EXPECT_EQ(GetThreadPriority(thread->Handle()), PriorityValues[priority]);
  }
}

TEST(TThread, ThreadsMayBeCreatedAndAwaitedOnWorkers) {
  const int32_t baseline = ThreadCount();
  int32_t countInside = 0;
  auto outer = Create<TTestThread>(false, [&](TTestThread&) {
    auto inner = Create<TTestThread>(false, [](TTestThread& t) { t.SetReturnValue(5); });
    countInside = ThreadCount();
    if (inner->WaitFor() != 5) throw ExceptionLite(u"wrong exit code");
  });
  outer->WaitFor();
  EXPECT_EQ(outer->FatalException(), nullptr);
  EXPECT_EQ(countInside, baseline + 2);
  outer.reset();
  EXPECT_EQ(ThreadCount(), baseline);
}

}  // namespace
}  // namespace skylaunch
