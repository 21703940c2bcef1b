#include "SystemError.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "CommonControls.h"
#include "ExceptionLite.h"
#include "Utf.h"
#include "WinText.h"

namespace skylaunch {
namespace {

std::u16string RawSystemText(DWORD code) {
  wchar_t buffer[256]{};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, 256, nullptr);
  return std::u16string(as_u16cstr(buffer), length);
}

std::string ErrorOf(void (*action)()) {
  try {
    action();
  } catch (const ExceptionLite& e) {
    return ToUtf8(e.Message());
  }
  return "(no error)";
}

TEST(SystemErrorText, IsTheSystemTextWithoutItsFinalPeriodAndLineBreak) {
  const std::u16string raw = RawSystemText(ERROR_FILE_NOT_FOUND);
  ASSERT_GT(raw.size(), 3u);
  ASSERT_TRUE(raw.ends_with(u".\r\n") || raw.ends_with(u".\n")) << ToUtf8(raw);
  const std::u16string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(text, raw.substr(0, raw.find_last_of(u'.')));

  EXPECT_EQ(SystemErrorText(0x2000FFFF), u"");  // no text for this code
}

TEST(SystemErrorText, LeavesInsertionSequencesUnexpanded) {
  // ERROR_BAD_EXE_FORMAT's text names the program by an insertion sequence; no arguments are
  // passed.
  const std::u16string raw = RawSystemText(ERROR_BAD_EXE_FORMAT);
  ASSERT_NE(raw.find(u"%1"), std::u16string::npos) << ToUtf8(raw);
  EXPECT_NE(SystemErrorText(ERROR_BAD_EXE_FORMAT).find(u"%1"), std::u16string::npos);
}

TEST(SystemErrors, RaiseTheLastErrorsText) {
  const std::string fileNotFound = ToUtf8(SystemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ErrorOf([] {
              SetLastError(ERROR_FILE_NOT_FOUND);
              RaiseLastSystemError();
            }),
            fileNotFound);
  EXPECT_EQ(ErrorOf([] {
              SetLastError(0);
              RaiseLastSystemError();
            }),
            "Unknown error.");
  EXPECT_EQ(ErrorOf([] {
              SetLastError(ERROR_FILE_NOT_FOUND);
              CheckSystemCall(0);
            }),
            fileNotFound);
  EXPECT_EQ(CheckSystemCall(5), 5u);
}

TEST(CommonControls, RegistersTheProgressBarClass) {
  LoadCommonControlsEx();
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  EXPECT_TRUE(TryInitCommonControlsEx(icc));
  EXPECT_TRUE(InitCommonControlClass(ICC_PROGRESS_CLASS));
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  EXPECT_TRUE(GetClassInfoExW(nullptr, PROGRESS_CLASSW, &info));
}

}  // namespace
}  // namespace skylaunch
