// The manager's set-up, tree, focus, timers, notifications and filters.
#include "ui/base/WindowManagerUI.h"

#include <cwchar>
#include <cwctype>

#include "ui/base/UIAnimationDriver.h"

namespace SkinUI {

namespace {

struct UITimerRecord {
  CControlUI* control;
  UINT localId;
  HWND window;
  UINT windowId;
  bool killed;
};

struct UITabSearch {
  CControlUI* focus;
  CControlUI* last;
  bool forward;
  bool nextIsIt;
};

struct UIShortcutSearch {
  wchar_t key;
  bool found;
};

bool g_processInitialised = false;
// Every manager that has been initialised, in order: a message finds its manager here.
// Never freed, so that a manager destroyed while the program exits still finds it.
CUIPtrArray& g_managers = *new CUIPtrArray;

CControlUI* FindControlFromNameHash(CControlUI* control, LPVOID data) {
  auto* names = static_cast<CUIStringMap*>(data);
  CUIString name = control->GetName();
  if (!name.IsEmpty()) names->Set(name, control);
  return nullptr;
}

CControlUI* FindControlFromTab(CControlUI* control, LPVOID data) {
  auto* search = static_cast<UITabSearch*>(data);
  if (control == search->focus) {
    if (search->forward) {
      search->nextIsIt = true;
      return nullptr;
    }
    return search->last;
  }
  if ((control->GetControlFlags() & UIFLAG_TABSTOP) == 0) return nullptr;
  search->last = control;
  if (search->nextIsIt || search->focus == nullptr) return control;
  return nullptr;
}

CControlUI* FindControlFromShortcut(CControlUI* control, LPVOID data) {
  if (!control->IsVisible()) return nullptr;
  auto* search = static_cast<UIShortcutSearch*>(data);
  if (search->key != 0 && static_cast<wchar_t>(towupper(control->GetShortcut())) == search->key) search->found = true;
  if (search->found && wcsstr(control->GetClass(), L"LabelUI") == nullptr) return control;
  return nullptr;
}

CControlUI* FindControlFromPoint(CControlUI* control, LPVOID data) {
  return PtInRect(&control->GetPos(), *static_cast<const POINT*>(data)) ? control : nullptr;
}

// A control taken out of the tree, deleted once the frames that may still use it have
// returned. Its manager, if it had one, may have gone meanwhile (its owner deleted it): then
// the control forgets it first.
struct PendingDelete {
  CControlUI* control;
  std::shared_ptr<const bool> managerAlive;

  static void Run(void* object) {
    auto* pending = static_cast<PendingDelete*>(object);
    if (pending->managerAlive && !*pending->managerAlive) pending->control->SetManager(nullptr, nullptr, false);
    delete pending->control;
    delete pending;
  }
};

}  // namespace

CUIPtrArray& CWindowManagerUI::GetManagers() { return g_managers; }

HPEN CWindowManagerUI::GetUpdateRectPen() {
  static HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(220, 0, 0));  // lives until exit
  return pen;
}

CWindowManagerUI::CWindowManagerUI() {
  InitResources();
  if (!g_processInitialised) {
    g_processInitialised = true;
    GetUpdateRectPen();
    ::InitCommonControls();
    ::LoadLibraryW(L"msimg32.dll");
  }
}

CWindowManagerUI::~CWindowManagerUI() {
  *m_alive = false;
  // (CleanupDelayed deletes at once from here on.)
  CleanupDelayed();
  for (int i = 0; i < m_asyncNotify.GetSize(); ++i) delete static_cast<UINotifyMsg*>(m_asyncNotify[i]);
  m_asyncNotify.Empty();
  CControlUI* root = m_root;
  delete root;
  m_root = nullptr;
  if (m_animationDriver) {
    m_animationDriver->Stop();
    delete m_animationDriver;
    m_animationDriver = nullptr;
  }
  FreeResources();
  RemoveAllOptionGroups();
  RemoveAllTimers();
  if (m_hwndTooltip) ::DestroyWindow(m_hwndTooltip);
  DeleteOffscreen();
  DeleteBackground();
  if (m_hdcPaint) ::ReleaseDC(m_hwnd, m_hdcPaint);
  int at = g_managers.Find(this);
  if (at >= 0) g_managers.Remove(at);
}

void CWindowManagerUI::Init(HWND hwnd) {
  // A window object created again: the first window's paint DC goes back, and its tooltip,
  // owned by that window, went with it (a new one is made at the next hover).
  if (m_hdcPaint) ::ReleaseDC(m_hwnd, m_hdcPaint);
  if (m_hwndTooltip && hwnd != m_hwnd) {
    if (::IsWindow(m_hwndTooltip)) ::DestroyWindow(m_hwndTooltip);
    m_hwndTooltip = nullptr;
  }
  // The initial size, the focus, the hover and the pressed control were the first window's:
  // the new one starts without them (its skin gives it its own size again).
  if (m_hwnd) {
    m_initRect = RECT{0, 0, 0, 0};
    m_focus = m_hover = m_click = m_keyTarget = nullptr;
  }
  m_hwnd = hwnd;
  m_hdcPaint = ::GetDC(hwnd);
  if (!m_animationDriver) m_animationDriver = new CUIAnimationDriver;
  m_animationDriver->SetWindow(hwnd);
  if (g_managers.Find(this) < 0) g_managers.Add(this);
}

void CWindowManagerUI::SetInitSize(int x, int y, int cx, int cy) {
  if (m_initRect.left != 0 || m_initRect.top != 0 || m_initRect.right != 0 || m_initRect.bottom != 0) return;
  // Unsigned sums: CW_USEDEFAULT coordinates must not overflow.
  m_initRect = RECT{x, y, static_cast<LONG>(static_cast<unsigned>(x) + static_cast<unsigned>(cx)),
                    static_cast<LONG>(static_cast<unsigned>(y) + static_cast<unsigned>(cy))};
  if (m_hwnd && !m_root) ::SetWindowPos(m_hwnd, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

SIZE CWindowManagerUI::GetInitSize() const {
  return SIZE{m_initRect.right - m_initRect.left, m_initRect.bottom - m_initRect.top};
}

void CWindowManagerUI::SetTransparent(int alpha) {
  if (!m_hwnd) return;
  typedef BOOL(WINAPI * SetLayeredProc)(HWND, COLORREF, BYTE, DWORD);
  HMODULE user32 = ::GetModuleHandleW(L"User32.dll");
  auto proc = user32 ? reinterpret_cast<SetLayeredProc>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, "SetLayeredWindowAttributes"))) : nullptr;
  if (!proc) return;
  LONG exStyle = ::GetWindowLongW(m_hwnd, GWL_EXSTYLE);
  LONG wanted = (alpha >= 0 && alpha <= 255) ? (exStyle | WS_EX_LAYERED) : (exStyle & ~WS_EX_LAYERED);
  if (wanted != exStyle) ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, wanted);
  proc(m_hwnd, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
}

void CWindowManagerUI::SetMinInfo(int cx, int cy) { m_minInfo = SIZE{cx, cy}; }
void CWindowManagerUI::SetMaxInfo(int cx, int cy) { m_maxInfo = SIZE{cx, cy}; }
void CWindowManagerUI::SetRoundCorner(int cx, int cy) { m_roundCorner = SIZE{cx, cy}; }
void CWindowManagerUI::SetShadowCorner(int cx, int cy) { m_shadowCorner = SIZE{cx, cy}; }
void CWindowManagerUI::SetGripSize(int cx, int cy) { m_sizeGrip = SIZE{cx, cy}; }

void CWindowManagerUI::SetLayeredPair(CWindowManagerUI* partner, void* showAfterPaint) {
  m_layeredPartner = partner;
  m_showAfterPaint = showAfterPaint;
}

// ---- Tree ----

bool CWindowManagerUI::AttachDialog(CControlUI* root) {
  SetFocus(nullptr);
  m_hover = nullptr;
  m_click = nullptr;
  m_keyTarget = nullptr;
  if (m_root) {
    m_postPaintControls.Empty();
    AddDelayedCleanup(m_root);
  }
  m_root = root;
  m_firstLayout = true;
  m_updateNeeded = true;
  m_focusNeeded = true;
  m_focusMoveAsked = false;
  return InitControls(root);
}

bool CWindowManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
  if (!control) return false;
  if (!parent) parent = control->GetParent();
  std::shared_ptr<const bool> alive = m_alive;
  BeginTreeInit();
  control->SetManager(this, parent, true);
  if (*alive) EndTreeInit();
  control->FindControl(FindControlFromNameHash, &m_nameMap, UIFIND_ALL);
  return true;
}

void CWindowManagerUI::ReapObjects(CControlUI* control) {
  if (!control) return;
  if (m_keyTarget == control) m_keyTarget = nullptr;
  if (m_hover == control) m_hover = nullptr;
  if (m_click == control) m_click = nullptr;
  if (m_focus == control) m_focus = nullptr;
  KillAllTimers(control);
  CUIString name = control->GetName();
  if (!name.IsEmpty() && m_nameMap.Find(name, false) == control) m_nameMap.Remove(name);
  RemovePostPaint(control);
  // Queued notifications of a control that is going away are dropped, not left dangling.
  for (int i = m_asyncNotify.GetSize() - 1; i >= 0; --i) {
    auto* msg = static_cast<UINotifyMsg*>(m_asyncNotify[i]);
    if (msg->sender == control) {
      m_asyncNotify.Remove(i);
      delete msg;
    }
  }
}

CControlUI* CWindowManagerUI::FindControl(LPCWSTR name) const {
  if (!name) return nullptr;
  return static_cast<CControlUI*>(m_nameMap.Find(name));
}

CControlUI* CWindowManagerUI::FindControlAt(POINT pt) const {
  if (!m_root) return nullptr;
  return m_root->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

void CWindowManagerUI::AddDelayedCleanup(CControlUI* control) {
  if (!control) return;
  control->SetManager(this, nullptr, false);
  m_delayedCleanup.Add(control);
  if (m_hwnd) ::PostMessageW(m_hwnd, WM_APP + 1, 0, 0);
}

void CWindowManagerUI::DeleteUnwound(CWindowManagerUI* manager, CControlUI* control) {
  if (!control) return;
  control->SetManager(manager, nullptr, false);
  CWindowWnd::DeferUntilUnwound(&PendingDelete::Run,
                                new PendingDelete{control, manager ? manager->m_alive : nullptr});
}

void CWindowManagerUI::CleanupDelayed() {
  CUIPtrArray controls(m_delayedCleanup);
  m_delayedCleanup.Empty();
  // The cleanup message may come inside a modal loop that a handler runs while its frames
  // still use a removed control: the deletion waits for them.
  for (int i = 0; i < controls.GetSize(); ++i) {
    auto* control = static_cast<CControlUI*>(controls[i]);
    if (*m_alive) {
      DeleteUnwound(this, control);
    } else {
      delete control;  // the manager is going: its controls go with it
    }
  }
}

bool CWindowManagerUI::AddOptionGroup(LPCWSTR group, CControlUI* control) {
  if (!group || !control) return false;
  auto* members = static_cast<CUIPtrArray*>(m_optionGroups.Find(group));
  if (members) {
    if (members->Find(control) >= 0) return false;
    return members->Add(control);
  }
  members = new CUIPtrArray(6);
  members->Add(control);
  m_optionGroups.Insert(group, members);
  return true;
}

CUIPtrArray* CWindowManagerUI::GetOptionGroup(LPCWSTR group) {
  if (!group) return nullptr;
  return static_cast<CUIPtrArray*>(m_optionGroups.Find(group));
}

void CWindowManagerUI::RemoveOptionGroup(LPCWSTR group, CControlUI* control) {
  auto* members = GetOptionGroup(group);
  if (!members) return;
  int at = members->Find(control);
  if (at >= 0) members->Remove(at);
  if (members->IsEmpty()) {
    delete members;
    m_optionGroups.Remove(group);
  }
}

void CWindowManagerUI::RemoveAllOptionGroups() {
  for (int i = 0; i < m_optionGroups.GetSize(); ++i) {
    const wchar_t* key = m_optionGroups.GetAt(i);
    if (key) delete static_cast<CUIPtrArray*>(m_optionGroups.Find(key, false));
  }
  m_optionGroups.RemoveAll();
}

// ---- Focus and capture ----

void CWindowManagerUI::SetFocus(CControlUI* control) {
  // The focus moves send window messages and events, whose handlers may close the window.
  CWindowWnd::DispatchScope frame;
  HWND focusWnd = ::GetFocus();
  if (m_hwnd && focusWnd != m_hwnd && control != m_focus) ::SetFocus(m_hwnd);
  if (control == m_focus) {
    // Focusing the control that holds the focus is an explicit focus too: a move asked for
    // before it (SetFocusNeeded put the focus here on its way) is dropped.
    if (control) {
      m_focusNeeded = false;
      m_focusMoveAsked = false;
    }
    return;
  }
  if (m_focus) {
    CControlUI* old = m_focus;
    UIEventRecord event;
    event.type = UIEVENT_KILLFOCUS;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    if (!Survives([&] { old->Event(event); }) || !SendNotify(old, L"killfocus")) return;
    m_focus = nullptr;
  }
  if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    m_focus = control;
    // A control focused on purpose wins over a move asked for before it (SetFocusNeeded, a
    // Tab during a layout); a move asked for by its own handlers below still runs.
    m_focusNeeded = false;
    m_focusMoveAsked = false;
    if (!RaiseEvent(control, UIEVENT_SETFOCUS)) return;
    SendNotify(control, L"setfocus");
  }
}

void CWindowManagerUI::SetFocusNeeded(CControlUI* control) {
  CWindowWnd::DispatchScope frame;
  if (m_hwnd) ::SetFocus(m_hwnd);
  if (!control) return;
  if (m_focus) {
    CControlUI* old = m_focus;
    UIEventRecord event;
    event.type = UIEVENT_KILLFOCUS;
    event.sender = control;
    event.timestamp = ::GetTickCount();
    if (!Survives([&] { old->Event(event); }) || !SendNotify(old, L"killfocus")) return;
    m_focus = nullptr;
  }
  UITabSearch search = {control, nullptr, false, false};
  m_focus = m_root ? m_root->FindControl(FindControlFromTab, &search,
                                         UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST)
                   : nullptr;
  m_focusNeeded = true;
  m_focusMoveAsked = true;
  if (m_root) m_root->NeedUpdate();
}

bool CWindowManagerUI::SetNextTabControl(bool forward) {
  CWindowWnd::DispatchScope frame;
  if (m_hwnd && (::GetWindowLongW(m_hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0) return true;
  if (m_updateNeeded && forward) {
    m_focusNeeded = true;
    m_focusMoveAsked = true;
    if (m_hwnd) ::InvalidateRect(m_hwnd, nullptr, FALSE);
    return true;
  }
  const UINT flags = UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST;
  UITabSearch search = {m_focus, nullptr, forward, false};
  CControlUI* control = m_root ? m_root->FindControl(FindControlFromTab, &search, flags) : nullptr;
  if (!control && m_root) {
    if (forward) {
      UITabSearch wrap = {nullptr, nullptr, true, false};
      control = m_root->FindControl(FindControlFromTab, &wrap, flags);
    } else {
      control = search.last;
    }
  }
  if (control && !Survives([&] { SetFocus(control); })) return true;
  m_focusNeeded = false;
  m_focusMoveAsked = false;
  return true;
}

void CWindowManagerUI::SetCapture() {
  ::SetCapture(m_hwnd);
  m_mouseCapture = true;
}

void CWindowManagerUI::ReleaseCapture() {
  ::ReleaseCapture();
  m_mouseCapture = false;
}

// ---- Timers ----

bool CWindowManagerUI::TimerIdInUse(UINT windowId) const {
  for (int i = 0; i < m_timers.GetSize(); ++i) {
    auto* rec = static_cast<UITimerRecord*>(m_timers[i]);
    if (rec->window == m_hwnd && rec->windowId == windowId) return true;
  }
  return false;
}

UINT CWindowManagerUI::NextTimerId() {
  // The sequence runs modulo 255; an id still held by a record of this manager is skipped,
  // so after a wrap one timer never replaces another.
  for (int tries = 0; tries < 255; ++tries) {
    m_lastTimerId = (m_lastTimerId + 1) % 255;
    if (!TimerIdInUse(m_lastTimerId)) return m_lastTimerId;
  }
  return static_cast<UINT>(-1);
}

bool CWindowManagerUI::SetTimer(CControlUI* control, UINT localId, UINT elapse) {
  // Without a window the system would make a thread timer under an id of its own, which no
  // record could name and no KillTimer stop.
  if (!m_hwnd) return false;
  for (int i = 0; i < m_timers.GetSize(); ++i) {
    auto* rec = static_cast<UITimerRecord*>(m_timers[i]);
    if (rec->control != control || rec->window != m_hwnd || rec->localId != localId) continue;
    if (!rec->killed) return false;
    if (!::SetTimer(m_hwnd, rec->windowId, elapse, nullptr)) return false;
    rec->killed = false;
    return true;
  }
  UINT id = NextTimerId();
  if (id == static_cast<UINT>(-1)) return false;
  if (!::SetTimer(m_hwnd, id, elapse, nullptr)) return false;
  auto* rec = new UITimerRecord{control, localId, m_hwnd, id, false};
  if (!m_timers.Add(rec)) {
    ::KillTimer(m_hwnd, id);
    delete rec;
    return false;
  }
  return true;
}

bool CWindowManagerUI::KillTimer(CControlUI* control, UINT localId) {
  for (int i = 0; i < m_timers.GetSize(); ++i) {
    auto* rec = static_cast<UITimerRecord*>(m_timers[i]);
    if (rec->control != control || rec->window != m_hwnd || rec->localId != localId || rec->killed) continue;
    if (::IsWindow(rec->window)) ::KillTimer(rec->window, rec->windowId);
    rec->killed = true;
    return true;
  }
  return false;
}

void CWindowManagerUI::KillAllTimers(CControlUI* control) {
  for (int i = m_timers.GetSize() - 1; i >= 0; --i) {
    auto* rec = static_cast<UITimerRecord*>(m_timers[i]);
    if (rec->control != control || rec->window != m_hwnd) continue;
    if (!rec->killed && ::IsWindow(rec->window)) ::KillTimer(rec->window, rec->windowId);
    m_timers.Remove(i);
    delete rec;
  }
}

void CWindowManagerUI::RemoveAllTimers() {
  for (int i = 0; i < m_timers.GetSize(); ++i) {
    auto* rec = static_cast<UITimerRecord*>(m_timers[i]);
    if (!rec->killed && ::IsWindow(rec->window)) ::KillTimer(rec->window, rec->windowId);
    delete rec;
  }
  m_timers.Empty();
}

CControlUI* CWindowManagerUI::TimerTarget(UINT windowId, UINT& localId) const {
  for (int i = 0; i < m_timers.GetSize(); ++i) {
    auto* rec = static_cast<UITimerRecord*>(m_timers[i]);
    if (rec->window == m_hwnd && rec->windowId == windowId && !rec->killed) {
      localId = rec->localId;
      return rec->control;
    }
  }
  return nullptr;
}

// ---- Notifications and filters ----

bool CWindowManagerUI::SendNotify(CControlUI* sender, LPCWSTR type, WPARAM wParam, LPARAM lParam) {
  if (!sender) return true;
  if (IsWindowGone()) return false;
  UINotifyMsg msg;
  msg.sender = sender;
  msg.type = type;
  msg.wParam = wParam;
  msg.lParam = lParam;
  return Survives([&] { DeliverNotify(msg); });
}

void CWindowManagerUI::PostNotify(CControlUI* sender, LPCWSTR type, WPARAM wParam, LPARAM lParam) {
  if (!sender) return;
  auto* msg = new UINotifyMsg;
  msg->sender = sender;
  msg->type = type;
  msg->wParam = wParam;
  msg->lParam = lParam;
  msg->mouse = m_lastMouse;
  msg->timestamp = ::GetTickCount();
  if (m_virtualWindows) msg->virtualWnd = sender->GetVirtualWnd();
  m_asyncNotify.Add(msg);
}

void CWindowManagerUI::DeliverNotify(UINotifyMsg& msg) {
  msg.mouse = m_lastMouse;
  msg.timestamp = ::GetTickCount();
  if (m_virtualWindows) msg.virtualWnd = msg.sender->GetVirtualWnd();
  Deliver(msg);
}

void CWindowManagerUI::FlushAsyncNotify() {
  while (!m_asyncNotify.IsEmpty() && !IsWindowGone()) {
    auto* msg = static_cast<UINotifyMsg*>(m_asyncNotify[0]);
    m_asyncNotify.Remove(0);
    std::unique_ptr<UINotifyMsg> held(msg);
    if (!Survives([&] { Deliver(*msg); })) return;
  }
}

// A notifier may close the window: the delivery ends there. It may also add or remove
// notifiers, itself among them: the others are still told, each once.
void CWindowManagerUI::Deliver(UINotifyMsg& msg) {
  std::shared_ptr<const bool> alive = m_alive;
  const auto open = [&] { return *alive && !IsWindowGone(); };
  if (msg.sender->OnNotify.GetCount() > 0) msg.sender->OnNotify(&msg);
  if (!open()) return;
  m_notifiers.Walk([&](void* notifier) {
    static_cast<INotifyUI*>(notifier)->Notify(msg);
    return !open();
  });
}

namespace {

bool RemoveFirst(CUIPtrArray& list, void* item) {
  int at = list.Find(item);
  if (at < 0) return false;
  return list.Remove(at);
}

}  // namespace

bool CWindowManagerUI::AddNotifier(INotifyUI* notifier) { return notifier && m_notifiers.Add(notifier); }
bool CWindowManagerUI::RemoveNotifier(INotifyUI* notifier) { return RemoveFirst(m_notifiers, notifier); }
bool CWindowManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { return filter && m_preMessageFilters.Add(filter); }
bool CWindowManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) { return RemoveFirst(m_preMessageFilters, filter); }
bool CWindowManagerUI::AddMessageFilter(IMessageFilterUI* filter) { return filter && m_messageFilters.Add(filter); }
bool CWindowManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) { return RemoveFirst(m_messageFilters, filter); }
bool CWindowManagerUI::AddTranslateAccelerator(ITranslateAccelerator* translator) {
  return translator && m_translators.Add(translator);
}
bool CWindowManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* translator) {
  return RemoveFirst(m_translators, translator);
}
// A control is on the list once, however often it asks (a separator pressed twice).
bool CWindowManagerUI::AddPostPaint(CControlUI* control) {
  return control && m_postPaintControls.Find(control) < 0 && m_postPaintControls.Add(control);
}
bool CWindowManagerUI::RemovePostPaint(CControlUI* control) { return RemoveFirst(m_postPaintControls, control); }

bool CWindowManagerUI::TranslateKeyboard(const MSG& msg) {
  // A filter that closes the window ends the walk: the message is spent.
  const bool taken = m_preMessageFilters.Walk([&](void* filter) {
    bool handled = false;
    const bool open = Survives([&] {
      static_cast<IMessageFilterUI*>(filter)->MessageHandler(msg.message, msg.wParam, msg.lParam, handled);
    });
    return handled || !open;
  });
  if (taken) return true;
  switch (msg.message) {
    case WM_KEYDOWN: {
      if (msg.wParam != VK_TAB) return false;
      // A focused rich edit that wants Tab answers the interface "WantTab".
      if (m_focus && m_focus->IsVisible() && m_focus->IsEnabled() &&
          wcsstr(m_focus->GetClass(), L"RichEditUI") != nullptr && m_focus->GetInterface(L"WantTab") != nullptr) {
        return false;
      }
      SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
      return true;
    }
    case WM_SYSKEYDOWN:
      if (m_focus) RaiseEvent(m_focus, UIEVENT_SYSKEY, 0, 0, static_cast<wchar_t>(msg.wParam), KeyState());
      return false;
    case WM_SYSCHAR: {
      if (!m_root) return false;
      // In document order, so that a label's shortcut reaches the control that follows it.
      UIShortcutSearch search = {static_cast<wchar_t>(towupper(static_cast<wint_t>(msg.wParam))), false};
      CControlUI* control = m_root->FindControl(FindControlFromShortcut, &search, UIFIND_ENABLED | UIFIND_ME_FIRST);
      if (!control) return false;
      // A "setfocus" handler may destroy the window with the control.
      if (Survives([control] { control->SetFocus(); })) control->Activate();
      return true;
    }
    default:
      return false;
  }
}

bool CWindowManagerUI::TranslateAccelerator(MSG* msg) {
  return m_translators.Walk([&](void* translator) {
    HRESULT hr = S_FALSE;
    const bool open =
        Survives([&] { hr = static_cast<ITranslateAccelerator*>(translator)->TranslateAccelerator(msg); });
    return hr == S_OK || !open;
  });
}

bool CWindowManagerUI::TranslateMessage(const MSG* msg) {
  if (!msg || !msg->hwnd) return false;
  // Called by the message loop, which holds nothing that a handler may close.
  CWindowWnd::DispatchScope frame(CWindowWnd::DispatchScope::kMessage);
  CWindowManagerUI* found = nullptr;
  bool child = (::GetWindowLongW(msg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
  for (int i = 0; i < g_managers.GetSize() && !found; ++i) {
    auto* manager = static_cast<CWindowManagerUI*>(g_managers[i]);
    if (!child) {
      if (manager->m_hwnd == msg->hwnd) found = manager;
      continue;
    }
    for (HWND w = msg->hwnd; w; w = ::GetParent(w)) {
      if (w == manager->m_hwnd) {
        found = manager;
        break;
      }
    }
  }
  if (!found) return false;
  if (found->TranslateAccelerator(const_cast<MSG*>(msg))) return true;
  return found->TranslateKeyboard(*msg);
}

WORD CWindowManagerUI::KeyState() {
  WORD state = 0;
  if (::GetKeyState(VK_RBUTTON) < 0) state |= UISTATE_KEY_RBUTTON;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= UISTATE_KEY_LBUTTON;
  if (::GetKeyState(VK_SHIFT) < 0) state |= UISTATE_KEY_SHIFT;
  if (::GetKeyState(VK_CONTROL) < 0) state |= UISTATE_KEY_CONTROL;
  if (::GetKeyState(VK_MENU) < 0) state |= UISTATE_KEY_ALT;
  return state;
}

bool CWindowManagerUI::RaiseEvent(CControlUI* target, int type, WPARAM wParam, LPARAM lParam, wchar_t key,
                                  WORD keyState) {
  if (!target) return true;
  UIEventRecord event;
  event.type = type;
  event.sender = target;
  event.timestamp = ::GetTickCount();
  event.mouse = m_lastMouse;
  event.key = key;
  event.keyState = keyState;
  event.wParam = wParam;
  event.lParam = lParam;
  return Survives([&] { target->Event(event); });
}

}  // namespace SkinUI
