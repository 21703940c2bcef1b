// Runs the modules' start-up steps before the first test and their shutdown after the last, in the
// program's order, for tests that use threads, the library list or the HTTP client.
#include <gtest/gtest.h>

#include "Runtime.h"
#include "libstate_lock.h"
#include "orbInternetList.h"

namespace skylaunch {
namespace {

class TModuleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    InitializeNonVCLMisc();
    InitializeLibState();
    InitializeOrbInternet();
  }
  void TearDown() override {
    FinalizeOrbInternet();
    FinalizeLibState();
    FinalizeNonVCLMisc();
  }
};

[[maybe_unused]] ::testing::Environment* const Registered =
    ::testing::AddGlobalTestEnvironment(new TModuleEnvironment);

}  // namespace
}  // namespace skylaunch
