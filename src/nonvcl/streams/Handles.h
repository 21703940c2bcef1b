#pragma once
// RAII owners of platform handles, so that clean-up also runs when an error passes.
// Closing an empty owner does nothing.
#include <windows.h>

#include <utility>

namespace skylaunch {

template <class Traits>
class TUniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  TUniqueHandle() = default;
  explicit TUniqueHandle(Handle handle) : fHandle(handle) {}
  TUniqueHandle(TUniqueHandle&& other) noexcept : fHandle(other.Release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~TUniqueHandle() { Reset(); }

  Handle Get() const { return fHandle; }
  explicit operator bool() const { return Traits::IsValid(fHandle); }
  Handle Release() { return std::exchange(fHandle, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(fHandle, handle);
    if (Traits::IsValid(old)) Traits::Close(old);
  }
  // For out-parameters of platform calls: releases the current handle first.
  Handle* Put() {
    Reset();
    return &fHandle;
  }

 private:
  Handle fHandle = Traits::Invalid();
};

struct TKernelHandleTraits {  // threads, events, processes; null when absent
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct TFileHandleTraits {  // CreateFileW reports failure as INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct TRegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};
struct TFontTraits {  // a font this program made (never a stock font, which is not deleted)
  using Handle = HFONT;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct TModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

using TKernelHandle = TUniqueHandle<TKernelHandleTraits>;
using TFileHandle = TUniqueHandle<TFileHandleTraits>;
using TRegKey = TUniqueHandle<TRegKeyTraits>;
using TModule = TUniqueHandle<TModuleTraits>;
using TFont = TUniqueHandle<TFontTraits>;

// A COM interface pointer that releases its reference.
template <class I>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() { Reset(); }
  I* Get() const { return fPtr; }
  I* operator->() const { return fPtr; }
  explicit operator bool() const { return fPtr != nullptr; }
  I** Put() {
    Reset();
    return &fPtr;
  }
  void Reset() {
    if (fPtr) std::exchange(fPtr, nullptr)->Release();
  }

 private:
  I* fPtr = nullptr;
};

// Memory the shell hands out (item lists, display names), released with CoTaskMemFree.
template <class T>
class TCoTaskMem {
 public:
  TCoTaskMem() = default;
  TCoTaskMem(const TCoTaskMem&) = delete;
  TCoTaskMem& operator=(const TCoTaskMem&) = delete;
  ~TCoTaskMem() { CoTaskMemFree(fPtr); }
  T Get() const { return fPtr; }
  T* Put() {
    CoTaskMemFree(fPtr);
    fPtr = nullptr;
    return &fPtr;
  }

 private:
  T fPtr = nullptr;
};

}  // namespace skylaunch
