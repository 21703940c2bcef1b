#pragma once
// Object instances: small pieces of generated code that a window uses as its window procedure
// and that carry the window's object, so that a message reaches the object without any table
// from window handles to objects.
//
// Instances are carved out of 4096-byte blocks of executable memory. Blocks are kept in a list
// and never released; free instances form a list threaded through their method-code word, and a
// freed instance is the next one handed out.
//
// 32-bit x86 block:                        x86-64 block:
//   0    previous block (4)                   0    previous block (8)
//   4    59         pop ecx                   8    59                pop rcx
//   5    E9 rel32   jmp InstanceWndProc       9    FF 25 00000000    jmp [rip+0]
//                                             15   InstanceWndProc   absolute address (8)
//   10   314 instances of 13 bytes            23   193 instances of 21 bytes
//   4092 unused (4)                           4076 unused (20)
// One instance:
//   0    E8 rel32   call the block's shared code (relative to instance offset 5)
//   5    code of the bound method; while free: address of the next free instance
//   5+P  object of the bound method (P = pointer size)
//
// The call pushes the address of the instance's offset 5 and the shared code pops it into the
// register of the first argument of InstanceWndProc: ECX of a fastcall function on x86 (the
// window manager's four stdcall arguments stay on the stack, and InstanceWndProc pops them),
// RCX on x86-64, where it replaces the window handle (the object knows its window through its
// own field). InstanceWndProc is an ordinary function reached by a jump, so it returns straight
// to the window manager and the stack stays walkable for exception unwinding.
#include <windows.h>

#include <cstddef>

namespace skylaunch {

// The platform's window-message record. On the 32-bit target: four consecutive 32-bit words.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// A bound method: Code is called with Data and the message record.
using TWndMethodCode = void (*)(void* object, TMessage& message) noexcept;
struct TWndMethod {
  TWndMethodCode Code;
  void* Data;
};

namespace object_instance_layout {
constexpr size_t kBlockSize = 4096;
constexpr size_t kSharedCodeOffset = sizeof(void*);
#if defined(__i386__)
constexpr size_t kSharedCodeSize = 6;
#elif defined(__x86_64__)
constexpr size_t kSharedCodeSize = 15;
#else
#error "object instances are written for x86 and x86-64"
#endif
constexpr size_t kFirstInstanceOffset = kSharedCodeOffset + kSharedCodeSize;
constexpr size_t kCallSize = 5;
constexpr size_t kInstanceSize = kCallSize + 2 * sizeof(void*);
constexpr size_t kInstancesPerBlock = (kBlockSize - kFirstInstanceOffset) / kInstanceSize;
}  // namespace object_instance_layout

// An instance that calls `method` when it is called as a window procedure. Raises
// ExceptionLite "Out of memory." when no executable page can be had. Not thread-safe: windows
// are made and destroyed on the thread of the message loop.
WNDPROC MakeObjectInstance(TWndMethod method);

// Puts `instance` back on the free list; null is ignored.
void FreeObjectInstance(WNDPROC instance);

}  // namespace skylaunch
