// The base of every skinned window: a borderless native window with its own manager that
// builds its control tree from the skin on WM_CREATE, drags by its caption, resizes by its
// borders, rounds its corners and handles the standard caption buttons.
#pragma once
#include <windows.h>

#include <memory>

#include "ui/core/UIString.h"
#include "ui/skin/IDialogBuilderCallback.h"
#include "ui/base/IMessageFilterUI.h"
#include "ui/base/INotifyUI.h"
#include "ui/base/NotifyPump.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"

namespace SkinUI {

class CWndShadow;

// Where the skin comes from (GetResourceType).
enum UILIB_RESOURCETYPE {
  UILIB_FILE = 1,      // plain files under the resource path
  UILIB_ZIP = 2,       // a ZIP archive file in the resource path
  UILIB_RESOURCE = 3,  // the XML as a resource of type "xml"
  UILIB_ZIPRESOURCE = 4,  // a ZIP archive as a resource of type "ZIPRES"
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  using CWindowWnd::Create;
  HWND Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
              HMENU menu = nullptr) override;
  UINT GetClassStyle() const override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;

  virtual void InitWindow();
  virtual void OnClick(UINotifyMsg& msg);
  virtual CUIString GetSkinFolder() = 0;
  virtual CUIString GetSkinFile() = 0;
  virtual LRESULT HandleDefaultKey(WPARAM key);
  virtual UINT GetResourceType() const;
  virtual CUIString GetZIPFileName() const;
  virtual LPCWSTR GetSkinResourceID() const;
  // The skin could not be built while the window was created: by default a system box
  // says so and the process ends with code 1. Does not return.
  virtual void OnSkinLoadFailed();
  virtual LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcActivate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcPaint(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseHover(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSize(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMove(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnChar(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnKillFocus(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnSetFocus(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LRESULT OnShowWindow(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  virtual LONG GetStyle();

  // INotifyUI, IMessageFilterUI, IDialogBuilderCallback.
  void Notify(UINotifyMsg& msg) override;
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  CControlUI* CreateControl(LPCWSTR className) override;

  CWindowManagerUI& GetManager() { return m_manager; }
  CWndShadow* GetShadow() const { return m_shadow.get(); }

  SKINUI_DECLARE_NOTIFY_MAP()

 protected:
  // True for the controls over which a press drags the window.
  static bool IsCaptionControl(CControlUI* control);

  CWindowManagerUI m_manager;
  std::unique_ptr<CWndShadow> m_shadow;
};

}  // namespace SkinUI
