#include "InternetMgr.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "ServiceControl.h"
#include "local_services.h"

namespace skylaunch {
namespace {

using ::testing::ElementsAre;

MATCHER_P(StartsWith, prefix, "") { return std::u16string_view(arg).starts_with(prefix); }

// Answers of the platform's connection services chosen by the test, with a record of dialling.
class TScriptedConnection : public TConnectionPlatform {
 public:
  struct TState {
    bool connected = false;
    uint32_t flags = 0;
    bool dialSucceeds = false;
    bool connectedAfterDial = false;
    int reads = 0, dials = 0, hangups = 0;
  };
  explicit TScriptedConnection(TState& state) : fState(state) {}
  bool ConnectedState(uint32_t& flags) override {
    ++fState.reads;
    flags = fState.flags;
    return fState.connected;
  }
  bool Autodial(HWND) override {
    ++fState.dials;
    if (fState.dialSucceeds) fState.connected = fState.connectedAfterDial;
    return fState.dialSucceeds;
  }
  void AutodialHangup() override { ++fState.hangups; }

 private:
  TState& fState;
};

struct TManager {
  explicit TManager(std::unique_ptr<TConnectionPlatform> platform = TConnectionPlatform::WinInet())
      : manager(Create<TInternetManager>(nullptr, std::move(platform))) {
    manager->OnStatusChange = [this](TInternetManager* sender, const std::u16string& status) {
      EXPECT_EQ(sender, manager.get());
      statuses.push_back(status);
    };
  }
  TOwned<TInternetManager> manager;
  std::vector<std::u16string> statuses;
};

std::u16string Url(const char16_t* base, const char16_t* path) { return std::u16string(base) + path; }

TEST(InternetManager, ValidatesTheHealthUrlWhateverItsStatus) {
  for (const char* scenario : {"{}", R"({"faults":[{"origin":"catalog","path":"/health/full","status":404}]})"}) {
    testing::TServiceScenario services(scenario);
    TManager m;
    m.manager->SetValidationHost(Url(local_services::kCatalogURL, u"/health/full"));
    EXPECT_TRUE(m.manager->ValidateConnection()) << scenario;
    EXPECT_EQ(m.manager->LastError(), 0);
    ASSERT_THAT(m.statuses, ElementsAre(StartsWith(u"Default Internet Receive Timeout is "),
                                        u"Internet Receive Timeout changed to 7000.",
                                        StartsWith(u"Internet Receive Timeout reset to ")));
    EXPECT_EQ(m.statuses[0].substr(36), m.statuses[2].substr(34));  // the default comes back
    ASSERT_EQ(services.Control().Requests("catalog").size(), 1u);
  }
}

TEST(InternetManager, UnreachableServiceFailsWithThePlatformErrorAndAllThreeTexts) {
  struct Case {
    const char* name;
    std::string scenario;
    std::u16string url;
    uint32_t timeout;
  };
  const Case cases[] = {
      {"refused", "{}", Url(local_services::kRefusedURL, u"/health/full"), 7000},
      // A silent server is not among the cases: Wine accepts the receive time-out on the session
      // handle but does not apply it to the requests made from it.
      {"short time-out", "{}", Url(local_services::kRefusedURL, u"/health/full"), 500},
      {"untrusted", "{}", Url(local_services::kUntrustedURL, u"/health/full"), 7000},
  };
  for (const auto& c : cases) {
    testing::TServiceScenario services(c.scenario);
    TManager m;
    m.manager->SetValidationHost(c.url);
    m.manager->SetValidationTimeout(c.timeout);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m.manager->ValidateConnection()) << c.name;
    EXPECT_NE(m.manager->LastError(), 0) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << c.name;
    ASSERT_EQ(m.statuses.size(), 3u) << c.name;
    EXPECT_EQ(m.statuses[1], u"Internet Receive Timeout changed to " +
                                 std::u16string(c.timeout == 500 ? u"500" : u"7000") + u".");
    EXPECT_THAT(m.statuses[2], StartsWith(u"Internet Receive Timeout reset to "));
  }
}

TEST(InternetManager, FreshManagerOnAConnectedMachineReportsStartedOnce) {
  TManager m;
  EXPECT_TRUE(m.manager->ConnectionAvailable());
  EXPECT_TRUE(m.manager->ConnectionAvailable());
  EXPECT_NE(m.manager->ConnectionType(), ctNotConfigured);
  EXPECT_THAT(m.statuses, ElementsAre(u"Internet Connection Started."));
}

TEST(InternetManager, ConnectFollowsTheConnectionState) {
  {  // LAN and proxy together: not configured, so neither dialling nor validation
    TScriptedConnection::TState state{.connected = true, .flags = 2 | 4};
    TManager m(std::make_unique<TScriptedConnection>(state));
    EXPECT_EQ(m.manager->ConnectionType(), ctNotConfigured);
    EXPECT_TRUE(m.manager->Connect());  // the connected state, unchanged
    EXPECT_EQ(state.dials, 0);
    EXPECT_THAT(m.statuses, ElementsAre(u"Internet Connection Started."));
  }
  {  // flags 0 are read again on every query
    TScriptedConnection::TState state{};
    TManager m(std::make_unique<TScriptedConnection>(state));
    EXPECT_FALSE(m.manager->ConnectionAvailable());
    EXPECT_FALSE(m.manager->ConnectionAvailable());
    EXPECT_GE(state.reads, 2);
    EXPECT_FALSE(m.manager->Connect());
    EXPECT_TRUE(m.statuses.empty());
  }
  {  // a modem that dials unattended, then the validation decides
    TScriptedConnection::TState state{.flags = 1, .dialSucceeds = true, .connectedAfterDial = true};
    TManager m(std::make_unique<TScriptedConnection>(state));
    m.manager->SetValidationHost(Url(local_services::kRefusedURL, u"/"));
    EXPECT_FALSE(m.manager->Connect());
    EXPECT_EQ(state.dials, 1);
    EXPECT_NE(m.manager->LastError(), 0);
    EXPECT_EQ(m.statuses.front(), u"Internet Connection Started.");
    EXPECT_EQ(m.statuses.size(), 4u);
  }
  {  // a failed dial: no validation
    TScriptedConnection::TState state{.flags = 1};
    TManager m(std::make_unique<TScriptedConnection>(state));
    EXPECT_FALSE(m.manager->Connect());
    EXPECT_EQ(state.dials, 1);
    EXPECT_TRUE(m.statuses.empty());
  }
}

TEST(InternetManager, AfterAbortNothingIsRequestedOrDialled) {
  testing::TServiceScenario services;
  TScriptedConnection::TState state{.flags = 1, .dialSucceeds = true, .connectedAfterDial = true};
  TManager m(std::make_unique<TScriptedConnection>(state));
  m.manager->SetValidationHost(Url(local_services::kCatalogURL, u"/health/full"));
  m.manager->SetAbort(true);
  EXPECT_FALSE(m.manager->ValidateConnection());
  EXPECT_EQ(m.manager->LastError(), ERROR_INTERNET_OPERATION_CANCELLED);
  EXPECT_FALSE(m.manager->Connect());
  EXPECT_EQ(state.dials, 0);
  EXPECT_TRUE(services.Control().Requests().empty());
}

TEST(InternetManager, ValidationHostIsTrimmedAndDefaulted) {
  TManager m;
  EXPECT_EQ(m.manager->ValidationHost(), TInternetManager::kDefaultValidationURL);
  m.manager->SetValidationHost(u" \t https://127.0.0.1/health/full \r\n");
  EXPECT_EQ(m.manager->ValidationHost(), u"https://127.0.0.1/health/full");
  m.manager->SetValidationHost(u"  \t ");
  EXPECT_EQ(m.manager->ValidationHost(), TInternetManager::kDefaultValidationURL);
  EXPECT_EQ(m.manager->ValidationTimeout(), 7000u);
}

TEST(InternetManager, DisconnectHangsUpUnlessVetoed) {
  TScriptedConnection::TState state{};
  TManager m(std::make_unique<TScriptedConnection>(state));
  m.manager->Disconnect();
  EXPECT_EQ(state.hangups, 1);
  bool asked = false;
  m.manager->OnDisconnected = [&](TInternetManager*, bool& canHangup) {
    asked = canHangup;  // true on entry
    canHangup = false;
  };
  m.manager->Disconnect();
  EXPECT_TRUE(asked);
  EXPECT_EQ(state.hangups, 1);
}

}  // namespace
}  // namespace skylaunch
