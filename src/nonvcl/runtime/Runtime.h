#pragma once
// The start-up and shutdown steps of module NonVCLMisc. The program runs them explicitly, in its
// start-up order (this module first, before the program entry creates any window) and its
// shutdown order, on the main thread. They are counted: each start-up needs one shutdown, and
// only the first start-up and the last shutdown do anything.
//
// Start-up: install the exception hooks (ExceptionHooks.h), then create ThreadLock (Thread.h).
// Shutdown: delete ThreadLock. The hooks stay, and so do the queue of cross-thread calls and the
// window thunk pages.
namespace skylaunch {

void InitializeNonVCLMisc();
void FinalizeNonVCLMisc();

}  // namespace skylaunch
