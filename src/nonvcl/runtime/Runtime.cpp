#include "Runtime.h"

#include "ExceptionHooks.h"
#include "Thread.h"

namespace skylaunch {
namespace {

int InitCount = 0;  // touched on the main thread only, before and after any other thread runs

}  // namespace

void InitializeNonVCLMisc() {
  if (++InitCount != 1) return;
  InstallExceptionHooks();
  CreateThreadLock();
}

void FinalizeNonVCLMisc() {
  if (InitCount == 0 || --InitCount != 0) return;
  DeleteThreadLock();
}

}  // namespace skylaunch
