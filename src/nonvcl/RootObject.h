#pragma once
// The root of every class of the program that needs the object life cycle below.
//
// C++ constructors do not dispatch to a derived class, but the program relies on virtual
// operations reaching the final class while a base class is being set up or torn down (a
// window registers its class and receives WM_CREATE inside the base window's construction; a
// thread resumes itself once construction has finished). So objects are made and released in
// two phases:
//
//   auto form = Create<TDownloadForm>(args...);   // TOwned<TDownloadForm>
//     1. `new T(args...)`: the C++ constructors only store arguments and give every field its
//        zero value (members carry `{}` initialisers);
//     2. Construct(): the virtual construction body. Overrides call the base's Construct()
//        first; every virtual call inside it already reaches the final class;
//     3. AfterConstruction(): once the whole body has run.
//   If Construct() throws, Destroy() tears down the half-made object, it is deleted and the
//   exception propagates.
//
//   Free(obj) / the TOwned deleter:
//     1. BeforeDestruction();
//     2. Destroy(): the virtual tear-down, still on the complete object, so its virtual calls
//        reach the final class too (a window's WM_DESTROY reaches the form);
//     3. delete: the C++ destructors only release members.
#include <memory>
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
  T* object = new T(std::forward<Args>(args)...);
  try {
    static_cast<TObject*>(object)->Construct();
  } catch (...) {
    static_cast<TObject*>(object)->Destroy();
    delete object;
    throw;
  }
  TOwned<T> owned(object);
  owned->AfterConstruction();
  return owned;
}

}  // namespace skylaunch
