#include <gtest/gtest.h>

#include "ClassName.h"

namespace outer {
struct TPlain {};
template <class T>
struct TBox {};
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

}  // namespace
}  // namespace skylaunch
