#include "orbInternetWindow.h"

#include <exception>

#include "SystemUtils.h"
#include "orbInternet.h"

namespace skylaunch {
namespace {

constexpr wchar_t kWindowClassName[] = L"TInternetWindow";

HINSTANCE ThisModule() { return GetModuleHandleW(nullptr); }

}  // namespace

LRESULT CALLBACK TInternalWindow::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TInternalWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    // The client's window procedure passes messages on with this handle, also while the window
    // is still being created.
    self->fHandle = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  const auto* self = reinterpret_cast<const TInternalWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  // A window procedure is an error boundary: an event handler's exception is shown and the
  // program carries on, as it must not unwind through the platform's dispatch.
  try {
    self->fClient->WndProc(message);
  } catch (...) {
    ShowException(std::current_exception());
  }
  return message.Result;
}

void TInternalWindow::RegisterWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ThisModule();
  windowClass.lpszClassName = kWindowClassName;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw EInternetException(u"Unable to register the internet client's window class.");
  }
}

void TInternalWindow::UnregisterWindowClass() { UnregisterClassW(kWindowClassName, ThisModule()); }

void TInternalWindow::Create(TInternet* client) {
  Reset();
  fClient = client;
  const HWND created =
      CreateWindowExW(0, kWindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), this);
  if (created == nullptr) {
    fHandle = nullptr;
    throw EInternetException(u"Unable to create the internet client's window.");
  }
}

void TInternalWindow::Reset() {
  if (fHandle == nullptr) return;
  // The client stops receiving first, so nothing that DestroyWindow sends reaches it.
  SetWindowLongPtrW(fHandle, GWLP_USERDATA, 0);
  DestroyWindow(fHandle);
  fHandle = nullptr;
}

}  // namespace skylaunch
