#pragma once
// Operating-system exceptions caused on purpose by instructions of the test program. Each
// function leaves a local object behind whose destructor counts how often unwinding ran it.
#include <atomic>

namespace skylaunch::testing {

extern std::atomic<int> UnwoundFrames;

void DivideByZero();
void ReadThroughNull();
void WriteToReadOnlyPage();
void ExecutePrivileged();   // hlt, not allowed in user mode
void ExecuteIllegal();      // ud2: an exception code outside the runtime's table

}  // namespace skylaunch::testing
