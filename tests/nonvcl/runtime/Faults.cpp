#include "Faults.h"

namespace skylaunch::testing {

std::atomic<int> UnwoundFrames{0};

namespace {

struct TUnwindCounter {
  ~TUnwindCounter() { ++UnwoundFrames; }
};

// Read through volatile variables so that the compiler cannot see the fault coming (it would
// replace a known one by a trap of its own, outside the exception tables).
volatile int Zero = 0;
int* volatile NullPointer = nullptr;
const int ReadOnlyValue = 1;
int* volatile ReadOnlyPointer = const_cast<int*>(&ReadOnlyValue);

}  // namespace

// Instructions that the compiler never emits itself, with the unwind description the unwinder
// of each target reads.
#if defined(__x86_64__)
asm(R"(
    .text
    .globl skylaunch_test_hlt
    .def skylaunch_test_hlt; .scl 2; .type 32; .endef
    .seh_proc skylaunch_test_hlt
skylaunch_test_hlt:
    .seh_endprologue
    hlt
    ret
    .seh_endproc
    .globl skylaunch_test_ud2
    .def skylaunch_test_ud2; .scl 2; .type 32; .endef
    .seh_proc skylaunch_test_ud2
skylaunch_test_ud2:
    .seh_endprologue
    ud2
    ret
    .seh_endproc
)");
#else
asm(R"(
    .text
    .globl _skylaunch_test_hlt
_skylaunch_test_hlt:
    .cfi_startproc
    hlt
    ret
    .cfi_endproc
    .globl _skylaunch_test_ud2
_skylaunch_test_ud2:
    .cfi_startproc
    ud2
    ret
    .cfi_endproc
)");
#endif
extern "C" void skylaunch_test_hlt();
extern "C" void skylaunch_test_ud2();

__attribute__((noinline)) void DivideByZero() {
  TUnwindCounter counter;
  Zero = 10 / Zero;
}

__attribute__((noinline)) void ReadThroughNull() {
  TUnwindCounter counter;
  Zero = *NullPointer;
}

__attribute__((noinline)) void WriteToReadOnlyPage() {
  TUnwindCounter counter;
  *ReadOnlyPointer = 2;
}

__attribute__((noinline)) void ExecutePrivileged() {
  TUnwindCounter counter;
  skylaunch_test_hlt();
}

__attribute__((noinline)) void ExecuteIllegal() {
  TUnwindCounter counter;
  skylaunch_test_ud2();
}

}  // namespace skylaunch::testing
