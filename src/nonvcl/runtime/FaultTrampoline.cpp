#include "FaultTrampoline.h"

#include "RuntimeErrors.h"

// The throwing end of a redirected fault: called by the trampoline below with the exception code.
extern "C" [[noreturn]] void skylaunch_raise_os_exception(uint32_t exceptionCode) {
  throw skylaunch::GetExceptionObject(exceptionCode);
}

// skylaunch_fault_entry is where a redirected thread resumes. The faulting instruction's address
// plus one arrives in the dx register and is pushed as the return address of a call that never
// happened: the unwinder looks up "return address - 1", the faulting instruction itself, in the
// faulting function's tables. The code arrives in the cx register (both are scratch registers,
// which the compiler never expects to survive into a landing pad).
//
// skylaunch_fault_trampoline then keeps a frame pointer, so its unwind description holds whatever
// the stack's alignment was at the fault, aligns the stack and calls the throwing function. The
// entry stub needs no unwind description: nothing can be raised while it runs.
#if defined(__x86_64__)
// Windows x64: described with SEH unwind codes, which the unwinder of this target reads.
asm(R"(
    .text
    .p2align 4
    .globl skylaunch_fault_entry
    .def skylaunch_fault_entry; .scl 2; .type 32; .endef
skylaunch_fault_entry:
    pushq %rdx
    jmp skylaunch_fault_trampoline

    .p2align 4
    .def skylaunch_fault_trampoline; .scl 3; .type 32; .endef
    .seh_proc skylaunch_fault_trampoline
skylaunch_fault_trampoline:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    .seh_endprologue
    andq $-16, %rsp
    subq $32, %rsp
    call skylaunch_raise_os_exception
    int3
    .seh_endproc
)");
#elif defined(__i386__)
// Windows x86: described with DWARF call-frame information, which the unwinder of this target
// (dw2) reads. The calling convention is cdecl: the code goes on the stack.
asm(R"(
    .text
    .p2align 4
    .globl _skylaunch_fault_entry
    .def _skylaunch_fault_entry; .scl 2; .type 32; .endef
_skylaunch_fault_entry:
    pushl %edx
    jmp _skylaunch_fault_trampoline

    .p2align 4
    .def _skylaunch_fault_trampoline; .scl 3; .type 32; .endef
_skylaunch_fault_trampoline:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl $-16, %esp
    subl $16, %esp
    movl %ecx, (%esp)
    call _skylaunch_raise_os_exception
    int3
    .cfi_endproc
)");
#else
#error "the fault trampoline exists for x86 and x86-64 only"
#endif

extern "C" void skylaunch_fault_entry();

namespace skylaunch {

uintptr_t InstructionAddress(const CONTEXT& context) {
#if defined(__x86_64__)
  return context.Rip;
#else
  return context.Eip;
#endif
}

void RedirectToThrow(CONTEXT& context, uint32_t exceptionCode) {
  const auto entry = reinterpret_cast<uintptr_t>(&skylaunch_fault_entry);
#if defined(__x86_64__)
  context.Rdx = context.Rip + 1;
  context.Rcx = exceptionCode;
  context.Rip = entry;
#else
  context.Edx = context.Eip + 1;
  context.Ecx = exceptionCode;
  context.Eip = entry;
#endif
}

}  // namespace skylaunch
