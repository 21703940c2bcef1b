#pragma once
// TObject: the root of every class of the program that needs the object life cycle below.
//
// The program relies on virtual operations reaching the final class while a base class is being
// set up or torn down: a window registers its class and receives WM_CREATE inside the base
// window's construction, a thread resumes itself only once the whole construction of its
// descendant has finished, and a form frees what it owns before its window goes away. C++
// constructors and destructors do not dispatch to a derived class, so objects are made and
// released in two phases.
//
// Making:   TOwned<TDownloadForm> form = Create<TDownloadForm>(args...);
//   1. `new T(args...)`. The C++ constructors only store their arguments. Every field starts at
//      its zero value (0, false, null, empty text) because every member carries an initialiser
//      (`int32_t FCount{};`, `bool FTerminated{};`); that is the rule for all TObject classes.
//   2. Construct(): the construction body, virtual, run on the complete object, so every virtual
//      call inside it already reaches the final class. An override calls its base's Construct()
//      first, then does its own part.
//   3. AfterConstruction(): once the whole body has run (a thread resumes itself here).
//   When Construct() throws, Destroy() tears down the half-made object (so it must cope with
//   fields still at their zero values), the object is deleted and the exception propagates.
//   When AfterConstruction() throws, the object is released as by Free.
//
// Releasing: Free(object), or the deleter of TOwned:
//   1. BeforeDestruction(): the object is still whole (a form frees its controls here).
//   2. Destroy(): the tear-down, virtual, still on the complete object, so its virtual calls
//      reach the final class (a thread's Terminate override, a list's Notify override, a
//      window's WM_DESTROY). An override does its own part, then calls its base's Destroy().
//   3. delete: the C++ destructors only release members that RAII owns.
//
// Ownership: whoever creates an object frees it; TOwned does that also when an error passes.
// An object that frees itself (a thread with FreeOnTerminate) is handed over with release().
#include <memory>
#include <type_traits>
#include <utility>

namespace skylaunch {

class TObject;

struct TFree {
  void operator()(TObject* object) const;
};

template <class T>
using TOwned = std::unique_ptr<T, TFree>;

class TObject {
 public:
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}

  // Releases an object made by Create; a null pointer is ignored.
  static void Free(TObject* object) {
    if (object == nullptr) return;
    object->BeforeDestruction();
    object->Destroy();
    delete object;
  }

 protected:
  TObject() = default;
  virtual void Construct() {}
  virtual void Destroy() {}

  template <class T, class... Args>
  friend TOwned<T> Create(Args&&... args);
};

inline void TFree::operator()(TObject* object) const { TObject::Free(object); }

template <class T, class... Args>
TOwned<T> Create(Args&&... args) {
  static_assert(std::is_base_of_v<TObject, T>, "Create makes TObject descendants only");
  T* object = new T(std::forward<Args>(args)...);
  try {
    static_cast<TObject*>(object)->Construct();
  } catch (...) {
    static_cast<TObject*>(object)->Destroy();
    delete object;
    throw;
  }
  TOwned<T> owned(object);
  static_cast<TObject*>(object)->AfterConstruction();
  return owned;
}

}  // namespace skylaunch
