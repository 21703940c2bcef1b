// Item identifiers are process-wide, so this runs in a process of its own.
#include <gtest/gtest.h>

#include "NonVCLControls.h"
#include "WindowTestSupport.h"

namespace skylaunch {
namespace {

TEST(ControlItemID, TheFirstControlsOfTheProcessCountFrom255) {
  auto form = Create<testing::TPopupWindow>(0, 0, 300, 150, nullptr);
  auto label = Create<TNonVCLLabel>(15, 10, 280, 20, form->Handle());
  auto bar = Create<TNonVCLProgressBar>(50, 10, 280, 16, form->Handle());
  auto button = Create<TNonVCLButton>(110, 112, 75, 25, form->Handle());
  EXPECT_EQ(label->ItemID(), 255u);
  EXPECT_EQ(bar->ItemID(), 256u);
  EXPECT_EQ(button->ItemID(), 257u);
  // The progress bar's window is made with identifier 0; as a system class it keeps it.
  EXPECT_EQ(GetDlgCtrlID(label->Handle()), 255);
  EXPECT_EQ(GetDlgCtrlID(bar->Handle()), 0);
  EXPECT_EQ(GetDlgCtrlID(button->Handle()), 257);
}

}  // namespace
}  // namespace skylaunch
