// The dial-up texts: connection states, error messages and the platforms with the extended set.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "RASText.h"
#include "Utf.h"

namespace {

using namespace skylaunch;

struct TStateCase {
  uint32_t State;
  const char* Text;
};
void PrintTo(const TStateCase& c, std::ostream* os) { *os << "state " << c.State; }

class RASConnectStatusTextTest : public ::testing::TestWithParam<TStateCase> {};

TEST_P(RASConnectStatusTextTest, GivesTheStateText) {
  EXPECT_EQ(GetParam().Text, ToUtf8(RASConnectStatusText(GetParam().State, u"COM1", u"modem")));
}

INSTANTIATE_TEST_SUITE_P(
    States, RASConnectStatusTextTest,
    ::testing::Values(TStateCase{0, "Opening Port"}, TStateCase{1, "Port Opened"},
                      TStateCase{2, "Using Device: COM1 - modem"}, TStateCase{3, "Device is connected"},
                      TStateCase{4, "All Required Devices Connected"},
                      TStateCase{5, "Validating User/Password/Domain"},
                      TStateCase{6, "Authentication Notification"}, TStateCase{7, "Unknown State: 7"},
                      TStateCase{8, "Authentication Call Back"}, TStateCase{9, "Unknown State: 9"},
                      TStateCase{10, "Project"}, TStateCase{11, "Calculating Link speed"},
                      TStateCase{12, "Authentication acknowledged"}, TStateCase{13, "Reauthenticating"},
                      TStateCase{14, "Login Authenticated"}, TStateCase{15, "Preparing for Callback"},
                      TStateCase{16, "Waiting for Modem Reset"}, TStateCase{17, "Waiting for Callback"},
                      TStateCase{18, "Projected"}, TStateCase{19, "Start Authentication"},
                      TStateCase{20, "Unknown State: 20"}, TStateCase{8192, "Connected"},
                      TStateCase{8193, "DisConnected"}, TStateCase{8194, "Unknown State: 8194"},
                      TStateCase{4294967295u, "Unknown State: 4294967295"}));

TEST(RASConnectStatusTextTest, DeviceTextKeepsEmptyParts) {
  EXPECT_EQ(u"Using Device:  - ", RASConnectStatusText(2, u"", u""));
}

struct TErrorCase {
  uint32_t Code;
  const char16_t* PlatformText;
  const char* Message;
};
void PrintTo(const TErrorCase& c, std::ostream* os) { *os << "code " << c.Code; }

class RASErrorMessageTest : public ::testing::TestWithParam<TErrorCase> {};

TEST_P(RASErrorMessageTest, FollowsTheMessageRules) {
  EXPECT_EQ(GetParam().Message, ToUtf8(RASErrorMessage(GetParam().Code, GetParam().PlatformText)));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RASErrorMessageTest,
    ::testing::Values(
        TErrorCase{600, u"An operation is pending.", "An operation is pending."},
        TErrorCase{603, u"", "UnDefined Error: 603"},
        TErrorCase{4294967295u, u"", "UnDefined Error: 4294967295"},
        TErrorCase{599, u"ignored", "RASAPI32.DLL is not Loaded!"},
        TErrorCase{
            14, u"ignored",
            "Error 14 - PhoneBook Entry may be corrupt. Please Delete the Entry and Re-input the Data."},
        TErrorCase{5, u"ignored", "Unknown Error: 5"}, TErrorCase{598, u"", "Unknown Error: 598"}));

struct TPlatformCase {
  bool IsNT;
  uint32_t Major;
  uint32_t Minor;
  bool Extended;
};
void PrintTo(const TPlatformCase& c, std::ostream* os) {
  *os << (c.IsNT ? "NT " : "9x ") << c.Major << "." << c.Minor;
}

class RASExtendedSetTest : public ::testing::TestWithParam<TPlatformCase> {};

TEST_P(RASExtendedSetTest, OnlyWindowsNT3LacksTheExtendedSet) {
  const TPlatformCase& c = GetParam();
  EXPECT_EQ(c.Extended, RASExtendedSetAvailable(c.IsNT, c.Major, c.Minor));
}

INSTANTIATE_TEST_SUITE_P(Platforms, RASExtendedSetTest,
                         ::testing::Values(TPlatformCase{true, 3, 51, false},
                                           TPlatformCase{true, 3, 10, false}, TPlatformCase{true, 4, 0, true},
                                           TPlatformCase{true, 5, 1, true}, TPlatformCase{true, 6, 3, true},
                                           TPlatformCase{true, 10, 0, true},
                                           TPlatformCase{false, 4, 10, true},
                                           TPlatformCase{false, 3, 95, true}));

}  // namespace
