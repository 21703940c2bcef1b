#include <gtest/gtest.h>

#include <cstdint>

#include "ObjectInstance.h"

namespace skylaunch {
namespace {

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

}  // namespace
}  // namespace skylaunch
