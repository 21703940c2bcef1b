#pragma once
// Module libstate: system libraries loaded on demand by file name, their entry points resolved by
// name, and each library kept loaded until its entry leaves the list or the list is freed.
//
// How a user works with it (the asynchronous HTTP client does this once per request):
//
//   InitializeLibState();                      // once, in the program's start-up (libstate_lock.h)
//   TOwned<TLibList> libs = Create<TLibList>();
//   libs->OnDLLNotFound = [](TObject*) { throw ExceptionLite(u"..."); };  // before Add
//   libs->Add(u"WinInet.dll");
//   auto open = reinterpret_cast<decltype(&InternetOpenW)>(libs->FuncPtr(u"WinInet.dll", u"InternetOpenW"));
//   libs.reset();                              // unloads what the list loaded
//
// Keys: a library name is reduced to its file title in lower case ("wininet" for "WinInet.dll",
// "WININET" and "C:\Windows\System32\wininet.dll"); the list keeps one library per key, sorted.
// A name without a path loads from the system folder only, a name with a path as given
// (libstate_loader.h).
//
// Failures are reported, not raised: a library that cannot be loaded fires its OnDLLNotFound
// once (while LibraryLock is held) and stays in the list, not loaded; its entry points are null.
// A handler that raises passes its exception out of Add / FuncPtr / SetFilename; the lock is free
// afterwards. An entry point that does not exist is null, without any event.
//
// A list is used by one thread at a time; loading and freeing are serialised across all lists.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Handles.h"
#include "RootObject.h"
#include "libstate_lock.h"

namespace skylaunch {

enum TDLLState : uint8_t { dsLoading = 0, dsLoaded = 1, dsUnLoading = 2 };

class TLibrary;
class TLibList;

// Fired for a library of the list just before its module is freed.
using TUnloadEvent = std::function<void(TLibrary* ALib)>;
// A notify event; Sender is the library that could not be loaded.
using TLibNotifyEvent = std::function<void(TObject* Sender)>;

// One library of a list: not loaded, or loaded with a module handle and the file title of the
// name it was loaded by.
class TLibrary : public TObject {
 public:
  explicit TLibrary(TLibList* AParent);

  // While loaded: the file title of the name last loaded, in the letter case given ("WinInet");
  // empty while not loaded.
  const std::u16string& Filename() const { return FFilename; }
  // Loads the library by `Value` (unloading the current module first) unless `Value` equals
  // Filename exactly. Assigning the full name again ("WinInet.dll") therefore reloads the module.
  void SetFilename(const std::u16string& Value);

  HMODULE Handle() const { return FHandle.Get(); }
  // A plain state value: dsLoaded after creation and after every FuncPtr; the module changes it
  // nowhere else.
  TDLLState DLLState() const { return fDLLState; }
  void SetDLLState(TDLLState Value) { fDLLState = Value; }

  // The entry point named `Value` (exported under its 8-bit name); null when the library is not
  // loaded, when there is no such export, or when the name cannot be an export name.
  void* FuncPtr(const std::u16string& Value);

  TLibNotifyEvent OnDLLNotFound;

 protected:
  void Destroy() override;

 private:
  friend class TLibList;
  // Fires the list's OnUnLoad, then frees the module; the module is freed also when a handler
  // raises, and the handler's exception passes on.
  void UnLoad();
  void DoDLLNotFound();

  std::u16string FFilename;
  TModule FHandle;
  TLibList* FParent{nullptr};
  TDLLState fDLLState{dsLoaded};
};

// Sorted, case-insensitive list of library keys, each with the library it owns.
class TLibList : public TObject {
 public:
  TLibList() = default;

  // The position of the library's entry; a key the list does not hold yet is inserted at its
  // sorted place, and a new library (with the list's current OnDLLNotFound) loads `LibName`
  // exactly as passed. A library that fails to load keeps its entry.
  int Add(const std::u16string& LibName);
  // Frees every library, from the last position to the first, firing OnUnLoad for each loaded
  // one. An exception of a handler passes on once all libraries are freed.
  void Clear();
  // Removes the entry of the name's key and frees its library (firing OnUnLoad when it is
  // loaded); nothing happens for a key the list does not hold.
  void Delete(const std::u16string& LibName);
  // Takes the entry of the name's key out of the list and hands its library over, still loaded;
  // null when the list does not hold the key. The library still fires this list's OnUnLoad
  // when it is unloaded, so free it before the list.
  TOwned<TLibrary> RemoveFromList(const std::u16string& LibName);

  // The entry point `FuncName` of library `LibName`, adding and loading the library first when
  // the list does not hold it; null when it cannot be resolved.
  void* FuncPtr(const std::u16string& LibName, const std::u16string& FuncName);
  // The library at position `idx`; null outside 0 .. Count() - 1.
  TLibrary* Libs(int idx) const;
  // The library whose key is the key of `index`; null when the list has none.
  TLibrary* Libraries(const std::u16string& index) const;

  int Count() const { return static_cast<int>(fEntries.size()); }
  // The key at position `idx`; raises ExceptionLite outside 0 .. Count() - 1.
  const std::u16string& Strings(int idx) const;
  // Position of the entry whose key equals `S` (letter case ignored, `S` not reduced to a key);
  // -1 when there is none.
  int IndexOf(const std::u16string& S) const;

  TUnloadEvent OnUnLoad;
  // Copied into each library that Add creates; changing it later does not reach those.
  TLibNotifyEvent OnDLLNotFound;

 protected:
  void Destroy() override;

 private:
  friend class TLibrary;
  struct TEntry {
    std::u16string Key;
    TOwned<TLibrary> Library;
  };

  void DoUnLoad(TLibrary* ALib);
  // The position of `key` in the sorted list, or where it would be inserted.
  size_t LowerBound(const std::u16string& key) const;
  int Find(const std::u16string& key) const;
  TOwned<TLibrary> TakeEntry(size_t position);

  std::vector<TEntry> fEntries;
};

}  // namespace skylaunch
