// OLE control interfaces: controls and their sites, windowless in-place activation,
// extended views, stream initialisation and object sites.
#pragma once
#include "ole2.h"
#include "oleidl.h"

typedef struct tagPOINTF { float x, y; } POINTF;
typedef struct tagCONTROLINFO {
  ULONG cb;
  HACCEL hAccel;
  USHORT cAccel;
  DWORD dwFlags;
} CONTROLINFO, *LPCONTROLINFO;
typedef struct tagExtentInfo {
  ULONG cb;
  DWORD dwExtentMode;
  SIZEL sizelProposed;
} DVEXTENTINFO;

#define ACTIVATE_WINDOWLESS 1
#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200L)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201L)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202L)
typedef enum tagREADYSTATE {
  READYSTATE_UNINITIALIZED = 0,
  READYSTATE_LOADING = 1,
  READYSTATE_LOADED = 2,
  READYSTATE_INTERACTIVE = 3,
  READYSTATE_COMPLETE = 4
} READYSTATE;
#define OLEDC_NODRAW 0x1
#define OLEDC_PAINTBKGND 0x2
#define OLEDC_OFFSCREEN 0x4
enum tagHITRESULT { HITRESULT_OUTSIDE = 0, HITRESULT_TRANSPARENT = 1, HITRESULT_CLOSE = 2, HITRESULT_HIT = 3 };

#define OCX_IID(name, d1, d2, d3, a, b, c, d, e, f, g, h) \
  inline constexpr IID name = {d1, d2, d3, {a, b, c, d, e, f, g, h}}
OCX_IID(IID_IPersistStreamInit, 0x7FD52380, 0x4E07, 0x101B, 0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13);
OCX_IID(IID_IOleControl, 0xB196B288, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
OCX_IID(IID_IOleControlSite, 0xB196B289, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
OCX_IID(IID_IOleInPlaceSiteEx, 0x9C2CAD80, 0x3424, 0x11CF, 0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8);
OCX_IID(IID_IOleInPlaceSiteWindowless, 0x922EADA0, 0x3424, 0x11CF, 0xB6, 0x70, 0x00, 0xAA, 0x00, 0x4C, 0xD6, 0xD8);
OCX_IID(IID_IOleInPlaceObjectWindowless, 0x1C2056CC, 0x5EF4, 0x101B, 0x8B, 0xC8, 0x00, 0xAA, 0x00, 0x3E, 0x3B, 0x29);
OCX_IID(IID_IViewObjectEx, 0x3AF24292, 0x0C96, 0x11CE, 0xA0, 0xCF, 0x00, 0xAA, 0x00, 0x60, 0x0A, 0xB8);
OCX_IID(IID_IObjectWithSite, 0xFC4801A3, 0x2BA9, 0x11CF, 0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52);
OCX_IID(IID_IConnectionPointContainer, 0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
OCX_IID(IID_IConnectionPoint, 0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
#undef OCX_IID

struct IConnectionPointContainer;
struct IEnumConnections;
struct IEnumConnectionPoints;

struct IConnectionPoint : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) = 0;

 protected:
  ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

struct IPersistStreamInit : public IPersist {
  virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE Load(LPSTREAM pStm) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(LPSTREAM pStm, BOOL fClearDirty) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pCbSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitNew() = 0;

 protected:
  ~IPersistStreamInit() = default;
};

struct IOleControl : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* pCI) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* pMsg) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispID) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL bFreeze) = 0;

 protected:
  ~IOleControl() = default;
};

struct IOleControlSite : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnControlInfoChanged() = 0;
  virtual HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL fLock) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* pMsg, DWORD grfModifiers) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnFocus(BOOL fGotFocus) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowPropertyFrame() = 0;

 protected:
  ~IOleControlSite() = default;
};

struct IOleInPlaceSiteEx : public IOleInPlaceSite {
  virtual HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(BOOL* pfNoRedraw, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(BOOL fNoRedraw) = 0;
  virtual HRESULT STDMETHODCALLTYPE RequestUIActivate() = 0;

 protected:
  ~IOleInPlaceSiteEx() = default;
};

struct IOleInPlaceSiteWindowless : public IOleInPlaceSiteEx {
  virtual HRESULT STDMETHODCALLTYPE CanWindowlessActivate() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCapture() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCapture(BOOL fCapture) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFocus(BOOL fFocus) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDC(LPCRECT pRect, DWORD grfFlags, HDC* phDC) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC hDC) = 0;
  virtual HRESULT STDMETHODCALLTYPE InvalidateRect(LPCRECT pRect, BOOL fErase) = 0;
  virtual HRESULT STDMETHODCALLTYPE InvalidateRgn(HRGN hRGN, BOOL fErase) = 0;
  virtual HRESULT STDMETHODCALLTYPE ScrollRect(INT dx, INT dy, LPCRECT pRectScroll, LPCRECT pRectClip) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdjustRect(LPRECT prc) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) = 0;

 protected:
  ~IOleInPlaceSiteWindowless() = default;
};

struct IOleInPlaceObjectWindowless : public IOleInPlaceObject {
  virtual HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** ppDropTarget) = 0;

 protected:
  ~IOleInPlaceObjectWindowless() = default;
};

struct IViewObjectEx : public IViewObject2 {
  virtual HRESULT STDMETHODCALLTYPE GetRect(DWORD dwAspect, LPRECTL pRect) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* pdwStatus) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD dwAspect, LPCRECT pRectBounds, POINT ptlLoc, LONG lCloseHint,
                                                  DWORD* pHitResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD dwAspect, LPCRECT pRectBounds, LPCRECT pRectLoc,
                                                 LONG lCloseHint, DWORD* pHitResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD dwAspect, LONG lindex, DVTARGETDEVICE* ptd,
                                                     HDC hicTargetDev, DVEXTENTINFO* pExtentInfo, LPSIZEL pSizel) = 0;

 protected:
  ~IViewObjectEx() = default;
};

struct IObjectWithSite : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetSite(IUnknown* pUnkSite) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppvSite) = 0;

 protected:
  ~IObjectWithSite() = default;
};
