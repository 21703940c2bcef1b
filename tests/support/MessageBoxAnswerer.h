#pragma once
// Finds a message box of this process by its caption, reads its text and presses one of its
// buttons, from a thread of its own, while the code under test waits inside the box.
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

namespace skylaunch::testing {

class TMessageBoxAnswerer {
 public:
  // Starts looking at once; `button` is the dialog identifier to press (IDOK, IDCANCEL, IDRETRY…).
  TMessageBoxAnswerer(std::wstring caption, int button,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));
  ~TMessageBoxAnswerer();
  TMessageBoxAnswerer(const TMessageBoxAnswerer&) = delete;
  TMessageBoxAnswerer& operator=(const TMessageBoxAnswerer&) = delete;

  // Waits for the answering thread; true when a box was found and answered.
  bool Wait();
  const std::wstring& Text() const { return fText; }
  DWORD Style() const { return fStyle; }

 private:
  void Run();

  std::wstring fCaption;
  int fButton;
  std::chrono::milliseconds fTimeout;
  std::wstring fText;
  DWORD fStyle = 0;
  bool fAnswered = false;
  std::thread fThread;
};

}  // namespace skylaunch::testing
