#include "ObjectInstance.h"

#include <cstdint>
#include <cstring>

#include "ExceptionLite.h"

namespace skylaunch {
namespace {

using namespace object_instance_layout;

// The layouts drawn in the header.
#if defined(__i386__)
static_assert(kFirstInstanceOffset == 10 && kInstanceSize == 13 && kInstancesPerBlock == 314);
static_assert(sizeof(TMessage) == 16);
#else
static_assert(kFirstInstanceOffset == 23 && kInstanceSize == 21 && kInstancesPerBlock == 193);
#endif
static_assert(kFirstInstanceOffset + kInstancesPerBlock * kInstanceSize <= kBlockSize);

// Process-wide, without a lock: only the thread of the message loop makes and frees instances.
// The block list keeps every block reachable; blocks are never released.
std::byte* InstBlockList = nullptr;
std::byte* InstFreeList = nullptr;

template <class T>
T ReadAt(const std::byte* at) {
  T value;
  std::memcpy(&value, at, sizeof(T));
  return value;
}

template <class T>
void WriteAt(std::byte* at, T value) {
  std::memcpy(at, &value, sizeof(T));
}

// The window manager's call arrives here through an instance; `method` is the instance's offset
// 5 (bound code, then object). The record lives on this stack, so dispatch allocates nothing.
#if defined(__i386__)
LRESULT __attribute__((fastcall))
InstanceWndProc(const std::byte* method, void* /*edx*/, HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
#else
LRESULT InstanceWndProc(const std::byte* method, UINT msg, WPARAM wParam, LPARAM lParam) {
#endif
  TMessage message{msg, wParam, lParam, 0};
  const auto code = ReadAt<TWndMethodCode>(method);
  code(ReadAt<void*>(method + sizeof(void*)), message);
  return message.Result;
}

// rel32 operand of a call or jump at `end` - 4 that lands on `target`. Within one 4096-byte block
// it always fits; on x86 the whole address space does.
int32_t Displacement(const void* target, const std::byte* end) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(target) - reinterpret_cast<intptr_t>(end));
}

void WriteSharedCode(std::byte* block) {
  std::byte* code = block + kSharedCodeOffset;
  const auto target = reinterpret_cast<const void*>(&InstanceWndProc);
  code[0] = std::byte{0x59};  // pop ecx / pop rcx
#if defined(__i386__)
  code[1] = std::byte{0xE9};  // jmp rel32
  WriteAt(code + 2, Displacement(target, code + 6));
#else
  code[1] = std::byte{0xFF};  // jmp qword ptr [rip+0]: the page may lie beyond rel32 reach
  code[2] = std::byte{0x25};
  WriteAt(code + 3, int32_t{0});
  WriteAt(code + 7, target);
#endif
}

// Takes a new block, links it in front of the block list and pushes its instances, from the first
// to the last, on the free list, so the last one comes out first.
void AddBlock() {
  auto* block = static_cast<std::byte*>(
      VirtualAlloc(nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  if (block == nullptr) throw ExceptionLite(u"Out of memory.");
  WriteAt(block, InstBlockList);
  InstBlockList = block;
  WriteSharedCode(block);
  for (size_t i = 0; i < kInstancesPerBlock; ++i) {
    std::byte* instance = block + kFirstInstanceOffset + i * kInstanceSize;
    instance[0] = std::byte{0xE8};  // call rel32
    WriteAt(instance + 1, Displacement(block + kSharedCodeOffset, instance + kCallSize));
    WriteAt(instance + kCallSize, InstFreeList);
    InstFreeList = instance;
  }
  // Only the calls and the shared code are instructions; the words that MakeObjectInstance
  // writes later are data.
  FlushInstructionCache(GetCurrentProcess(), block, kBlockSize);
}

}  // namespace

WNDPROC MakeObjectInstance(TWndMethod method) {
  if (InstFreeList == nullptr) AddBlock();
  std::byte* instance = InstFreeList;
  InstFreeList = ReadAt<std::byte*>(instance + kCallSize);
  WriteAt(instance + kCallSize, method.Code);
  WriteAt(instance + kCallSize + sizeof(void*), method.Data);
  return reinterpret_cast<WNDPROC>(instance);
}

void FreeObjectInstance(WNDPROC instance) {
  if (instance == nullptr) return;
  auto* bytes = reinterpret_cast<std::byte*>(instance);
  WriteAt(bytes + kCallSize, InstFreeList);
  InstFreeList = bytes;
}

}  // namespace skylaunch
