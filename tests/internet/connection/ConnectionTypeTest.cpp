#include "ConnectionType.h"

#include <gtest/gtest.h>

namespace skylaunch {
namespace {

TEST(ConnectionType, ExactlyOneOfTheThreeBitsNamesTheType) {
  EXPECT_EQ(ConnectionTypeFromFlags(0), ctNotConfigured);
  EXPECT_EQ(ConnectionTypeFromFlags(1), ctModem);
  EXPECT_EQ(ConnectionTypeFromFlags(2), ctLAN);
  EXPECT_EQ(ConnectionTypeFromFlags(4), ctProxy);
  EXPECT_EQ(ConnectionTypeFromFlags(2 | 4), ctNotConfigured);  // LAN and proxy together
  EXPECT_EQ(ConnectionTypeFromFlags(1 | 2), ctNotConfigured);
  EXPECT_EQ(ConnectionTypeFromFlags(7), ctNotConfigured);
  EXPECT_EQ(ConnectionTypeFromFlags(0x12), ctLAN);  // the RAS-installed bit is ignored
  EXPECT_EQ(ConnectionTypeFromFlags(0x20), ctNotConfigured);
}

}  // namespace
}  // namespace skylaunch
