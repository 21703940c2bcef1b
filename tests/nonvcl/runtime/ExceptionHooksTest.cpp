#include "ExceptionHooks.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ExceptionLite.h"
#include "ExceptionText.h"
#include "Faults.h"
#include "Handles.h"
#include "Thread.h"
#include "Utf.h"

namespace skylaunch {
namespace {

using testing::UnwoundFrames;

const struct TFaultCase {
  const char* what;
  void (*fault)();
  const char16_t* message;
} FaultCases[] = {
    {"integer division by zero", testing::DivideByZero, u"Integer division by zero."},
    {"read through null", testing::ReadThroughNull, u"Access violoation."},
    {"write to a read-only page", testing::WriteToReadOnlyPage, u"Access violoation."},
    {"privileged instruction", testing::ExecutePrivileged, u"Priveledged instruction."},
    {"code outside the table", testing::ExecuteIllegal, u"External exception."},
};

TEST(ExceptionHooks, FaultsOnTheMainThreadAreCaughtAsExceptionLite) {
  for (int round = 0; round < 2; ++round) {
    for (const auto& c : FaultCases) {
      const int unwound = UnwoundFrames;
      try {
        c.fault();
        ADD_FAILURE() << c.what << ": no exception";
      } catch (const ExceptionLite& e) {
        EXPECT_EQ(ToUtf8(e.Message()), ToUtf8(c.message)) << c.what;
      }
      EXPECT_EQ(UnwoundFrames, unwound + 1) << c.what << ": the faulting frame was not unwound";
    }
  }
}

class TFaultingThread : public TThread {
 public:
  explicit TFaultingThread(void (*fault)()) : TThread(false), fFault(fault) {}

 protected:
  void Execute() override { fFault(); }

 private:
  void (*fFault)();
};

TEST(ExceptionHooks, FaultsOnWorkersEndTheirBodyAsExceptionLite) {
  for (const auto& c : FaultCases) {
    auto thread = Create<TFaultingThread>(c.fault);
    thread->WaitFor();
    EXPECT_EQ(ToUtf8(ExceptionText(thread->FatalException())), ToUtf8(c.message)) << c.what;
  }
}

TEST(ExceptionHooks, MemoryExhaustionRaisesOutOfMemory) {
  for (int round = 0; round < 2; ++round) {
    try {
      void* block = ::operator new(SIZE_MAX / 2);
      ::operator delete(block);
      ADD_FAILURE() << "the allocation succeeded";
    } catch (const ExceptionLite& e) {
      EXPECT_EQ(ToUtf8(e.Message()), "Out of memory.");
    }
  }
}

// A run of the helper program nonvcl_runtime_child, whose "Error" box this test answers.
struct TChildRun {
  DWORD exitCode = STILL_ACTIVE;
  std::wstring boxText;
  bool shutdownRan = false;
};

struct TBoxSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindErrorBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TBoxSearch*>(parameter);
  wchar_t className[16]{};
  wchar_t caption[16]{};
  DWORD processId = 0;
  GetClassNameW(window, className, 16);
  GetWindowTextW(window, caption, 16);
  GetWindowThreadProcessId(window, &processId);
  if (processId == search->processId && std::wstring(className) == L"#32770" &&
      std::wstring(caption) == L"Error" && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

TChildRun RunChild(const std::wstring& mode) {
  wchar_t self[MAX_PATH]{};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  folder.erase(folder.find_last_of(L'\\') + 1);
  const std::wstring marker = folder + L"runtime_child_" + mode + L".done";
  DeleteFileW(marker.c_str());
  std::wstring commandLine =
      L"\"" + folder + L"nonvcl_runtime_child.exe\" " + mode + L" \"" + marker + L"\"";

  TChildRun run;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "cannot start the helper program, error " << GetLastError();
    return run;
  }
  TKernelHandle process(info.hProcess);
  TKernelHandle thread(info.hThread);
  for (int i = 0; i < 1000 && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT; ++i) {
    TBoxSearch search{info.dwProcessId, nullptr};
    EnumWindows(FindErrorBox, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      wchar_t text[512]{};
      GetDlgItemTextW(search.found, 0xFFFF, text, 512);
      run.boxText = text;
      PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(search.found, IDOK)));
      break;
    }
    Sleep(20);
  }
  if (WaitForSingleObject(process.Get(), 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 99);
    ADD_FAILURE() << "the helper program did not end";
  }
  GetExitCodeProcess(process.Get(), &run.exitCode);
  run.shutdownRan = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
  DeleteFileW(marker.c_str());
  return run;
}

TEST(ExceptionHooks, WhatNothingCatchesIsShownAndEndsTheProcessWithExitCode1) {
  const struct {
    const wchar_t* mode;
    const wchar_t* boxText;
  } cases[] = {
      {L"throw", L"Nobody catches this."},
      {L"throw-other", L"Unknown exception occurred."},
      {L"fault", L"Integer division by zero."},
      {L"raise", L"External exception."},
      {L"worker-raise", L"External exception."},
  };
  for (const auto& c : cases) {
    const TChildRun run = RunChild(c.mode);
    EXPECT_EQ(run.boxText, c.boxText) << ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(c.mode)));
    EXPECT_EQ(run.exitCode, 1u) << ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(c.mode)));
    EXPECT_TRUE(run.shutdownRan) << ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(c.mode)));
  }
  const TChildRun normal = RunChild(L"return");
  EXPECT_EQ(normal.boxText, L"");
  EXPECT_EQ(normal.exitCode, 0u);
  EXPECT_TRUE(normal.shutdownRan);
}

}  // namespace
}  // namespace skylaunch
