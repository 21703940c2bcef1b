// Runs the runtime's start-up before the first test and its shutdown after the last, as the
// program does around its entry.
#include <gtest/gtest.h>

#include "Runtime.h"

namespace skylaunch {
namespace {

class TRuntimeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InitializeNonVCLMisc(); }
  void TearDown() override { FinalizeNonVCLMisc(); }
};

[[maybe_unused]] ::testing::Environment* const Registered =
    ::testing::AddGlobalTestEnvironment(new TRuntimeEnvironment);

}  // namespace
}  // namespace skylaunch
