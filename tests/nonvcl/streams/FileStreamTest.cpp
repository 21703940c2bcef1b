#include "FileStream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ExceptionLite.h"
#include "SystemUtils.h"
#include "Utf.h"
#include "WinText.h"

namespace skylaunch {
namespace {

TEST(FileStream, CreatesTheFileAnewAndReadsWritesAndSeeksInIt) {
  const std::u16string name = SystemTempFolder() + u"\\skylaunch-file-stream-test.bin";
  {
    TFileStream old(name);
    old.Write("old content that is longer", 26);
  }
  {
    TFileStream file(name);  // truncates
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_EQ(file.Write("hello world", 11), 11u);
    EXPECT_EQ(file.Position(), 11u);
    file.SetPosition(6);
    file.Write("WORLD", 5);
    file.SetPosition(0);
    char text[32] = {};
    EXPECT_EQ(file.Read(text, sizeof text), 11u);
    EXPECT_EQ(std::string(text), "hello WORLD");
    EXPECT_EQ(file.Read(text, sizeof text), 0u);
    EXPECT_EQ(file.Size(), 11u);
    // Others may read the file while it is written.
    const TFileHandle reader(CreateFileW(as_wcstr(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
  }
  EXPECT_TRUE(DeleteFileW(as_wcstr(name)));  // closed with the stream
}

TEST(FileStream, AFileThatCannotBeCreatedIsAnErrorNamingIt) {
  const std::u16string name = SystemTempFolder() + u"\\skylaunch-no-such-folder\\x.bin";
  try {
    TFileStream file(name);
    ADD_FAILURE() << "no error";
  } catch (const ExceptionLite& error) {
    EXPECT_THAT(ToUtf8(error.Message()),
                ::testing::StartsWith("Unable to create file " + ToUtf8(name) + ": "));
  }
}

}  // namespace
}  // namespace skylaunch
