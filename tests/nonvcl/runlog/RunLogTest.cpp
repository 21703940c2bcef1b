#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Handles.h"
#include "RunLog.h"
#include "SystemUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

std::string ReadWhileOpen(const std::u16string& name) {
  const TFileHandle file(CreateFileW(as_wcstr(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char piece[65536];
  DWORD read = 0;
  while (file && ReadFile(file.Get(), piece, sizeof piece, &read, nullptr) && read > 0)
    bytes.append(piece, read);
  return bytes;
}

// The log goes to the temporary folder, which TMP names first: a folder of the test's own.
std::u16string UseTempFolder(const char16_t* name) {
  const std::u16string folder = SystemTempFolder() + u"\\" + name;
  CreateDirectoryW(as_wcstr(folder), nullptr);
  SetEnvironmentVariableW(L"TMP", as_wcstr(folder));
  return folder;
}

TEST(RunLog, AnOverfullLogKeepsItsNewerWholeLinesAndEachLineIsOnDiskAtOnce) {
  const std::u16string folder = UseTempFolder(u"skylaunch-run-log-test");
  const std::u16string name = folder + u"\\Skylaunch.log";
  std::string lastEarlier;
  {
    std::string earlier;
    for (int line = 0; earlier.size() < kRunLogLimit * 3 / 2; ++line) {
      lastEarlier = "earlier run, line " + std::to_string(line) + " of a log that has grown too long\r\n";
      earlier += lastEarlier;
    }
    const TFileHandle file(CreateFileW(as_wcstr(name), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr));
  }

  StartRunLog();
  RunLog(u"the next event");

  // Read while this process still holds the log: nothing waits in a buffer.
  const std::string log = ReadWhileOpen(name);
  EXPECT_LE(log.size(), kRunLogKept + 1024);
  EXPECT_EQ(0u, log.find("earlier run, line ")) << log.substr(0, 80);
  // The earlier lines end whole, then come this run's.
  const size_t start = log.find(lastEarlier) + lastEarlier.size();
  ASSERT_LT(start, log.size());
  EXPECT_NE(std::string::npos, log.find("] start Skylaunch ", start));
  EXPECT_EQ(log.size() - 16, log.find("the next event\r\n"));
}

TEST(RunLog, ALinkPutInTheLogsPlaceLeavesTheFileItNamesAlone) {
  // Another file, larger than the log may grow, and the log's name made a second name of it.
  const std::u16string folder = UseTempFolder(u"skylaunch-run-log-link-test");
  const std::u16string other = folder + u"\\other-file";
  const std::u16string log = folder + u"\\Skylaunch.log";
  DeleteFileW(as_wcstr(log));
  const std::string content(kRunLogLimit + 4096, 'x');
  {
    const TFileHandle file(CreateFileW(as_wcstr(other), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
  }
  ASSERT_TRUE(CreateHardLinkW(as_wcstr(log), as_wcstr(other), nullptr)) << GetLastError();

  StartRunLog();
  RunLog(u"the next event");

  EXPECT_TRUE(ReadWhileOpen(other) == content) << "the other file was written to or cut short";
}

}  // namespace
}  // namespace skylaunch
