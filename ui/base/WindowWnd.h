// One native window: class registration (own class or a superclass of a system class),
// creation, the link between window and object, show, centre, modal loop, close and icon.
//
// Object lifetime: any handler may close its window. A window object may delete itself in
// OnFinalMessage (and the manager and controls it owns go with it), and the code that called
// the handler is still on the stack: the window procedure that routed the message, a
// container walking its children, a delegate list, a notification loop, the text services.
// The framework has one rule for all of them, kept here:
//
//   OnFinalMessage runs when the outermost framework frame of the thread has returned.
//
// Every entry into framework code that may call out holds a DispatchScope: the window
// procedure (Route), Create, the animation driver's tick, and the doors through which
// handlers are reached: CWindowManagerUI::SendNotify, CControlUI::Event and its delegate
// lists, the manager's message entry and focus moves, CWindowManagerUI::Survives. WM_NCDESTROY clears the object's handle
// at once and puts the object on a per-thread list of final messages; the list is worked off
// when the depth of scopes comes back to zero. So every frame that a handler returns to meets
// a dead but valid object: its handle gone (GetHWND() null, ::IsWindow false), which the
// manager reads as "window gone" and stops delivering events and notifications.
// When the outermost scope is a message (a window procedure, Create, a timer tick) the list
// runs as it closes: nothing beneath it holds the object (DestroyWindow called from outside
// the framework runs the final message at once, as it always did). When it is a callout
// reached from outside any message (a task of the main-thread queue calling into a control,
// a test) its caller still uses the objects, so the list runs at the thread's next message,
// or as the thread ends (the program's exit too) when no next message comes.
#pragma once
#include <windows.h>

namespace SkinUI {

class CWindowWnd {
 public:
  CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;
  virtual ~CWindowWnd();

  // Virtual operations, in slot order.
  virtual HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                      int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                      HMENU menu = nullptr);
  virtual void ShowWindow(bool show = true, bool takeFocus = true);
  virtual void CenterWindow();
  virtual LPCWSTR GetWindowClassName() const = 0;
  virtual LPCWSTR GetSuperClassName() const;
  virtual UINT GetClassStyle() const;
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void OnFinalMessage(HWND hwnd);

  HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu = nullptr);
  HWND CreateInRect(HWND parent, DWORD style, DWORD exStyle, RECT rc);
  HWND GetHWND() const { return m_hwnd; }
  operator HWND() const { return m_hwnd; }
  UINT ShowModal();
  void Close(UINT code = IDOK);
  void SetIcon(UINT resourceId);

  bool RegisterWindowClass();
  bool RegisterSuperclass();

  // One framework frame on the thread's stack (see the top of this file).
  class DispatchScope {
   public:
    // kMessage: nothing beneath holds what a handler may close (a window procedure, Create,
    // a timer tick); kCallout: the caller goes on using the objects afterwards.
    enum Kind { kMessage, kCallout };
    explicit DispatchScope(Kind kind = kCallout);
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

   private:
    Kind m_kind;
  };
  // Runs the action once the thread's outermost framework frame has returned (at once when
  // there is none): the deletion of what a handler may have taken away.
  static void DeferUntilUnwound(void (*action)(void*), void* object);
  // The number of framework frames on this thread's stack.
  static int GetDispatchDepth();

 protected:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StaticControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool inProperty);

  HWND m_hwnd = nullptr;
  WNDPROC m_oldWndProc;

 private:
  static void RunFinalMessage(void* window);
  HWND m_destroyedHwnd = nullptr;
  bool m_finalPending = false;
};

}  // namespace SkinUI
