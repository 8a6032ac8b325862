// The per-window manager: binds to a window, owns its control tree, lays it out and paints
// it, routes input to it, keeps focus, timers and notifications, and holds the window's
// fonts, images and default attributes.
//
// Implemented in WindowManagerUI.cpp (set-up, tree, focus, timers, notifications, filters),
// WindowManagerUIMessages.cpp (message handling and painting) and
// WindowManagerUIResources.cpp (the resources block below).
//
// A handler may close the window: the manager, its controls and the window object then stay
// alive until the thread's outermost framework frame has returned (CWindowWnd, top of
// WindowWnd.h). The doors to handlers (SendNotify, CControlUI::Event, the focus moves) hold
// a CWindowWnd::DispatchScope; once the window is gone (IsWindowGone) they deliver nothing
// more, so the code after a handler runs on to its end over live objects and does nothing.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "ui/base/ControlUI.h"
#include "ui/core/UIPtrArray.h"
#include "ui/render/IRenderResources.h"
#include "ui/render/SkinResourceLocation.h"
#include "ui/core/UIString.h"
#include "ui/core/UIStringMap.h"
#include "ui/base/IMessageFilterUI.h"
#include "ui/base/INotifyUI.h"
#include "ui/base/ITranslateAccelerator.h"
#include "ui/base/UINotifyMsg.h"
#include "ui/base/WindowWnd.h"

namespace SkinUI {

class CUIAnimationDriver;
struct UIImageInfo;

class CWindowManagerUI : public IRenderResources, public CSkinResourceLocation {
 public:
  CWindowManagerUI();
  CWindowManagerUI(const CWindowManagerUI&) = delete;
  CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;
  ~CWindowManagerUI();

  // ---- Set-up and binding ----
  void Init(HWND hwnd);
  void SetInitSize(int x, int y, int cx, int cy);
  void SetTransparent(int alpha);

  HWND GetPaintWindow() const { return m_hwnd; }
  HDC GetPaintDC() const { return m_hdcPaint; }
  HWND GetTooltipWindow() const { return m_hwndTooltip; }
  CControlUI* GetRoot() const { return m_root; }
  POINT GetMousePos() const override { return m_lastMouse; }
  CUIAnimationDriver* GetAnimationDriver() const { return m_animationDriver; }
  CWindowManagerUI* GetParentResource() const { return m_parentResource; }
  void SetParentResource(CWindowManagerUI* parent) { m_parentResource = parent; }

  // Window options written by the skin builder from the "Window" element.
  bool IsShowUpdateRect() const { return m_showDirty; }
  void SetShowUpdateRect(bool show) { m_showDirty = show; }
  // The red pen that outlines painted rectangles with "showdirty": one for the process.
  static HPEN GetUpdateRectPen();
  SIZE GetInitSize() const;
  SIZE GetMinInfo() const { return m_minInfo; }
  void SetMinInfo(int cx, int cy);
  SIZE GetMaxInfo() const { return m_maxInfo; }
  void SetMaxInfo(int cx, int cy);
  RECT GetSizeBox() const { return m_sizeBox; }
  void SetSizeBox(const RECT& rc) { m_sizeBox = rc; }
  SIZE GetRoundCorner() const { return m_roundCorner; }
  void SetRoundCorner(int cx, int cy);
  SIZE GetShadowCorner() const { return m_shadowCorner; }
  void SetShadowCorner(int cx, int cy);
  RECT GetCaptionRect() const { return m_caption; }
  void SetCaptionRect(const RECT& rc) { m_caption = rc; }
  SIZE GetGripSize() const { return m_sizeGrip; }
  void SetGripSize(int cx, int cy);
  bool IsLayeredBackground() const override { return m_layeredBackground; }
  void SetLayeredBackground(bool on) { m_layeredBackground = on; }
  bool IsOffscreenPaint() const { return m_offscreenPaint; }
  void SetOffscreenPaint(bool on) { m_offscreenPaint = on; }
  bool IsShadow() const { return m_shadow; }
  void SetShadow(bool on) { m_shadow = on; }
  bool IsSelfShadow() const { return m_selfShadow; }
  void SetSelfShadow(bool on) { m_selfShadow = on; }
  RECT GetShadowBorder() const { return m_shadowBorder; }
  void SetShadowBorder(const RECT& rc) { m_shadowBorder = rc; }
  const CUIString& GetShadowImage() const { return m_shadowImage; }
  void SetShadowImage(LPCWSTR image) { m_shadowImage = image; }
  bool IsUsedVirtualWnd() const { return m_virtualWindows; }
  void UsedVirtualWnd(bool used) { m_virtualWindows = used; }
  bool IsPaintedOnce() const { return m_paintedOnce; }
  bool IsUpdateNeeded() const { return m_updateNeeded; }
  void NeedUpdate() { m_updateNeeded = true; }
  bool IsFocusNeeded() const { return m_focusNeeded; }
  // The layered self-shadow pair: this window's layered update waits for the partner's
  // first paint; `showAfterPaint` (an object whose first field is an HWND) is shown after ours.
  void SetLayeredPair(CWindowManagerUI* partner, void* showAfterPaint);

  // ---- Resources: fonts, images, default attributes, resource path ----
  // (owned by the skin/render half; implemented in WindowManagerUIResources.cpp)
  // The process-wide resource location (instance, path, skin archive) comes from
  // CSkinResourceLocation: CWindowManagerUI::GetResourcePath() and the rest.
  DWORD GetDefaultDisabledColor() const;
  void SetDefaultDisabledColor(DWORD color);
  DWORD GetDefaultFontColor() const;
  void SetDefaultFontColor(DWORD color);
  DWORD GetDefaultLinkFontColor() const override;
  void SetDefaultLinkFontColor(DWORD color);
  DWORD GetDefaultLinkHoverFontColor() const override;
  void SetDefaultLinkHoverFontColor(DWORD color);
  DWORD GetDefaultSelectedBkColor() const override;
  void SetDefaultSelectedBkColor(DWORD color);

  UIFontInfo* GetDefaultFontInfo() override;
  void SetDefaultFont(LPCWSTR name, int size, bool bold, bool underline, bool italic);
  int GetCustomFontCount() const;
  HFONT AddFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) override;
  HFONT GetFont(int index) override;
  HFONT FindFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) override;
  UIFontInfo* GetFontInfo(int index);
  UIFontInfo* GetFontInfoByHandle(HFONT font) override;

  const UIImageInfo* GetImage(LPCWSTR name);
  const UIImageInfo* GetImageEx(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0) override;
  const UIImageInfo* AddImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0);

  void AddDefaultAttributeList(LPCWSTR className, LPCWSTR attributes);
  LPCWSTR GetDefaultAttributeList(LPCWSTR className) const;
  // ---- end of the resources block ----

  // ---- Tree ----
  bool AttachDialog(CControlUI* root);
  bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
  // The initialisation of a tree, nested ones included: the outermost starts the count of
  // the skin documents that the tree's child layouts open, so that one tree's files are
  // bounded in all.
  void BeginTreeInit() {
    if (m_initDepth++ == 0) m_treeDocuments = 0;
  }
  void EndTreeInit() { --m_initDepth; }
  int& TreeDocuments() { return m_treeDocuments; }
  void ReapObjects(CControlUI* control);
  CControlUI* FindControl(LPCWSTR name) const;
  CControlUI* FindControlAt(POINT pt) const;
  void AddDelayedCleanup(CControlUI* control);
  // Deletes a control taken out of the tree once the thread's frames have returned (at once
  // outside any): a handler may have taken it from under its own caller. Without a manager
  // too (a control never attached).
  static void DeleteUnwound(CWindowManagerUI* manager, CControlUI* control);

  bool AddOptionGroup(LPCWSTR group, CControlUI* control);
  CUIPtrArray* GetOptionGroup(LPCWSTR group);
  void RemoveOptionGroup(LPCWSTR group, CControlUI* control);
  void RemoveAllOptionGroups();

  // ---- Focus and capture ----
  CControlUI* GetFocus() const { return m_focus; }
  void SetFocus(CControlUI* control);
  void SetFocusNeeded(CControlUI* control);
  bool SetNextTabControl(bool forward = true);
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const { return m_mouseCapture; }
  CControlUI* GetHover() const { return m_hover; }
  CControlUI* GetClick() const { return m_click; }

  // ---- Timers of controls ----
  bool SetTimer(CControlUI* control, UINT localId, UINT elapse);
  bool KillTimer(CControlUI* control, UINT localId);
  void KillAllTimers(CControlUI* control);
  void RemoveAllTimers();

  // ---- Notifications and filters ----
  // False when the window is gone afterwards (a handler closed it): the caller may stop.
  // Nothing is delivered once the window is gone.
  bool SendNotify(CControlUI* sender, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0);
  // Queues a notification for the next message; nothing in the framework needs it, but the
  // queue is flushed before and after every message.
  void PostNotify(CControlUI* sender, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0);
  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);
  bool AddTranslateAccelerator(ITranslateAccelerator* translator);
  bool RemoveTranslateAccelerator(ITranslateAccelerator* translator);
  bool AddPostPaint(CControlUI* control);
  bool RemovePostPaint(CControlUI* control);
  int GetPostPaintCount() const { return m_postPaintControls.GetSize(); }

  bool TranslateKeyboard(const MSG& msg);
  bool TranslateAccelerator(MSG* msg);
  static bool TranslateMessage(const MSG* msg);

  // ---- Messages and painting ----
  bool MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Invalidate(const RECT& rc);
  void FlushAsyncNotify();

  // Every manager that has been initialised, in order.
  static CUIPtrArray& GetManagers();
  // False once this manager is gone; for whoever keeps a pointer to it beyond its life.
  std::shared_ptr<const bool> GetAliveFlag() const { return m_alive; }
  // True once the window this manager was bound to has been destroyed (a handler closed it):
  // the objects live on until the handler's callers have returned, and do nothing more.
  bool IsWindowGone() const { return m_hwnd != nullptr && !::IsWindow(m_hwnd); }
  // Runs the action inside a framework frame and answers whether the window is still there
  // afterwards, for a caller that would otherwise go on working for a closed window. A null
  // manager has no window to lose.
  template <class Action>
  static bool Survives(CWindowManagerUI* manager, Action&& action) {
    CWindowWnd::DispatchScope scope;
    std::shared_ptr<const bool> alive = manager ? manager->GetAliveFlag() : nullptr;
    action();
    return !alive || (*alive && !manager->IsWindowGone());
  }

 private:
  void DeliverNotify(UINotifyMsg& msg);
  void Deliver(UINotifyMsg& msg);
  // Both report whether this manager is still there afterwards: a handler may destroy the
  // window, and the manager with it.
  bool RaiseEvent(CControlUI* target, int type, WPARAM wParam = 0, LPARAM lParam = 0,
                  wchar_t key = 0, WORD keyState = 0);
  template <class Action>
  bool Survives(Action&& action) {
    return Survives(this, action);
  }

  // The window procedure's handlers (WindowManagerUIMessages.cpp); each answers whether it
  // handled the message.
  bool FilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnCleanup(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnClose(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnEraseBackground(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnPaint(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnPrintClient(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnSize(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnTimer(WPARAM wParam, LPARAM lParam, LRESULT& result);
  static bool IsPointerMessage(UINT msg);
  bool OnMouseHover(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnMouseLeave(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnMouseMove(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnButtonDown(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnDoubleClick(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnButtonUp(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnRightButtonDown(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnContextMenu(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnMouseWheel(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnKeyDown(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnKeyUp(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnChar(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnReflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  CControlUI* ControlForClick(LPARAM lParam);
  void TrackMouse();
  void HideToolTip();
  static WORD KeyState();
  // Both answer whether this manager is still there (a "windowinit" or focus handler may
  // destroy the window).
  bool DoLayout();
  bool RunPendingFocus();
  void PaintNormal(const RECT& client);
  void PaintLayered(const RECT& client);
  void PaintSelfShadow(HDC hdc, RECT& rc);
  void ShowToolTip(CControlUI* control);
  void DeleteOffscreen();
  void DeleteBackground();
  void CleanupDelayed();
  bool ClientPoint(LPARAM lParam, POINT& pt) const;
  CControlUI* ControlForMouse(POINT pt) const;
  UINT NextTimerId();
  bool TimerIdInUse(UINT windowId) const;
  CControlUI* TimerTarget(UINT windowId, UINT& localId) const;

  // Resources half (WindowManagerUIResources.cpp): called by the constructor and destructor.
  void InitResources();
  void FreeResources();

  HWND m_hwnd = nullptr;
  HDC m_hdcPaint = nullptr;
  HDC m_hdcOffscreen = nullptr;
  HBITMAP m_bmpOffscreen = nullptr;
  HDC m_hdcBackground = nullptr;
  HBITMAP m_bmpBackground = nullptr;
  HWND m_hwndTooltip = nullptr;
  TOOLINFOW m_toolTip = {};
  CUIString m_toolTipText;
  bool m_showDirty = false;

  CControlUI* m_root = nullptr;
  CControlUI* m_focus = nullptr;
  CControlUI* m_hover = nullptr;
  CControlUI* m_click = nullptr;
  CControlUI* m_keyTarget = nullptr;
  POINT m_lastMouse = {-1, -1};

  SIZE m_minInfo = {0, 0};
  SIZE m_maxInfo = {0, 0};
  RECT m_initRect = {0, 0, 0, 0};
  RECT m_sizeBox = {0, 0, 0, 0};
  SIZE m_roundCorner = {0, 0};
  SIZE m_shadowCorner = {0, 0};
  RECT m_caption = {0, 0, 0, 0};
  UINT m_lastTimerId = 0x1000;

  bool m_firstLayout = true;
  bool m_updateNeeded = false;
  bool m_focusNeeded = false;
  // The pending move was asked for (a Tab during a layout, SetFocusNeeded): it runs even
  // though a control holds the focus, unlike the first tab stop of a new root.
  bool m_focusMoveAsked = false;
  bool m_offscreenPaint = true;
  bool m_layeredBackground = false;
  bool m_mouseTracking = false;
  bool m_mouseCapture = false;
  bool m_shadow = false;
  bool m_selfShadow = false;
  bool m_virtualWindows = false;
  bool m_paintedOnce = false;
  SIZE m_sizeGrip = {0, 0};
  RECT m_shadowBorder = {0, 0, 0, 0};

  CUIPtrArray m_notifiers;
  CUIPtrArray m_timers;
  CUIPtrArray m_preMessageFilters;
  CUIPtrArray m_messageFilters;
  CUIPtrArray m_postPaintControls;
  CUIPtrArray m_delayedCleanup;
  CUIPtrArray m_asyncNotify;
  CUIStringMap m_nameMap;
  CUIStringMap m_optionGroups;

  CWindowManagerUI* m_parentResource = nullptr;
  CWindowManagerUI* m_layeredPartner = nullptr;
  void* m_showAfterPaint = nullptr;

  // ---- Resources: fonts, images, default attributes, resource path (fields) ----
  DWORD m_defaultDisabledColor = 0xFF4E627C;
  DWORD m_defaultFontColor = 0xFF000000;
  DWORD m_defaultLinkFontColor = 0xFF0000FF;
  DWORD m_defaultLinkHoverFontColor = 0xFFD3215F;
  DWORD m_defaultSelectedBkColor = 0xFFBAE4FF;
  UIFontInfo m_defaultFont;
  CUIPtrArray m_fonts;
  CUIStringMap m_images;
  CUIStringMap m_defaultAttributes;
  // ---- end of the resources fields ----

  CUIString m_shadowImage;
  CUIPtrArray m_translators;
  CUIAnimationDriver* m_animationDriver = nullptr;

  // Cleared when the manager goes (its owner deleted it; a handler's closing of the window
  // never frees it under a caller).
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
  int m_initDepth = 0;
  int m_treeDocuments = 0;
};

}  // namespace SkinUI
