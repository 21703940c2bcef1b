#pragma once
// TNonVCLWindow wraps one raw window. Making the object (Create<T>(top, left, width, height,
// parent)) registers the window class on first use, creates the window and binds it to the
// object through an object instance (ObjectInstance.h); the window's messages then arrive at
// the virtual operations below; freeing the object destroys the window.
//
// Construction body (Construct, the constructor of the window classes):
//   1. register the window class (GetWindowClassName, FillWindowClass, IsSystemClass);
//   2. make the object instance bound to WndProc;
//   3. CreateWnd, during which WM_CREATE reaches WMCreate.
// It runs after the C++ constructors, so every virtual call in it, and every message sent while
// the window is created, reaches the final class. A descendant that needs its own state first
// (the standard controls) sets it in its Construct before calling the base's. When a step
// raises, the half-made object is destroyed (window and instance included) and the exception
// reaches the caller of Create<T>.
//
// Tear-down (Free): BeforeDestruction (descendants release what they own), then Destroy, which
// destroys the window while the object is still whole, so WM_DESTROY reaches the final class's
// WMDestroy, and puts the instance back on the free list.
//
// Windows are made, used and freed on the thread of the message loop.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ObjectInstance.h"
#include "RootObject.h"

namespace skylaunch {

class TNonVCLWindow : public TObject {
 public:
  // The rectangle is in pixels: relative to the parent's client area for a child window, to
  // the screen for a top-level one (parentWindow null).
  TNonVCLWindow(int32_t top, int32_t left, int32_t width, int32_t height, HWND parentWindow);

  HWND Handle() const { return fHandle; }
  std::u16string Caption() const { return GetCaption(); }
  // The client rectangle: Width and Height its size; Left and Top its origin, which is 0.
  int32_t Width() const;
  int32_t Height() const;
  int32_t Left() const;
  int32_t Top() const;

  void SetFocus();
  // Moves the window by half of the desktop's free width and height from where it stands, so a
  // window at the desktop's top-left corner ends in its middle.
  void CenterWindow();
  // WM_SETFONT with the stock DEFAULT_GUI_FONT, no redraw.
  void SetDefaultFont();
  // WM_SETFONT: the window draws its text with `font`, which must outlive its use there.
  void SetFont(HFONT font, bool redraw);
  // Moves and sizes the window (for a child window, in the parent's client coordinates).
  void SetBounds(int32_t top, int32_t left, int32_t width, int32_t height);

  // Virtual operations, in slot order.

  // Dispatches WM_CREATE, WM_DESTROY, WM_PAINT and WM_CLOSE to their handlers (each gets a copy
  // of the record, so what it writes to Result is not returned) and everything else to
  // DefaultHandler. An exception from a handler is shown in an "Error" box and the message
  // counts as handled.
  virtual void WndProc(TMessage& message);

 protected:
  virtual void CreateWnd(int32_t top, int32_t left, int32_t width, int32_t height, HWND parentWindow);
  // Default: the run-time class name of the object ("TDownloadForm").
  virtual std::u16string GetWindowClassName() const;
  // The base leaves the record zeroed; the class name and the rest come from here. The texts it
  // points to must stay valid until the class is registered (a member of the object will do).
  // The window procedure is replaced unless the class is a system class.
  virtual void FillWindowClass(WNDCLASSW& wndClass);
  // A predefined class of the system: its windows keep their own window procedure.
  virtual bool IsSystemClass() const;

 public:
  // The window text, at most 255 characters; empty while there is no window.
  virtual std::u16string GetCaption() const;
  virtual void SetCaption(const std::u16string& value);

 protected:
  virtual DWORD GetExStyle() const;
  virtual DWORD GetStyle() const;  // WS_VISIBLE
  virtual UINT GetControlID() const;
  virtual void WMCreate(TMessage& message);
  virtual void WMDestroy(TMessage& message);
  // The base does nothing: WM_CLOSE alone does not destroy the window.
  virtual void WMClose(TMessage& message);
  // Paints through Paint between BeginPaint and EndPaint.
  virtual void WMPaint(TMessage& message);
  virtual void Paint(HDC dc);
  void Construct() override;  // the constructor's body, slot Create
  // Result := DefWindowProcW.
  virtual void DefaultHandler(TMessage& message);

  void Destroy() override;

  std::u16string ClassName() const;

  HWND fHandle{nullptr};  // not cleared when the window is destroyed
  WNDPROC fObjectInstance{nullptr};

 private:
  struct TCreateArgs {
    int32_t Top;
    int32_t Left;
    int32_t Width;
    int32_t Height;
    HWND ParentWindow;
  };

  bool RegisterWindowClass();
  RECT ClientRect() const;

  static void WindowMethod(void* object, TMessage& message) noexcept;
  static LRESULT CALLBACK InitialWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

  TCreateArgs fCreateArgs;
};

}  // namespace skylaunch
