// The site of an embedded OLE control: client site, windowless in-place site, control site
// and object-with-site in one COM object. Calls that need the control answer E_UNEXPECTED
// once the control has let go of its site.
#pragma once
#include <windows.h>
#include <ocidl.h>

namespace SkinUI {

class CActiveXUI;
class CActiveXWnd;

class CActiveXCtrl : public IOleClientSite,
                     public IOleInPlaceSiteWindowless,
                     public IOleControlSite,
                     public IObjectWithSite {
 public:
  CActiveXCtrl();
  CActiveXCtrl(const CActiveXCtrl&) = delete;
  CActiveXCtrl& operator=(const CActiveXCtrl&) = delete;

  // IUnknown (one count for every face)
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** ppContainer) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override;
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL fShow) override;
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

  // IOleWindow, IOleInPlaceSite, IOleInPlaceSiteEx, IOleInPlaceSiteWindowless
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                             LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE scrollExtant) override;
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL fUndoable) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT lprcPosRect) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD dwFlags) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL fNoRedraw) override;
  HRESULT STDMETHODCALLTYPE RequestUIActivate() override;
  HRESULT STDMETHODCALLTYPE CanWindowlessActivate() override;
  HRESULT STDMETHODCALLTYPE GetCapture() override;
  HRESULT STDMETHODCALLTYPE SetCapture(BOOL fCapture) override;
  HRESULT STDMETHODCALLTYPE GetFocus() override;
  HRESULT STDMETHODCALLTYPE SetFocus(BOOL fFocus) override;
  HRESULT STDMETHODCALLTYPE GetDC(LPCRECT pRect, DWORD grfFlags, HDC* phDC) override;
  HRESULT STDMETHODCALLTYPE ReleaseDC(HDC hDC) override;
  HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT pRect, BOOL fErase) override;
  HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN hRGN, BOOL fErase) override;
  HRESULT STDMETHODCALLTYPE ScrollRect(INT dx, INT dy, LPCRECT pRectScroll, LPCRECT pRectClip) override;
  HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT prc) override;
  HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) override;

  // IOleControlSite
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override;
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL fLock) override;
  HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pMsg, DWORD grfModifiers) override;
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL fGotFocus) override;
  HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override;

  // IObjectWithSite
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* pUnkSite) override;
  HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppvSite) override;

  void SetOwner(CActiveXUI* owner) { m_owner = owner; }
  CActiveXUI* GetOwner() const { return m_owner; }
  IViewObject* GetViewObject() const { return m_viewObject; }
  void SetViewObject(IViewObject* view) { m_viewObject = view; }
  IOleInPlaceObject* GetInPlaceObject() const { return m_inPlaceObject; }
  bool IsWindowless() const { return m_windowless; }
  bool IsInPlaceActive() const { return m_inPlaceActive; }
  bool IsUIActive() const { return m_uiActive; }
  bool IsCaptured() const { return m_captured; }
  bool IsFocused() const { return m_focused; }
  void SetFocused(bool focused) { m_focused = focused; }
  CActiveXWnd* GetHostWindowObject() const { return m_window; }

 protected:
  virtual ~CActiveXCtrl();

 private:
  HRESULT CreateHostWindow();
  void DestroyHostWindow();
  RECT ObjectRect() const;  // the owner's rectangle, at (0,0) inside a host window

  ULONG m_refs = 1;
  CActiveXUI* m_owner = nullptr;
  CActiveXWnd* m_window = nullptr;
  IUnknown* m_outerSite = nullptr;
  IViewObject* m_viewObject = nullptr;
  IOleInPlaceObject* m_inPlaceObject = nullptr;
  bool m_focused = false;
  bool m_captured = false;
  bool m_uiActive = false;
  bool m_inPlaceActive = false;
  bool m_windowless = true;
};

}  // namespace SkinUI
