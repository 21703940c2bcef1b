#include "libstate.h"

#include <algorithm>
#include <exception>
#include <string>

#include "ExceptionLite.h"
#include "WinText.h"
#include "libstate_key.h"
#include "libstate_loader.h"

namespace skylaunch {
namespace {

// The 8-bit export name for GetProcAddress. False for a name that no export can carry: an
// embedded U+0000 would cut it short, and a character outside the ANSI code page would turn
// into '?' and could name another export.
bool ToExportName(const std::u16string& name, std::string& exportName) {
  if (name.empty() || name.find(u'\0') != std::u16string::npos) return false;
  const int chars = static_cast<int>(name.size());
  const int bytes =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, as_wcstr(name), chars, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  exportName.assign(static_cast<size_t>(bytes), '\0');
  BOOL usedDefault = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, as_wcstr(name), chars, exportName.data(), bytes, nullptr,
                      &usedDefault);
  return !usedDefault;
}

std::u16string PositionText(int idx) {
  const std::string digits = std::to_string(idx);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

// TLibrary

TLibrary::TLibrary(TLibList* AParent) : FParent(AParent) {}

void TLibrary::SetFilename(const std::u16string& Value) {
  // An empty name never matches: assigning it to a library that is not loaded still reports the
  // library as not found instead of leaving an unusable entry without a word.
  if (!Value.empty() && Value == FFilename) return;
  UnLoad();
  TLibraryLockGuard lock;
  const HMODULE module = LoadLibraryByRule(Value);
  if (module == nullptr) {
    DoDLLNotFound();
    return;
  }
  FHandle.Reset(module);
  FFilename = LibraryFileTitle(Value);
}

void* TLibrary::FuncPtr(const std::u16string& Value) {
  fDLLState = dsLoaded;
  std::string exportName;
  if (!FHandle || !ToExportName(Value, exportName)) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(FHandle.Get(), exportName.c_str()));
}

void TLibrary::UnLoad() {
  if (!FHandle) return;
  TLibraryLockGuard lock;
  struct TFreeModule {
    TLibrary& library;
    ~TFreeModule() {
      library.FHandle.Reset();
      library.FFilename.clear();
    }
  } freeModule{*this};
  if (FParent != nullptr) FParent->DoUnLoad(this);
}

void TLibrary::DoDLLNotFound() {
  if (OnDLLNotFound) OnDLLNotFound(this);
}

void TLibrary::Destroy() {
  // A tear-down cannot pass an error on. Delete and Clear unload before they free a library, so
  // the errors of OnUnLoad handlers reach their callers there.
  try {
    UnLoad();
  } catch (...) {
  }
}

// TLibList

int TLibList::Add(const std::u16string& LibName) {
  std::u16string key = LibraryKey(LibName);
  const int existing = Find(key);
  if (existing >= 0) return existing;
  const size_t position = LowerBound(key);
  TOwned<TLibrary> library = Create<TLibrary>(this);
  library->OnDLLNotFound = OnDLLNotFound;
  TLibrary& added = *library;
  fEntries.insert(fEntries.begin() + static_cast<std::ptrdiff_t>(position),
                  TEntry{std::move(key), std::move(library)});
  added.SetFilename(LibName);
  return static_cast<int>(position);
}

void TLibList::Clear() {
  std::exception_ptr firstError;
  while (!fEntries.empty()) {
    TOwned<TLibrary> library = TakeEntry(fEntries.size() - 1);
    try {
      library->UnLoad();
    } catch (...) {
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (firstError) std::rethrow_exception(firstError);
}

void TLibList::Delete(const std::u16string& LibName) {
  TOwned<TLibrary> library = RemoveFromList(LibName);
  if (library) library->UnLoad();
}

TOwned<TLibrary> TLibList::RemoveFromList(const std::u16string& LibName) {
  const int position = Find(LibraryKey(LibName));
  if (position < 0) return nullptr;
  return TakeEntry(static_cast<size_t>(position));
}

void* TLibList::FuncPtr(const std::u16string& LibName, const std::u16string& FuncName) {
  TLibrary* library = Libs(IndexOf(LibName));
  if (library == nullptr) {
    Add(LibName);
    // Found again by key rather than by the position Add returned: a handler may have changed
    // the list meanwhile.
    library = Libraries(LibName);
  }
  return library != nullptr ? library->FuncPtr(FuncName) : nullptr;
}

TLibrary* TLibList::Libs(int idx) const {
  if (idx < 0 || idx >= Count()) return nullptr;
  return fEntries[static_cast<size_t>(idx)].Library.get();
}

TLibrary* TLibList::Libraries(const std::u16string& index) const { return Libs(Find(LibraryKey(index))); }

const std::u16string& TLibList::Strings(int idx) const {
  if (idx < 0 || idx >= Count())
    throw ExceptionLite(u"List index out of bounds (" + PositionText(idx) + u")");
  return fEntries[static_cast<size_t>(idx)].Key;
}

int TLibList::IndexOf(const std::u16string& S) const { return Find(S); }

void TLibList::Destroy() {
  // Every library is freed by Clear even when a handler raises; a tear-down cannot pass the
  // error on.
  try {
    Clear();
  } catch (...) {
  }
}

void TLibList::DoUnLoad(TLibrary* ALib) {
  if (OnUnLoad) OnUnLoad(ALib);
}

size_t TLibList::LowerBound(const std::u16string& key) const {
  const auto found = std::lower_bound(
      fEntries.begin(), fEntries.end(), key,
      [](const TEntry& entry, const std::u16string& k) { return CompareLibraryKeys(entry.Key, k) < 0; });
  return static_cast<size_t>(found - fEntries.begin());
}

int TLibList::Find(const std::u16string& key) const {
  const size_t position = LowerBound(key);
  if (position < fEntries.size() && CompareLibraryKeys(fEntries[position].Key, key) == 0) {
    return static_cast<int>(position);
  }
  return -1;
}

TOwned<TLibrary> TLibList::TakeEntry(size_t position) {
  TOwned<TLibrary> library = std::move(fEntries[position].Library);
  fEntries.erase(fEntries.begin() + static_cast<std::ptrdiff_t>(position));
  return library;
}

}  // namespace skylaunch
