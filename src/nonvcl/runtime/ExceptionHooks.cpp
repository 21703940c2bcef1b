#include "ExceptionHooks.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "FaultTrampoline.h"
#include "RunLog.h"
#include "RuntimeErrors.h"
#include "SystemUtils.h"

namespace skylaunch {
namespace {

// The address range of this program's image: only faults of its own instructions are converted.
struct TImageRange {
  uintptr_t first = 0;
  uintptr_t end = 0;
  bool Contains(uintptr_t address) const { return address >= first && address < end; }
};
TImageRange OwnImage;

LPTOP_LEVEL_EXCEPTION_FILTER PreviousTopLevelFilter = nullptr;
std::atomic<bool> ReportingOutOfMemory{false};

TImageRange ImageOf(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(address), &module);
  const auto base = reinterpret_cast<uintptr_t>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return {base, base + nt->OptionalHeader.SizeOfImage};
}

bool IsErrorSeverity(DWORD code) { return (code & 0xC0000000u) == 0xC0000000u; }

// The exceptions by which this target's C++ runtime throws and unwinds ("GCC" in the low bytes).
bool IsCxxRuntimeException(DWORD code) { return (code & 0x00FFFFFFu) == 0x00474343u; }

// First in line for every exception of every thread. Runs inside the exception dispatch, so it
// only inspects and edits the context: no allocation, no locks.
LONG CALLBACK ConvertFault(EXCEPTION_POINTERS* pointers) {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  CONTEXT& context = *pointers->ContextRecord;
  if (!IsErrorSeverity(code) || !OwnImage.Contains(InstructionAddress(context))) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  RedirectToThrow(context, code);
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Reached by an operating-system exception that no handler took.
LONG WINAPI TopLevelFilter(EXCEPTION_POINTERS* pointers) {
  const DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (IsCxxRuntimeException(code)) {
    // The C++ runtime's own unhandled throw: the start-up code's filter lets it return to the
    // runtime, which then calls the terminate handler below.
    return PreviousTopLevelFilter ? PreviousTopLevelFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
  }
  UnhandledExceptionHandler(std::make_exception_ptr(GetExceptionObject(code)));
}

[[noreturn]] void TerminateHandler() { UnhandledExceptionHandler(std::current_exception()); }

void OutOfMemoryHandler() {
  // Making the exception needs a little memory too; when even that fails, fall back to the
  // standard report instead of recursing.
  if (ReportingOutOfMemory.exchange(true)) throw std::bad_alloc();
  struct TReset {
    ~TReset() { ReportingOutOfMemory = false; }
  } reset;
  RuntimeErrorHandler(reOutOfMemory);
}

BOOL CALLBACK InstallOnce(INIT_ONCE*, void*, void**) {
  OwnImage = ImageOf(reinterpret_cast<const void*>(&ConvertFault));
  AddVectoredExceptionHandler(1, ConvertFault);
  PreviousTopLevelFilter = SetUnhandledExceptionFilter(TopLevelFilter);
  std::set_terminate(TerminateHandler);
  std::set_new_handler(OutOfMemoryHandler);
  return TRUE;
}

}  // namespace

void InstallExceptionHooks() {
  static INIT_ONCE installed = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(&installed, InstallOnce, nullptr, nullptr);
}

void UnhandledExceptionHandler(const std::exception_ptr& E) {
  ShowException(E);
  RunLogExit(1, u"after an error that nothing caught");
  std::exit(1);
}

}  // namespace skylaunch
