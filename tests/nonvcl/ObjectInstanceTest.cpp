#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "ObjectInstance.h"

namespace skylaunch {
namespace {

using namespace object_instance_layout;

struct TReceiver {
  TMessage Received{};
  LRESULT Answer = 0;
};

void Receive(void* object, TMessage& message) noexcept {
  auto* receiver = static_cast<TReceiver*>(object);
  receiver->Received = message;
  message.Result = receiver->Answer;
}

TEST(ObjectInstance, CallsItsBoundMethodWithTheMessageRecord) {
  struct Case {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT answer;
  };
  const Case cases[] = {
      {WM_USER, 0, 0, 0},
      {0xFFFFFFFFu, ~WPARAM{0}, LPARAM{-1}, LRESULT{-2}},
      {WM_SETTEXT, WPARAM{0x12345678}, LPARAM{0x7FFFFFFF}, LRESULT{INTPTR_MAX}},
  };
  TReceiver receiver;
  const WNDPROC instance = MakeObjectInstance({&Receive, &receiver});
  for (const auto& c : cases) {
    receiver.Received.Result = 99;
    receiver.Answer = c.answer;
    EXPECT_EQ(instance(HWND(0x1234), c.msg, c.wParam, c.lParam), c.answer);
    EXPECT_EQ(receiver.Received.Msg, c.msg);
    EXPECT_EQ(receiver.Received.WParam, c.wParam);
    EXPECT_EQ(receiver.Received.LParam, c.lParam);
    EXPECT_EQ(receiver.Received.Result, 0);  // the record starts with Result 0
  }
  FreeObjectInstance(instance);
}

TEST(ObjectInstance, FreedInstancesAreReusedLastFirst) {
  TReceiver a, b;
  const WNDPROC first = MakeObjectInstance({&Receive, &a});
  const WNDPROC second = MakeObjectInstance({&Receive, &b});
  FreeObjectInstance(first);
  FreeObjectInstance(second);
  FreeObjectInstance(nullptr);
  const WNDPROC again = MakeObjectInstance({&Receive, &a});
  EXPECT_EQ(again, second);
  EXPECT_EQ(MakeObjectInstance({&Receive, &b}), first);
  // The reused instance is bound to its new object.
  a.Answer = 5;
  EXPECT_EQ(again(nullptr, WM_USER, 0, 0), 5);
  FreeObjectInstance(first);
  FreeObjectInstance(again);
}

TEST(ObjectInstance, MoreInstancesThanABlockHoldEachReachTheirOwnObject) {
  const size_t count = kInstancesPerBlock + 2;
  std::vector<TReceiver> receivers(count);
  std::vector<WNDPROC> instances;
  std::set<uintptr_t> pages;
  for (size_t i = 0; i < count; ++i) {
    receivers[i].Answer = LRESULT(i);
    instances.push_back(MakeObjectInstance({&Receive, &receivers[i]}));
    pages.insert(reinterpret_cast<uintptr_t>(instances.back()) / kBlockSize);
  }
  EXPECT_EQ(std::set<WNDPROC>(instances.begin(), instances.end()).size(), count);
  EXPECT_GE(pages.size(), 2u);
  for (size_t i = 0; i < count; ++i) {
    ASSERT_EQ(instances[i](nullptr, WM_NULL, i, 0), LRESULT(i));
    ASSERT_EQ(receivers[i].Received.WParam, WPARAM(i));
  }
  for (const WNDPROC instance : instances) FreeObjectInstance(instance);
}

}  // namespace
}  // namespace skylaunch
