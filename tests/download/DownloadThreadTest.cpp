#include "DownloadThread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ExceptionLite.h"
#include "ExceptionText.h"
#include "ServiceControl.h"
#include "SystemUtils.h"
#include "WinText.h"
#include "local_services.h"

namespace skylaunch {
namespace {

const std::u16string kCatalogQuery = std::u16string(local_services::kCatalogURL) +
                                     u"/v3/release-catalog/tarvosa-loader-app?major-version=2024&status=Release";

bool Exists(const std::u16string& name) { return GetFileAttributesW(as_wcstr(name)) != INVALID_FILE_ATTRIBUTES; }

class DownloadThread : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = SystemTempFolder() + u"\\download-thread-test";
    CreateDirectoryW(as_wcstr(folder), nullptr);
    destination = folder + u"\\S24Launch.dat";
    versionFile = folder + u"\\S24Launch.id";
    DeleteFileW(as_wcstr(destination));
    DeleteFileW(as_wcstr(versionFile));
  }

  // A suspended worker for the configuration file, with handlers that count what they see.
  TOwned<TDownloadThread> MakeWorker() {
    auto worker = Create<TDownloadThread>(true);
    worker->SetComponent(u"S24Launch.dat");
    worker->SetProduct(u"24Tarvosa Sky Launch");
    worker->SetDownloadURL(kCatalogQuery);
    worker->SetFileName(destination);
    worker->SetVersionFileName(versionFile);
    worker->OnDownloadComplete = [this](TObject*) { ++completions; };
    worker->OnError = [this](const std::exception_ptr& error) { errors.push_back(ExceptionText(error)); };
    worker->OnFileChange = [this](TObject*) { ++fileChanges; };
    return worker;
  }

  // Releasing waits for the thread; the main thread keeps delivering what the worker needs.
  static void Finish(TOwned<TDownloadThread>& worker) { worker->WaitFor(); }

  std::u16string folder, destination, versionFile;
  std::atomic<int> completions{0}, fileChanges{0};
  std::vector<std::u16string> errors;
};

TEST_F(DownloadThread, CompletionFollowsADownloadAndAnUnchangedVersion) {
  testing::TServiceScenario services;
  for (int run = 0; run < 2; ++run) {  // the second run finds the version unchanged
    auto worker = MakeWorker();
    EXPECT_EQ(worker->MaxStatus(), 0);
    worker->Resume();
    Finish(worker);
    EXPECT_TRUE(errors.empty()) << run;
    EXPECT_EQ(completions, run + 1);
    EXPECT_EQ(fileChanges, run + 1);
    EXPECT_TRUE(Exists(destination));
    EXPECT_TRUE(Exists(versionFile));
  }
}

TEST_F(DownloadThread, ErrorsReachOnErrorWithoutCompletion) {
  {
    testing::TServiceScenario services(R"({"faults":[{"origin":"catalog","path":"/v3/*","status":500}]})");
    auto worker = MakeWorker();
    worker->Resume();
    Finish(worker);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], u"The download center is currently unavailable. Please try again later.");
    EXPECT_EQ(completions, 0);
  }
  {  // an exception of the completion handler itself
    testing::TServiceScenario services;
    errors.clear();
    auto worker = MakeWorker();
    worker->OnDownloadComplete = [](TObject*) { throw ExceptionLite(u"hand-off failed"); };
    worker->Resume();
    Finish(worker);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], u"hand-off failed");
  }
}

TEST_F(DownloadThread, TerminateDuringTheDownloadLeavesNoFilesAndNoCompletion) {
  testing::TServiceScenario services;
  auto worker = MakeWorker();
  int32_t maxStatus = -1;
  worker->OnUpdateDownloadStatus = [&](int32_t, bool&) {
    maxStatus = worker->MaxStatus();
    worker->Terminate();  // as the window does when Cancel is pressed during the download
  };
  worker->Resume();
  Finish(worker);
  EXPECT_EQ(maxStatus, 1);  // the configuration file is smaller than one piece
  EXPECT_EQ(completions, 0);
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(Exists(destination));
  EXPECT_FALSE(Exists(versionFile));
}

TEST_F(DownloadThread, TerminationsAtRandomMomentsNeverCrash) {
  testing::TServiceScenario services;
  for (int i = 0; i < 30; ++i) {
    auto worker = MakeWorker();
    worker->Resume();
    std::this_thread::sleep_for(std::chrono::milliseconds((i * 37) % 200));
    worker->Terminate();
    worker.reset();  // terminates, waits and releases
  }
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace skylaunch
