// Helper program of the exception-hook tests: starts the runtime, then lets an exception of the
// kind named by its first argument go uncaught. Its second argument names a file that the
// program's shutdown writes, so the test can tell that the normal shutdown still ran.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ExceptionLite.h"
#include "Faults.h"
#include "Runtime.h"

namespace {

const char* ShutdownMarker = nullptr;

void Shutdown() {
  skylaunch::FinalizeNonVCLMisc();
  if (FILE* file = std::fopen(ShutdownMarker, "w")) std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  ShutdownMarker = argv[2];
  skylaunch::InitializeNonVCLMisc();
  std::atexit(Shutdown);

  const std::string mode = argv[1];
  if (mode == "throw") throw skylaunch::ExceptionLite(u"Nobody catches this.");
  if (mode == "throw-other") throw 42;
  if (mode == "fault") skylaunch::testing::DivideByZero();
  if (mode == "raise") RaiseException(0xE0001234, 0, 0, nullptr);
  if (mode == "worker-raise") std::thread([] { RaiseException(0xE0001234, 0, 0, nullptr); }).join();
  return mode == "return" ? 0 : 3;
}
