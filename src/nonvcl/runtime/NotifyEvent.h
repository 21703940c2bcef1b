#pragma once
// The common event of the toolkit and the runtime (a button's OnClick, a thread's OnTerminate):
// called with the object that fires it; "assigned" means non-empty.
#include <functional>

#include "RootObject.h"

namespace skylaunch {

using TNonVCLNotifyEvent = std::function<void(TObject* Sender)>;

}  // namespace skylaunch
