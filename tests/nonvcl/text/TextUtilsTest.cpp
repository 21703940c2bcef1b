#include "TextUtils.h"

#include <gtest/gtest.h>

#include <climits>

#include "ExceptionLite.h"
#include "ExceptionText.h"
#include "Utf.h"

namespace skylaunch {
namespace {

TEST(ParseIntDef, AcceptsOnlyADecimalIntegerAfterLeadingBlanks) {
  struct Case {
    std::u16string text;
    int32_t expected;
  };
  const Case cases[] = {
      {u"42", 42},          {u"  42", 42},       {u"-42", -42},      {u"1000", 1000},
      {u"0", 0},            {u"007", 7},         {u"-", 0},          {u"", -1},
      {u"   ", -1},         {u"4-2", -1},        {u"42 ", -1},       {u"+42", -1},
      {u"--4", -1},         {u"4a", -1},         {u"\t42", -1},      {u"\u0660", -1},
      {u"2147483647", INT32_MAX},
      {u"-2147483648", INT32_MIN},
      {u"2147483648", INT32_MIN},  // wraps around like a 32-bit register
      {u"4294967297", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseIntDef(c.text, -1), c.expected) << ToUtf8(c.text);
  }
}

TEST(PathRules, DelimiterPositionsAndFolders) {
  EXPECT_EQ(LastDelimiterPos(u"\\:", u"C:\\a\\b.exe"), 5u);
  EXPECT_EQ(ExtractFolder(u"C:\\a\\b.exe"), u"C:\\a\\");
  EXPECT_EQ(ExtractFolder(u"C:name"), u"C:");
  EXPECT_EQ(ExtractFolder(u"name.exe"), u"");
  EXPECT_EQ(ExtractFolder(u""), u"");
  EXPECT_EQ(LastDelimiterPos(u"\\", u"abc"), 0u);
  // U+0000 never counts as a delimiter, even when the set contains it.
  EXPECT_EQ(LastDelimiterPos(std::u16string(u"\\\0", 2), std::u16string(u"a\\b\0", 4)), 2u);

  EXPECT_EQ(StripTrailingBackslashes(u"C:\\Program Files"), u"C:\\Program Files");
  EXPECT_EQ(StripTrailingBackslashes(u"C:\\Program Files\\\\"), u"C:\\Program Files");
  EXPECT_EQ(StripTrailingBackslashes(u"\\\\\\"), u"");
  EXPECT_EQ(StripTrailingBackslashes(u"a\\b"), u"a\\b");
}

TEST(SameTextAscii, IgnoresOnlyTheCaseOfAsciiLetters) {
  EXPECT_TRUE(SameTextAscii(u"/webINSTALL", u"/WebInstall"));
  EXPECT_FALSE(SameTextAscii(u"/WebInstal", u"/WebInstall"));
  EXPECT_FALSE(SameTextAscii(u"\u00e9", u"\u00c9"));
}

TEST(ExceptionText, MessageOfOwnExceptionsOtherwiseAFixedText) {
  struct TDerived : ExceptionLite {
    TDerived() : ExceptionLite(u"derived") {}
  };
  EXPECT_EQ(ExceptionText(std::make_exception_ptr(ExceptionLite(u"Unable to write to x"))),
            u"Unable to write to x");
  EXPECT_EQ(ExceptionText(std::make_exception_ptr(TDerived())), u"derived");
  EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("x"))),
            u"Unknown exception occurred.");
  EXPECT_EQ(ExceptionText(std::make_exception_ptr(42)), u"Unknown exception occurred.");
}

TEST(Utf, RoundTripsAndRepairsInvalidText) {
  const std::u16string text = u"Gr\u00fc\u00dfe \u20ac \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_TRUE(IsValidUtf8(ToUtf8(text)));
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // encoded surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
  EXPECT_FALSE(IsValidUtf8("abc\xE2\x82"));       // cut short
  EXPECT_EQ(FromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_STREQ(ExceptionLite(u"\u00e9").what(), "\xC3\xA9");
}

}  // namespace
}  // namespace skylaunch
