#pragma once
// The modules' start-up steps, in this order, and their shutdown steps in reverse: the runtime
// (exception hooks, thread lock), the library list's lock, the HTTP client's list of active
// clients, the dial-up binding. Explicit, not left to the order of static initialisation.
namespace skylaunch {

class TModuleStartup {
 public:
  TModuleStartup();
  ~TModuleStartup();
  TModuleStartup(const TModuleStartup&) = delete;
  TModuleStartup& operator=(const TModuleStartup&) = delete;
};

}  // namespace skylaunch
