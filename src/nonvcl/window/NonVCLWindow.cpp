#include "NonVCLWindow.h"

#include <typeinfo>
#include <utility>

#include "ClassName.h"
#include "ExceptionLite.h"
#include "SystemUtils.h"
#include "WinText.h"

namespace skylaunch {
namespace {

// The object whose window CreateWnd is creating; InitialWndProc binds the window's first
// message to it. Only the thread of the message loop creates windows, so there is no lock.
TNonVCLWindow* CreationWindow = nullptr;

constexpr int kCaptionBuffer = 256;  // GetCaption reads at most 255 characters

// BeginPaint/EndPaint, so the update region is validated also when painting raises.
class TPaintScope {
 public:
  explicit TPaintScope(HWND window) : fWindow(window), fDC(BeginPaint(window, &fPaint)) {}
  ~TPaintScope() { EndPaint(fWindow, &fPaint); }
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;
  HDC DC() const { return fDC; }

 private:
  HWND fWindow;
  PAINTSTRUCT fPaint{};
  HDC fDC;
};

}  // namespace

TNonVCLWindow::TNonVCLWindow(int32_t top, int32_t left, int32_t width, int32_t height, HWND parentWindow)
    : fCreateArgs{top, left, width, height, parentWindow} {}

void TNonVCLWindow::Construct() {
  if (!RegisterWindowClass()) throw ExceptionLite(u"Unable to register form " + GetWindowClassName());
  fObjectInstance = MakeObjectInstance({&WindowMethod, this});
  CreateWnd(fCreateArgs.Top, fCreateArgs.Left, fCreateArgs.Width, fCreateArgs.Height,
            fCreateArgs.ParentWindow);
}

void TNonVCLWindow::Destroy() {
  // Still the whole object: WM_DESTROY reaches the final class's WMDestroy.
  if (fHandle != nullptr) DestroyWindow(fHandle);
  FreeObjectInstance(std::exchange(fObjectInstance, nullptr));
}

bool TNonVCLWindow::RegisterWindowClass() {
  const std::u16string name = GetWindowClassName();
  WNDCLASSW wndClass{};
  // Registered earlier by this process, or a predefined class of the system.
  if (GetClassInfoW(GetModuleHandleW(nullptr), as_wcstr(name), &wndClass)) return true;
  wndClass = WNDCLASSW{};
  FillWindowClass(wndClass);
  if (!IsSystemClass()) wndClass.lpfnWndProc = &InitialWndProc;
  return RegisterClassW(&wndClass) != 0;
}

void TNonVCLWindow::CreateWnd(int32_t top, int32_t left, int32_t width, int32_t height, HWND parentWindow) {
  CreationWindow = this;
  const DWORD style = GetStyle();
  const UINT controlID = GetControlID();
  const std::u16string caption = GetCaption();
  const std::u16string className = GetWindowClassName();
  const DWORD exStyle = GetExStyle();
  fHandle = CreateWindowExW(exStyle, as_wcstr(className), as_wcstr(caption), style, left, top, width, height,
                            parentWindow, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlID)),
                            GetModuleHandleW(nullptr), nullptr);
  // Windows of system classes never pass InitialWndProc, and a failed creation may not either:
  // left set, the pointer would bind a later window of a toolkit class to a released object.
  CreationWindow = nullptr;
  if (fHandle == nullptr) throw ExceptionLite(u"Unable to create window " + ClassName());
  SetDefaultFont();
}

LRESULT CALLBACK TNonVCLWindow::InitialWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TNonVCLWindow* const object = std::exchange(CreationWindow, nullptr);
  // A window of a toolkit class that was not made through CreateWnd has no object.
  if (object == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
  object->fHandle = window;
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->fObjectInstance));
  if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0 && GetWindowLongPtrW(window, GWLP_ID) == 0) {
    SetWindowLongPtrW(window, GWLP_ID, reinterpret_cast<LONG_PTR>(window));
  }
  return object->fObjectInstance(window, msg, wParam, lParam);
}

void TNonVCLWindow::WindowMethod(void* object, TMessage& message) noexcept {
  // A descendant's WndProc may raise outside the base's guard; no exception may unwind into the
  // window manager's frames.
  try {
    static_cast<TNonVCLWindow*>(object)->WndProc(message);
  } catch (...) {
    ShowException(std::current_exception());
  }
}

void TNonVCLWindow::WndProc(TMessage& message) {
  try {
    TMessage copy = message;
    switch (message.Msg) {
      case WM_CREATE:
        SetDefaultFont();
        WMCreate(copy);
        break;
      case WM_DESTROY:
        WMDestroy(copy);
        break;
      case WM_PAINT:
        WMPaint(copy);
        DefaultHandler(message);
        break;
      case WM_CLOSE:
        WMClose(copy);
        break;
      default:
        DefaultHandler(message);
    }
  } catch (...) {
    ShowException(std::current_exception());
  }
}

void TNonVCLWindow::DefaultHandler(TMessage& message) {
  message.Result = DefWindowProcW(fHandle, message.Msg, message.WParam, message.LParam);
}

std::u16string TNonVCLWindow::GetWindowClassName() const { return ClassName(); }
void TNonVCLWindow::FillWindowClass(WNDCLASSW&) {}
bool TNonVCLWindow::IsSystemClass() const { return false; }
DWORD TNonVCLWindow::GetExStyle() const { return 0; }
DWORD TNonVCLWindow::GetStyle() const { return WS_VISIBLE; }
UINT TNonVCLWindow::GetControlID() const { return 0; }
void TNonVCLWindow::WMCreate(TMessage&) {}
void TNonVCLWindow::WMDestroy(TMessage&) {}
void TNonVCLWindow::WMClose(TMessage&) {}
void TNonVCLWindow::Paint(HDC) {}

void TNonVCLWindow::WMPaint(TMessage&) {
  TPaintScope paint(fHandle);
  Paint(paint.DC());
}

std::u16string TNonVCLWindow::GetCaption() const {
  if (fHandle == nullptr) return {};
  wchar_t buffer[kCaptionBuffer]{};
  const int length = GetWindowTextW(fHandle, buffer, kCaptionBuffer);
  return std::u16string(as_u16cstr(buffer), length > 0 ? length : 0);
}

void TNonVCLWindow::SetCaption(const std::u16string& value) { SetWindowTextW(fHandle, as_wcstr(value)); }

RECT TNonVCLWindow::ClientRect() const {
  RECT rect{};
  GetClientRect(fHandle, &rect);
  return rect;
}

int32_t TNonVCLWindow::Width() const {
  const RECT rect = ClientRect();
  return rect.right - rect.left;
}

int32_t TNonVCLWindow::Height() const {
  const RECT rect = ClientRect();
  return rect.bottom - rect.top;
}

int32_t TNonVCLWindow::Left() const { return ClientRect().left; }
int32_t TNonVCLWindow::Top() const { return ClientRect().top; }

void TNonVCLWindow::SetFocus() { ::SetFocus(fHandle); }

void TNonVCLWindow::CenterWindow() {
  RECT desktop{};
  RECT own{};
  GetWindowRect(GetDesktopWindow(), &desktop);
  GetWindowRect(fHandle, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  // The window's own position is the base, not the desktop's origin.
  const int x = own.left + ((desktop.right - desktop.left) - width) / 2;
  const int y = own.top + ((desktop.bottom - desktop.top) - height) / 2;
  SetWindowPos(fHandle, nullptr, x, y, width, height, 0);
}

void TNonVCLWindow::SetDefaultFont() { SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), false); }

void TNonVCLWindow::SetFont(HFONT font, bool redraw) {
  SendMessageW(fHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw ? TRUE : FALSE, 0));
}

void TNonVCLWindow::SetBounds(int32_t top, int32_t left, int32_t width, int32_t height) {
  MoveWindow(fHandle, left, top, width, height, TRUE);
}

std::u16string TNonVCLWindow::ClassName() const { return ClassNameOf(typeid(*this)); }

}  // namespace skylaunch
