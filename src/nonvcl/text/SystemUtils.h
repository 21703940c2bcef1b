#pragma once
// The platform side of the text utilities: the error box, the platform family and the
// temporary folder.
#include <exception>
#include <string>

namespace skylaunch {

// Shows ExceptionText(error) in a task-modal box captioned "Error" without an owner window and
// returns once the user has closed it. Neither frees nor re-raises.
void ShowException(const std::exception_ptr& error);

bool IsWindowsNT();

// The system temporary folder without trailing backslashes.
std::u16string SystemTempFolder();

}  // namespace skylaunch
