#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "ClassName.h"
#include "MangledTypeName.h"

namespace outer {
struct TPlain {};
template <class T>
struct TBox {
  struct TInner {};
};
template <class T, class U>
struct TPair {};
template <int N>
struct TNumber {};
namespace {
struct THidden {};
}  // namespace
}  // namespace outer

namespace skylaunch {
namespace {

class TDownloadForm {};
struct TNested {
  struct TInner {};
};

const std::type_info& LocalClassType() {
  struct TLocal {};
  return typeid(TLocal);
}

TEST(ClassNameOf, KeepsOnlyTheLastNameComponent) {
  const std::pair<const std::type_info*, std::u16string> cases[] = {
      {&typeid(TDownloadForm), u"TDownloadForm"},
      {&typeid(outer::TPlain), u"TPlain"},
      {&typeid(TNested::TInner), u"TInner"},
      {&LocalClassType(), u"TLocal"},
      // "::" inside template arguments does not end the name.
      {&typeid(outer::TBox<outer::TPlain>), u"TBox<outer::TPlain>"},
  };
  for (const auto& [type, expected] : cases) {
    EXPECT_EQ(ClassNameOf(*type), expected) << type->name();
  }
}

// Local classes of functions whose encodings refer back to earlier parts of the name.
const std::type_info& LocalOf(int, const char*, const std::u16string&, const std::u16string*) {
  struct TLocal {};
  return typeid(TLocal);
}

struct TOwner {
  TOwner() {
    struct TOfConstructor {};
    OfConstructor = &typeid(TOfConstructor);
  }
  const std::type_info& OfConstMember() const {
    struct TOfMember {};
    return typeid(TOfMember);
  }
  const std::type_info* OfConstructor;
};

// Two local classes of one name: the second carries a discriminator.
const std::type_info& SecondLocal() {
  {
    struct TTwice {};
  }
  struct TTwice {};
  return typeid(TTwice);
}

std::string RuntimeDemangled(const std::type_info& type) {
  int status = 0;
  const std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 ? demangled.get() : "(not demangled)";
}

TEST(DemangledTypeName, SpellsClassNamesAsTheRuntimesDemangler) {
  const TOwner owner;
  const std::type_info* types[] = {
      &typeid(TDownloadForm),
      &typeid(outer::TPlain),
      &typeid(outer::THidden),
      &typeid(TNested::TInner),
      &LocalClassType(),
      &LocalOf(0, nullptr, u"", nullptr),
      owner.OfConstructor,
      &owner.OfConstMember(),
      &SecondLocal(),
      &typeid(outer::TBox<outer::TPlain>),
      &typeid(outer::TBox<outer::TPlain>::TInner),
      &typeid(outer::TBox<const int*>),
      &typeid(outer::TBox<int* const>),
      &typeid(outer::TBox<unsigned long long&>),
      &typeid(outer::TBox<outer::TPlain&&>),
      &typeid(outer::TBox<outer::THidden>),
      &typeid(outer::TBox<std::nullptr_t>),
      &typeid(outer::TPair<char16_t, outer::TBox<outer::TPlain>>),
      &typeid(outer::TPair<outer::TBox<outer::TPlain>, outer::TBox<outer::TPlain>>),
      &typeid(std::u16string),
      &typeid(std::vector<std::u16string>),
      &typeid(std::pair<bool, outer::TBox<void*>>),
  };
  for (const std::type_info* type : types) {
    EXPECT_EQ(DemangledTypeName(type->name()).value_or("(not read)"), RuntimeDemangled(*type))
        << type->name();
  }
}

TEST(DemangledTypeName, DeclinesWhatItDoesNotSpell) {
  const auto lambda = [] {};
  const std::type_info* types[] = {
      &typeid(outer::TNumber<5>),       // a value as template argument
      &typeid(outer::TBox<void(int)>),  // a function type
      &typeid(outer::TBox<int[3]>),     // an array type
      &typeid(lambda),                  // a closure type
  };
  for (const std::type_info* type : types) {
    EXPECT_EQ(DemangledTypeName(type->name()), std::nullopt) << type->name();
  }
  for (const char* text : {"", "N9skylaunch", "N9skylaunch13TDownloadFormEX", "S_", "3ab", "Z1fvE"}) {
    EXPECT_EQ(DemangledTypeName(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace skylaunch
