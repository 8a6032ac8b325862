// The one drop registration of a window for all its rich edits: a drag over the window is
// handed to the drop-enabled rich edit under the point, and answered with no effect where
// there is none. The registration holds the only lasting reference; the edits hold none, so
// a registration revoked by other code takes nothing from under them.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <map>
#include <vector>

namespace SkinUI {

class CRichEditUI;

class CRichEditDropTarget : public IDropTarget {
 public:
  // Adds the edit to the registration of its window, making and registering one when the
  // window has none of ours; false when the window cannot take one (another is registered).
  static bool Join(HWND hwnd, CRichEditUI* edit);
  // Takes the edit out; the registration is revoked when its last edit leaves.
  static void Leave(HWND hwnd, CRichEditUI* edit);

  CRichEditDropTarget(const CRichEditDropTarget&) = delete;
  CRichEditDropTarget& operator=(const CRichEditDropTarget&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

 private:
  explicit CRichEditDropTarget(HWND hwnd);
  virtual ~CRichEditDropTarget();
  static std::map<HWND, CRichEditDropTarget*>& Windows();
  // The text services' target of the joined edit under the screen point (counted), or null.
  IDropTarget* TargetAt(POINTL pt) const;
  // The drag is over `target` now (its reference taken): the same target hears DragOver; a
  // new one DragEnter, after the old one's DragLeave. `effect` holds the allowed effects.
  void Over(IDropTarget* target, DWORD keys, POINTL pt, DWORD* effect);
  void LeaveCurrent();
  // Ends any drag that was over the window: its target left, its data let go.
  void Forget();
  // A new drag's data, counted, after the old drag is forgotten.
  void Hold(IDataObject* data);

  ULONG m_refs = 1;
  HWND m_hwnd;
  std::vector<CRichEditUI*> m_edits;  // each leaves before it goes
  IDataObject* m_data = nullptr;      // counted while a drag is over the window
  IDropTarget* m_current = nullptr;   // counted: the edit's target the drag is over
};

}  // namespace SkinUI
