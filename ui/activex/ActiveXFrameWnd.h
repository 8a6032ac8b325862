// The in-place frame an OLE control is given by its site's GetWindowContext.
#pragma once
#include <windows.h>
#include <ocidl.h>

namespace SkinUI {

class CActiveXUI;

class CActiveXFrameWnd : public IOleInPlaceFrame {
 public:
  explicit CActiveXFrameWnd(CActiveXUI* owner) : m_owner(owner) {}
  CActiveXFrameWnd(const CActiveXFrameWnd&) = delete;
  CActiveXFrameWnd& operator=(const CActiveXFrameWnd&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT lprectBorder) override;
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS pborderwidths) override;
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS pborderwidths) override;
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR pszObjName) override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU hmenuShared, LPOLEMENUGROUPWIDTHS lpMenuWidths) override;
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU hmenuShared, HOLEMENU holemenu, HWND hwndActiveObject) override;
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU hmenuShared) override;
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR pszStatusText) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG lpmsg, WORD wID) override;

  IOleInPlaceActiveObject* GetActiveObject() const { return m_activeObject; }

 protected:
  virtual ~CActiveXFrameWnd();

 private:
  ULONG m_refs = 1;
  CActiveXUI* m_owner;
  IOleInPlaceActiveObject* m_activeObject = nullptr;
};

}  // namespace SkinUI
