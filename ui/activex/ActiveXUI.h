// A control that embeds an OLE control: creates it from a CLSID or ProgID, gives it a site,
// activates it in place (windowless when it can, else in a child host window), keeps its
// extent and rectangles in step with the layout, paints and feeds it when windowless, and
// releases it.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include "ui/base/ControlUI.h"
#include "ui/base/IMessageFilterUI.h"

namespace SkinUI {

class CActiveXCtrl;

class CActiveXUI : public CControlUI, public IMessageFilterUI {
 public:
  CActiveXUI();
  ~CActiveXUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;

  virtual void ReleaseControl();
  virtual bool DoCreateControl();

  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

  bool CreateControl(LPCWSTR clsidOrProgId);
  bool CreateControl(const CLSID& clsid);
  void SetDelayCreate(bool delay = true);
  bool IsDelayCreate() const { return m_delayCreate; }
  HRESULT GetControl(const IID& iid, LPVOID* out);
  CLSID GetClsid() const { return m_clsid; }
  const CUIString& GetModuleName() const { return m_moduleName; }
  void SetModuleName(LPCWSTR name) { m_moduleName = name; }
  bool IsCreated() const { return m_created; }
  HWND GetHostWindow() const { return m_hostWindow; }
  CActiveXCtrl* GetSite() const { return m_site; }
  // The accelerator table handed out in the frame information: one per control, made on
  // first request and destroyed with the control's release.
  HACCEL GetAcceleratorTable();

 protected:
  friend class CActiveXCtrl;
  friend class CActiveXWnd;

  CLSID m_clsid = GUID_NULL;
  CUIString m_moduleName;
  bool m_created = false;
  bool m_delayCreate = true;
  IOleObject* m_object = nullptr;
  CActiveXCtrl* m_site = nullptr;
  HWND m_hostWindow = nullptr;
  HACCEL m_accelerators = nullptr;
};

}  // namespace SkinUI
