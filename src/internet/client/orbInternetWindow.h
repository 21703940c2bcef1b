#pragma once
// The internal window of an asynchronous HTTP client: a message-only window on the thread that
// makes it, whose messages go to the client's WndProc. Destroying it discards the messages still
// queued for it.
#include <windows.h>

namespace skylaunch {

class TInternet;

class TInternalWindow {
 public:
  TInternalWindow() = default;
  TInternalWindow(const TInternalWindow&) = delete;
  TInternalWindow& operator=(const TInternalWindow&) = delete;
  ~TInternalWindow() { Reset(); }

  // Makes the window on the calling thread, its messages going to `client`; raises
  // EInternetException when the platform refuses.
  void Create(TInternet* client);
  // Destroys the window, if any.
  void Reset();
  HWND Handle() const { return fHandle; }

  // The window class, registered by the module's start-up and unregistered by its shutdown.
  static void RegisterWindowClass();
  static void UnregisterWindowClass();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND fHandle{nullptr};
  TInternet* fClient{nullptr};
};

}  // namespace skylaunch
