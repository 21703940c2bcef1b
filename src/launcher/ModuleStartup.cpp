#include "ModuleStartup.h"

#include "RASINTF.h"
#include "Runtime.h"
#include "libstate_lock.h"
#include "orbInternetList.h"

namespace skylaunch {

TModuleStartup::TModuleStartup() {
  InitializeNonVCLMisc();
  InitializeLibState();
  InitializeOrbInternet();
  LoadRASInterface();
}

TModuleStartup::~TModuleStartup() {
  UnloadRASInterface();
  FinalizeOrbInternet();
  FinalizeLibState();
  FinalizeNonVCLMisc();
}

}  // namespace skylaunch
