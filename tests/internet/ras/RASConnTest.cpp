// The dial-up connection component with RAS unbound and bound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ras.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "RASConn.h"
#include "RASKeyScope.h"
#include "RASText.h"
#include "Utf.h"
#include "WinText.h"

namespace {

using namespace skylaunch;
using skylaunch::testing::TRASKeyScope;

// The connection record is the leading part of the platform's own RASCONNW, laid out as the
// platform's header lays it out for this architecture: the same field offsets, and the size of
// the fields up to the device name, padded to the 4-byte packing.
static_assert(offsetof(TRASConnW, RASConn) == offsetof(RASCONNW, hrasconn));
static_assert(offsetof(TRASConnW, EntryName) == offsetof(RASCONNW, szEntryName));
static_assert(offsetof(TRASConnW, DeviceType) == offsetof(RASCONNW, szDeviceType));
static_assert(offsetof(TRASConnW, DeviceName) == offsetof(RASCONNW, szDeviceName));
static_assert(sizeof(TRASConnW) == (offsetof(RASCONNW, szPhonebook) + 3) / 4 * 4);

// Everything the component's events report.
struct TEventLog {
  std::vector<std::pair<std::string, int32_t>> Errors;
  int DisConnects = 0;

  void Watch(TRASConn& ras) {
    ras.OnError = [this, &ras](TObject* sender, const std::u16string& message, int32_t code) {
      EXPECT_EQ(&ras, sender);
      Errors.emplace_back(ToUtf8(message), code);
    };
    ras.OnDisConnect = [this, &ras](TObject* sender) {
      EXPECT_EQ(&ras, sender);
      ++DisConnects;
    };
  }
};

bool IsAllZero(const TRASConnW& record) {
  static const TRASConnW zero{};
  return std::memcmp(&record, &zero, sizeof(record)) == 0;
}

// A connection handle that no platform hands out.
constexpr UINT_PTR kUnknownConnection = 0x5ca1ab1e;

void ExpectNotLoaded(const std::function<void()>& operation) {
  try {
    operation();
    ADD_FAILURE() << "nothing was raised";
  } catch (const ERASError& error) {
    EXPECT_EQ(u"RASAPI32.DLL is not Loaded!", error.Message());
  }
}

class RASConnUnloadedTest : public ::testing::Test {
 protected:
  TRASKeyScope fScope{false};
  TOwned<TRASConn> fRas = Create<TRASConn>();
  TEventLog fEvents;
};

TEST_F(RASConnUnloadedTest, EveryCallRaisesNotLoaded) {
  EXPECT_FALSE(fRas->IsLoaded());
  ExpectNotLoaded([&] { fRas->ConnectionCount(); });
  ExpectNotLoaded([&] { fRas->GetActiveConnections(0); });
  ExpectNotLoaded([&] { fRas->Connected(); });
  ExpectNotLoaded([&] { fRas->DoError(700); });
}

TEST_F(RASConnUnloadedTest, WithOnErrorEveryCallReports599) {
  fEvents.Watch(*fRas);
  EXPECT_EQ(0u, fRas->ConnectionCount());
  EXPECT_TRUE(IsAllZero(fRas->GetActiveConnections(0)));
  EXPECT_FALSE(fRas->Connected());
  const std::pair<std::string, int32_t> notLoaded{"RASAPI32.DLL is not Loaded!", 599};
  EXPECT_THAT(fEvents.Errors, ::testing::ElementsAre(notLoaded, notLoaded, notLoaded));
}

TEST_F(RASConnUnloadedTest, IndexBeyondTheBufferAsksNothing) {
  // Index 10 and above never reach the platform, so not even the missing binding is reported.
  for (uint32_t index : {10u, 11u, 4294967295u}) EXPECT_TRUE(IsAllZero(fRas->GetActiveConnections(index)));
}

TEST_F(RASConnUnloadedTest, StatusIsEmptyAndHandleIsKept) {
  fEvents.Watch(*fRas);
  fRas->SetHandle(kUnknownConnection);
  EXPECT_EQ(kUnknownConnection, fRas->Handle());
  EXPECT_EQ(u"", fRas->GetConnectStatus());
  EXPECT_TRUE(fEvents.Errors.empty());
  EXPECT_EQ(0, fEvents.DisConnects);
}

TEST_F(RASConnUnloadedTest, CodeZeroIsUndefined) {
  try {
    fRas->DoError(0);
    ADD_FAILURE() << "nothing was raised";
  } catch (const ERASError& error) {
    EXPECT_EQ(u"Undefined RAS Error.", error.Message());
  }
  fEvents.Watch(*fRas);
  fRas->DoError(0);
  EXPECT_THAT(fEvents.Errors, ::testing::ElementsAre(std::pair<std::string, int32_t>{"", 0}));
}

TEST(RASConnLiveListTest, FindsLiveComponentsByHandle) {
  TRASKeyScope scope(false);
  TOwned<TRASConn> first = Create<TRASConn>();
  TOwned<TRASConn> second = Create<TRASConn>();
  first->SetHandle(0x1111);
  second->SetHandle(0x2222);
  EXPECT_EQ(first.get(), TRASConn::FindByHandle(0x1111));
  EXPECT_EQ(second.get(), TRASConn::FindByHandle(0x2222));
  first.reset();
  EXPECT_EQ(nullptr, TRASConn::FindByHandle(0x1111));
  EXPECT_EQ(second.get(), TRASConn::FindByHandle(0x2222));
}

class RASConnLoadedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RASInterface().BasicLoaded) GTEST_SKIP() << "the platform has no complete basic RAS set";
  }
  TRASKeyScope fScope{true};
  TOwned<TRASConn> fRas = Create<TRASConn>();
  TEventLog fEvents;
};

TEST_F(RASConnLoadedTest, ListsWhatThePlatformCounts) {
  fEvents.Watch(*fRas);
  EXPECT_TRUE(fRas->IsLoaded());
  const uint32_t count = fRas->ConnectionCount();
  for (uint32_t index = 0; index < TRASConn::kMaxConnections; ++index) {
    const TRASConnW record = fRas->GetActiveConnections(index);
    if (index < count) {
      EXPECT_EQ(sizeof(TRASConnW), record.Size) << index;
      EXPECT_NE(nullptr, record.RASConn) << index;
    } else {
      EXPECT_TRUE(IsAllZero(record)) << index;
    }
  }
  EXPECT_TRUE(IsAllZero(fRas->GetActiveConnections(TRASConn::kMaxConnections)));
  EXPECT_TRUE(fEvents.Errors.empty());
}

TEST_F(RASConnLoadedTest, UnknownHandleIsNeitherConnectedNorPastOpeningThePort) {
  fEvents.Watch(*fRas);
  EXPECT_EQ(u"", fRas->GetConnectStatus());  // no handle, no question
  fRas->SetHandle(kUnknownConnection);
  EXPECT_FALSE(fRas->Connected());
  EXPECT_EQ(u"Opening Port", fRas->GetConnectStatus());
  EXPECT_TRUE(fEvents.Errors.empty());
  fEvents.Errors.clear();
  fRas->Close();  // so that tear-down has no line to wait for
}

TEST_F(RASConnLoadedTest, CloseWithoutHandleDoesNothing) {
  fEvents.Watch(*fRas);
  EXPECT_EQ(-1, fRas->Close());
  EXPECT_TRUE(fEvents.Errors.empty());
  EXPECT_EQ(0, fEvents.DisConnects);
}

TEST_F(RASConnLoadedTest, CloseReportsThePlatformResultAndForgetsTheHandle) {
  fEvents.Watch(*fRas);
  fRas->SetHandle(kUnknownConnection);
  const int32_t result = fRas->Close();
  EXPECT_EQ(0u, fRas->Handle());
  EXPECT_EQ(1, fEvents.DisConnects);
  if (result == 0) {
    EXPECT_TRUE(fEvents.Errors.empty());
  } else {
    ASSERT_EQ(1u, fEvents.Errors.size());
    EXPECT_EQ(result, fEvents.Errors[0].second);
  }
}

TEST_F(RASConnLoadedTest, PlatformCodesTakeThePlatformsText) {
  fEvents.Watch(*fRas);
  fRas->DoError(kRASBufferTooSmall);
  WCHAR text[256]{};
  const bool known =
      RASInterface().Basic.RasGetErrorStringW(kRASBufferTooSmall, text, 255) == 0 && text[0] != 0;
  const std::string expected = known ? ToUtf8(FromWide(text)) : "UnDefined Error: 603";
  EXPECT_THAT(fEvents.Errors, ::testing::ElementsAre(std::pair<std::string, int32_t>{expected, 603}));
}

TEST_F(RASConnLoadedTest, AfterTheBindingIsReleasedCallsReportNotLoaded) {
  fEvents.Watch(*fRas);
  UnloadRASInterface();
  EXPECT_EQ(0u, fRas->ConnectionCount());
  EXPECT_THAT(fEvents.Errors,
              ::testing::ElementsAre(std::pair<std::string, int32_t>{"RASAPI32.DLL is not Loaded!", 599}));
}

TEST_F(RASConnLoadedTest, FreeingHangsUpAndLetsNothingOut) {
  fRas->SetHandle(kUnknownConnection);
  int disConnects = 0;
  // Neither a failed hang-up (no OnError) nor a failing handler may escape tear-down.
  fRas->OnDisConnect = [&](TObject*) {
    ++disConnects;
    throw std::runtime_error("handler failed");
  };
  EXPECT_NO_THROW(fRas.reset());
  EXPECT_EQ(1, disConnects);
  EXPECT_EQ(nullptr, TRASConn::FindByHandle(kUnknownConnection));
}

}  // namespace
