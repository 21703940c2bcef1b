#include <windows.h>

#include <gtest/gtest.h>

#include "ExceptionLite.h"
#include "MessageBoxAnswerer.h"
#include "SystemUtils.h"

namespace skylaunch {
namespace {

TEST(ShowException, ShowsTheTextInATaskModalErrorBoxUntilClosed) {
  struct Case {
    std::exception_ptr error;
    std::wstring text;
  };
  const Case cases[] = {
      {std::make_exception_ptr(ExceptionLite(u"Unable to write to C:\\x\\Install.ini")),
       L"Unable to write to C:\\x\\Install.ini"},
      {std::make_exception_ptr(std::bad_alloc()), L"Unknown exception occurred."},
  };
  for (const auto& c : cases) {
    testing::TMessageBoxAnswerer answerer(L"Error", IDOK);
    ShowException(c.error);  // returns only after the box was answered
    ASSERT_TRUE(answerer.Wait());
    EXPECT_EQ(answerer.Text(), c.text);
  }
}

TEST(SystemUtils, PlatformFamilyAndTemporaryFolder) {
  EXPECT_TRUE(IsWindowsNT());
  const std::u16string temp = SystemTempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_NE(temp.back(), u'\\');
  EXPECT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(temp.c_str())), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace skylaunch
