// The soft drop shadow of a frameless window: a layered, click-through window a few pixels
// larger than its owner on every side, kept behind it by subclassing the owner's procedure.
// Whoever creates the object owns it and deletes it; the owner's last message only detaches it.
#pragma once
#include <windows.h>

namespace SkinUI {

class CWndShadow {
 public:
  // Bits of the status.
  enum : BYTE { kEnabled = 1, kVisible = 2, kParentVisible = 4 };

  CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;
  virtual ~CWndShadow();

  // Once per process: false without UpdateLayeredWindow and on every later call.
  static bool Initialize(HINSTANCE instance);
  // Creates the shadow window for `owner` and starts following it; null before Initialize.
  HWND Create(HWND owner);
  // Recomputes visibility from the owner's style and shows or hides the shadow.
  void Show(HWND owner);
  // Rebuilds the picture and places the shadow around the owner.
  void Update(HWND owner);

  HWND GetShadowWnd() const { return m_hWnd; }
  HWND GetOwnerWnd() const { return m_owner; }
  BYTE GetStatus() const { return m_status; }
  signed char GetSize() const { return m_size; }
  COLORREF GetColor() const { return m_color; }
  // The alpha of ring k (0 the outermost) of a shadow `size` pixels wide.
  static BYTE RingAlpha(int k, int size);

 protected:
  // Paints the W x H picture (a bottom-up 32-bit section) for the owner rectangle.
  void MakeShadow(DWORD* pixels, HWND owner, const RECT* ownerRect);
  static DWORD PreMultiply(COLORREF color, BYTE alpha);
  static void CALLBACK DelayedUpdateProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);
  static LRESULT CALLBACK ParentSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT OnOwnerShow(HWND owner, WPARAM shown, LRESULT result);
  bool OnOwnerSize(HWND owner, WPARAM wParam, LPARAM lParam, WNDPROC prev, LRESULT& result);

 private:
  // Gives the owner its procedure back, forgets the owner and destroys the shadow window.
  void Detach();
  void MoveToOwner(HWND owner, UINT flags);

  HWND m_hWnd = reinterpret_cast<HWND>(-1);
  HWND m_owner = nullptr;
  signed char m_size = 14;
  signed char m_xOffset = 0;
  signed char m_yOffset = 0;
  LPARAM m_lastSize = 0;
  bool m_updatePending = false;
  COLORREF m_color = RGB(0x50, 0x50, 0x50);
  BYTE m_status = 0;
  WNDPROC m_prevProc = nullptr;
};

}  // namespace SkinUI
