#include "ui/base/ControlUI.h"

#include <climits>
#include <cwchar>

#include "ui/core/UIRect.h"
#include "ui/core/UIExtent.h"
#include "ui/core/UIValueParser.h"
#include "ui/render/RenderClip.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (OnDestroy.GetCount() > 0) OnDestroy(this);
  if (m_manager) m_manager->ReapObjects(this);
}

CUIString CControlUI::GetName() const { return m_name; }
void CControlUI::SetName(LPCWSTR name) { m_name = name; }
LPCWSTR CControlUI::GetClass() const { return L"ControlUI"; }

LPVOID CControlUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Control") == 0) return this;
  return nullptr;
}

UINT CControlUI::GetControlFlags() const { return 0; }
bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }
CWindowManagerUI* CControlUI::GetManager() const { return m_manager; }

void CControlUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
  m_manager = manager;
  m_parent = parent;
  // A virtual-window name given before the control had a manager takes effect now.
  if (m_manager && !m_virtualWnd.IsEmpty()) m_manager->UsedVirtualWnd(true);
  if (init && m_parent) Init();
}

CControlUI* CControlUI::GetParent() const { return m_parent; }
CUIString CControlUI::GetText() const { return m_text; }

void CControlUI::SetText(LPCWSTR text) {
  if (m_text == (text ? text : L"")) return;
  m_text = text;
  Invalidate();
}

const RECT& CControlUI::GetPos() const { return m_rcItem; }

void CControlUI::SetPos(RECT rc) {
  // Layouts add bounded sizes to a coordinate; kept in range, their sums cannot overflow.
  rc = CUIExtent::Coordinate(rc);
  CUIRect region(IsRectEmpty(&m_rcItem) ? rc : m_rcItem);
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  m_rcItem = rc;
  if (!m_manager) return;
  if (!m_inSetPos) {
    m_inSetPos = true;
    if (OnSize.GetCount() > 0) InvokeDelegates(OnSize, this);
    m_inSetPos = false;
  }
  if (m_float && m_parent) {
    const RECT& parentRc = m_parent->GetPos();
    m_fixedXY.cx = m_fixedXY.cx < 0 ? m_rcItem.right - parentRc.right : m_rcItem.left - parentRc.left;
    m_fixedXY.cy = m_fixedXY.cy < 0 ? m_rcItem.bottom - parentRc.bottom : m_rcItem.top - parentRc.top;
    m_fixedWidth = m_rcItem.right - m_rcItem.left;
    m_fixedHeight = m_rcItem.bottom - m_rcItem.top;
  }
  m_updateNeeded = false;
  region.Join(m_rcItem);
  for (CControlUI* p = m_parent; p; p = p->GetParent()) {
    if (!IntersectRect(&region, &region, &p->GetPos())) return;
  }
  m_manager->Invalidate(region);
}

int CControlUI::GetWidth() const { return m_rcItem.right - m_rcItem.left; }
int CControlUI::GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
int CControlUI::GetX() const { return m_rcItem.left; }
int CControlUI::GetY() const { return m_rcItem.top; }
RECT CControlUI::GetPadding() const { return m_rcPadding; }

void CControlUI::SetPadding(RECT padding) {
  m_rcPadding = CUIExtent::Bound(padding);
  NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const { return m_fixedXY; }

// A floating control lays itself out again; any other asks its parent.
#define JF_RELAYOUT() (m_float ? NeedUpdate() : NeedParentUpdate())

void CControlUI::SetFixedXY(SIZE xy) {
  m_fixedXY = CUIExtent::Bound(xy);
  JF_RELAYOUT();
}

int CControlUI::GetFixedWidth() const { return m_fixedWidth; }

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  m_fixedWidth = CUIExtent::Bound(cx);
  JF_RELAYOUT();
}

int CControlUI::GetFixedHeight() const { return m_fixedHeight; }

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  m_fixedHeight = CUIExtent::Bound(cy);
  JF_RELAYOUT();
}

int CControlUI::GetMinWidth() const { return m_minWidth; }
int CControlUI::GetMaxWidth() const { return m_maxWidth; }
int CControlUI::GetMinHeight() const { return m_minHeight; }
int CControlUI::GetMaxHeight() const { return m_maxHeight; }

#define JF_SET_LIMIT(field, value)                        \
  if ((value) < 0 || field == CUIExtent::Bound(value)) return; \
  field = CUIExtent::Bound(value);                         \
  JF_RELAYOUT();

void CControlUI::SetMinWidth(int cx) { JF_SET_LIMIT(m_minWidth, cx) }
void CControlUI::SetMaxWidth(int cx) { JF_SET_LIMIT(m_maxWidth, cx) }
void CControlUI::SetMinHeight(int cy) { JF_SET_LIMIT(m_minHeight, cy) }
void CControlUI::SetMaxHeight(int cy) { JF_SET_LIMIT(m_maxHeight, cy) }

#undef JF_SET_LIMIT
#undef JF_RELAYOUT

void CControlUI::SetRelativePos(SIZE move, SIZE zoom) {
  m_relativePos.relative = true;
  m_relativePos.moveX = CUIExtent::Bound(move.cx);
  m_relativePos.moveY = CUIExtent::Bound(move.cy);
  m_relativePos.zoomX = CUIExtent::Bound(zoom.cx);
  m_relativePos.zoomY = CUIExtent::Bound(zoom.cy);
}

void CControlUI::SetRelativeParentSize(SIZE size) { m_relativePos.parentSize = size; }
UIRelativePos CControlUI::GetRelativePos() const { return m_relativePos; }
bool CControlUI::IsRelativePos() const { return m_relativePos.relative; }
CUIString CControlUI::GetToolTip() const { return m_toolTip; }

void CControlUI::SetToolTip(LPCWSTR text) {
  CUIString tip(text ? text : L"");
  tip.Replace(L"<n>", L"\r\n");
  m_toolTip = tip;
}

void CControlUI::SetToolTipWidth(int width) { m_toolTipWidth = width; }
int CControlUI::GetToolTipWidth() const { return m_toolTipWidth; }
wchar_t CControlUI::GetShortcut() const { return m_shortcut; }
void CControlUI::SetShortcut(wchar_t ch) { m_shortcut = ch; }
bool CControlUI::IsContextMenuUsed() const { return m_menuUsed; }
void CControlUI::SetContextMenuUsed(bool used) { m_menuUsed = used; }
const CUIString& CControlUI::GetUserData() const { return m_userData; }
void CControlUI::SetUserData(LPCWSTR text) { m_userData = text; }
UINT_PTR CControlUI::GetTag() const { return m_tag; }
void CControlUI::SetTag(UINT_PTR tag) { m_tag = tag; }
bool CControlUI::IsVisible() const { return m_visible && m_internVisible; }

void CControlUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  bool wasVisible = IsVisible();
  m_visible = visible;
  m_focused = false;
  // A "killfocus" handler may close the window; this control stays valid until it returns.
  if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
  if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  m_internVisible = visible;
  if (!visible && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const {
  if (!m_enabled) return false;
  return m_parent ? m_parent->IsEnabled() : true;
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_enabled == enabled) return;
  m_enabled = enabled;
  Invalidate();
}

bool CControlUI::IsMouseEnabled() const { return m_mouseEnabled; }
void CControlUI::SetMouseEnabled(bool enabled) { m_mouseEnabled = enabled; }
bool CControlUI::IsKeyboardEnabled() const { return m_keyboardEnabled; }
void CControlUI::SetKeyboardEnabled(bool enabled) { m_keyboardEnabled = enabled; }
bool CControlUI::IsFocused() const { return m_focused; }

void CControlUI::SetFocus() {
  if (m_manager) m_manager->SetFocus(this);
}

bool CControlUI::IsFloat() const { return m_float; }

void CControlUI::SetFloat(bool floating) {
  if (m_float == floating) return;
  m_float = floating;
  NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
  if ((flags & UIFIND_HITTEST) != 0 &&
      (!m_mouseEnabled || !data || !PtInRect(&m_rcItem, *static_cast<const POINT*>(data)))) {
    return nullptr;
  }
  return proc(this, data);
}

void CControlUI::Invalidate() {
  if (!IsVisible()) return;
  RECT rc = m_rcItem;
  for (CControlUI* p = m_parent; p; p = p->GetParent()) {
    if (!IntersectRect(&rc, &rc, &p->GetPos())) return;
  }
  if (m_manager) m_manager->Invalidate(rc);
}

void CControlUI::Init() {
  DoInit();
  if (OnInit.GetCount() > 0) InvokeDelegates(OnInit, this);
}

// The delegate lists are doors to handlers like SendNotify: a framework frame, so that a
// delegate that closes the window leaves the list, and this control, alive until the callers
// have returned.
bool CControlUI::InvokeDelegates(CEventSourceUI& delegates, void* param) {
  CWindowWnd::DispatchScope frame;
  return delegates.Invoke(param);
}

void CControlUI::DoInit() {}

// The door through which every event reaches a control's delegates and DoEvent: a framework
// frame, which delivers nothing once the window is gone (a handler closed it).
void CControlUI::Event(UIEventRecord& event) {
  CWindowWnd::DispatchScope frame;
  if (m_manager && m_manager->IsWindowGone()) return;
  if (OnEvent.Invoke(&event) && !(m_manager && m_manager->IsWindowGone())) DoEvent(event);
}

void CControlUI::DoEvent(UIEventRecord& event) {
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return;
    case UIEVENT_SETFOCUS:
      m_focused = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      m_focused = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (m_manager) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
      return;
    case UIEVENT_CONTEXTMENU:
      if (IsContextMenuUsed()) {
        if (m_manager) m_manager->SendNotify(this, L"menu", event.wParam, event.lParam);
        return;
      }
      break;
    default:
      break;
  }
  if (m_parent) m_parent->DoEvent(event);
}

void CControlUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  if (SetPlaceAttribute(name, value) || SetLookAttribute(name, value)) return;
  SetStateAttribute(name, value);
}

// Where the control sits and how big it may be.
bool CControlUI::SetPlaceAttribute(LPCWSTR name, LPCWSTR value) {
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"pos")) {
    RECT rc = CUIValueParser::ReadRect(value);
    SIZE xy = {rc.left >= 0 ? rc.left : rc.right, rc.top >= 0 ? rc.top : rc.bottom};
    SetFixedXY(xy);
    // 64-bit differences: extreme corners must not overflow before the negative test.
    long long w = static_cast<long long>(rc.right) - rc.left;
    long long h = static_cast<long long>(rc.bottom) - rc.top;
    SetFixedWidth(w < 0 ? -1 : CUIExtent::Bound(w));
    SetFixedHeight(h < 0 ? -1 : CUIExtent::Bound(h));
  } else if (is(L"relativepos")) {
    int v[4];
    CUIValueParser::ReadIntList(value, v, 4);
    SetRelativePos(SIZE{v[0], v[1]}, SIZE{v[2], v[3]});
  } else if (is(L"padding")) {
    SetPadding(CUIValueParser::ReadRect(value));
  } else if (is(L"width")) {
    SetFixedWidth(CUIValueParser::ReadInt(value));
  } else if (is(L"height")) {
    SetFixedHeight(CUIValueParser::ReadInt(value));
  } else if (is(L"minwidth")) {
    SetMinWidth(CUIValueParser::ReadInt(value));
  } else if (is(L"minheight")) {
    SetMinHeight(CUIValueParser::ReadInt(value));
  } else if (is(L"maxwidth")) {
    SetMaxWidth(CUIValueParser::ReadInt(value));
  } else if (is(L"maxheight")) {
    SetMaxHeight(CUIValueParser::ReadInt(value));
  } else {
    return false;
  }
  return true;
}

// Colours, borders and images.
bool CControlUI::SetLookAttribute(LPCWSTR name, LPCWSTR value) {
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  auto setColor = [this](DWORD& field, DWORD color) {
    if (field == color) return;
    field = color;
    Invalidate();
  };
  if (is(L"bkcolor") || is(L"bkcolor1") || is(L"bkcolor2") || is(L"bkcolor3")) {
    LPCWSTR p = value;
    while (*p != L'\0' && *p <= L' ') ++p;
    DWORD color = CUIValueParser::ReadColor(p);
    setColor(is(L"bkcolor2") ? m_bkColor2 : is(L"bkcolor3") ? m_bkColor3 : m_bkColor, color);
  } else if (is(L"bordercolor")) {
    setColor(m_borderColor, CUIValueParser::ReadColor(value));
  } else if (is(L"focusbordercolor")) {
    setColor(m_focusBorderColor, CUIValueParser::ReadColor(value));
  } else if (is(L"colorhsl")) {
    SetColorHSL(CUIValueParser::ReadBool(value));
  } else if (is(L"bordersize")) {
    if (!wcschr(value, L',')) {
      SetBorderSize(CUIValueParser::ReadInt(value));
      m_borderSizes = RECT{0, 0, 0, 0};
    } else {
      SetBorderSizes(CUIValueParser::ReadRect(value));
    }
    Invalidate();
  } else if (is(L"leftbordersize")) {
    m_borderSizes.left = CUIValueParser::ReadExtent(value);
    Invalidate();
  } else if (is(L"topbordersize")) {
    m_borderSizes.top = CUIValueParser::ReadExtent(value);
    Invalidate();
  } else if (is(L"rightbordersize")) {
    m_borderSizes.right = CUIValueParser::ReadExtent(value);
    Invalidate();
  } else if (is(L"bottombordersize")) {
    m_borderSizes.bottom = CUIValueParser::ReadExtent(value);
    Invalidate();
  } else if (is(L"borderstyle")) {
    SetBorderStyle(CUIValueParser::ReadInt(value));
  } else if (is(L"borderround")) {
    SetBorderRound(CUIValueParser::ReadSize(value));
  } else if (is(L"bkimage")) {
    SetBkImage(value);
  } else if (is(L"foreimage")) {
    SetForeImage(value);
  } else {
    return false;
  }
  return true;
}

// Name, text and the switches of its behaviour.
bool CControlUI::SetStateAttribute(LPCWSTR name, LPCWSTR value) {
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"name")) {
    SetName(value);
  } else if (is(L"text")) {
    SetText(value);
  } else if (is(L"tooltip")) {
    SetToolTip(value);
  } else if (is(L"userdata")) {
    SetUserData(value);
  } else if (is(L"enabled")) {
    SetEnabled(CUIValueParser::ReadBool(value));
  } else if (is(L"mouse")) {
    SetMouseEnabled(CUIValueParser::ReadBool(value));
  } else if (is(L"keyboard")) {
    SetKeyboardEnabled(CUIValueParser::ReadBool(value));
  } else if (is(L"visible")) {
    SetVisible(CUIValueParser::ReadBool(value));
  } else if (is(L"float")) {
    SetFloat(CUIValueParser::ReadBool(value));
  } else if (is(L"shortcut")) {
    SetShortcut(value[0]);
  } else if (is(L"menu")) {
    SetContextMenuUsed(CUIValueParser::ReadBool(value));
  } else if (is(L"virtualwnd")) {
    SetVirtualWnd(value);
  } else {
    return false;
  }
  return true;
}

SIZE CControlUI::EstimateSize(SIZE) { return SIZE{m_fixedWidth, m_fixedHeight}; }

void CControlUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  if (!IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
    CRenderClip clip;
    CSkinRenderer::GenerateRoundClip(hdc, m_rcPaint, m_rcItem, m_borderRound.cx, m_borderRound.cy, clip);
    PaintBkColor(hdc);
    PaintBkImage(hdc);
    PaintStatusImage(hdc);
    PaintText(hdc);
    PaintBorder(hdc);
  } else {
    PaintBkColor(hdc);
    PaintBkImage(hdc);
    PaintStatusImage(hdc);
    PaintText(hdc);
    PaintBorder(hdc);
  }
}

void CControlUI::PaintBkColor(HDC hdc) {
  if (m_bkColor == 0) return;
  if (m_bkColor2 != 0) {
    if (m_bkColor3 != 0) {
      RECT rc = m_rcItem;
      rc.bottom = (m_rcItem.top + m_rcItem.bottom) / 2;
      CSkinRenderer::DrawGradient(hdc, rc, GetAdjustColor(m_bkColor), GetAdjustColor(m_bkColor2), true, 8);
      rc.top = rc.bottom;
      rc.bottom = m_rcItem.bottom;
      CSkinRenderer::DrawGradient(hdc, rc, GetAdjustColor(m_bkColor2), GetAdjustColor(m_bkColor3), true, 8);
    } else {
      CSkinRenderer::DrawGradient(hdc, m_rcItem, GetAdjustColor(m_bkColor), GetAdjustColor(m_bkColor2), true, 16);
    }
  } else if (m_bkColor >= 0xFF000000) {
    CSkinRenderer::DrawColor(hdc, m_rcPaint, GetAdjustColor(m_bkColor));
  } else {
    CSkinRenderer::DrawColor(hdc, m_rcItem, GetAdjustColor(m_bkColor));
  }
}

void CControlUI::PaintBkImage(HDC hdc) {
  if (m_bkImage.IsEmpty()) return;
  if (!DrawImage(hdc, m_bkImage)) m_bkImage.Empty();
}

void CControlUI::PaintStatusImage(HDC hdc) {
  if (m_foreImage.IsEmpty()) return;
  if (!DrawImage(hdc, m_foreImage)) m_foreImage.Empty();
}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC hdc) {
  if (m_borderColor == 0 && m_focusBorderColor == 0) return;
  bool round = m_borderRound.cx > 0 || m_borderRound.cy > 0;
  if (m_borderSize > 0 && round) {
    DWORD color = (IsFocused() && m_focusBorderColor != 0) ? m_focusBorderColor : m_borderColor;
    CSkinRenderer::DrawRoundRect(hdc, m_rcItem, m_borderSize, m_borderRound.cx, m_borderRound.cy,
                                 GetAdjustColor(color));
  } else if (IsFocused() && m_focusBorderColor != 0 && m_borderSize > 0) {
    CSkinRenderer::DrawRect(hdc, m_rcItem, m_borderSize, GetAdjustColor(m_focusBorderColor));
  } else if (m_borderSizes.left > 0 || m_borderSizes.top > 0 || m_borderSizes.right > 0 ||
             m_borderSizes.bottom > 0) {
    const RECT& r = m_rcItem;
    DWORD color = GetAdjustColor(m_borderColor);
    // Each line runs along its edge, its width inside the item.
    if (m_borderSizes.left > 0) {
      int x = r.left + (m_borderSizes.left - 1) / 2;
      CSkinRenderer::DrawLine(hdc, RECT{x, r.top, x, r.bottom}, m_borderSizes.left, color, m_borderStyle);
    }
    if (m_borderSizes.top > 0) {
      int y = r.top + (m_borderSizes.top - 1) / 2;
      CSkinRenderer::DrawLine(hdc, RECT{r.left, y, r.right, y}, m_borderSizes.top, color, m_borderStyle);
    }
    if (m_borderSizes.right > 0) {
      int x = r.right - 1 - m_borderSizes.right / 2;
      CSkinRenderer::DrawLine(hdc, RECT{x, r.top, x, r.bottom}, m_borderSizes.right, color, m_borderStyle);
    }
    if (m_borderSizes.bottom > 0) {
      int y = r.bottom - 1 - m_borderSizes.bottom / 2;
      CSkinRenderer::DrawLine(hdc, RECT{r.left, y, r.right, y}, m_borderSizes.bottom, color, m_borderStyle);
    }
  } else if (m_borderSize > 0) {
    CSkinRenderer::DrawRect(hdc, m_rcItem, m_borderSize, GetAdjustColor(m_borderColor));
  }
}

void CControlUI::DoPostPaint(HDC, const RECT&) {}

CUIString CControlUI::GetVirtualWnd() const {
  if (!m_virtualWnd.IsEmpty()) return m_virtualWnd;
  return m_parent ? m_parent->GetVirtualWnd() : CUIString();
}

void CControlUI::SetVirtualWnd(LPCWSTR name) {
  m_virtualWnd = name;
  if (m_manager) m_manager->UsedVirtualWnd(true);
}

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
  m_updateNeeded = true;
  Invalidate();
  if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
  if (m_parent) {
    m_parent->NeedUpdate();
    m_parent->Invalidate();
  } else {
    NeedUpdate();
  }
  if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::SetBkColor(DWORD color) {
  if (m_bkColor == color) return;
  m_bkColor = color;
  Invalidate();
}

void CControlUI::SetBkColor2(DWORD color) {
  if (m_bkColor2 == color) return;
  m_bkColor2 = color;
  Invalidate();
}

void CControlUI::SetBkColor3(DWORD color) {
  if (m_bkColor3 == color) return;
  m_bkColor3 = color;
  Invalidate();
}

void CControlUI::SetBkImage(LPCWSTR image) {
  if (m_bkImage == (image ? image : L"")) return;
  m_bkImage = image;
  Invalidate();
}

void CControlUI::SetForeImage(LPCWSTR image) {
  if (m_foreImage == (image ? image : L"")) return;
  m_foreImage = image;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
  if (m_borderColor == color) return;
  m_borderColor = color;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
  if (m_focusBorderColor == color) return;
  m_focusBorderColor = color;
  Invalidate();
}

void CControlUI::SetColorHSL(bool on) {
  if (m_colorHSL == on) return;
  m_colorHSL = on;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  size = CUIExtent::Bound(size);
  if (m_borderSize == size) return;
  m_borderSize = size;
  Invalidate();
}

void CControlUI::SetBorderSizes(RECT sizes) {
  m_borderSizes = CUIExtent::Bound(sizes);
  Invalidate();
}

void CControlUI::SetBorderStyle(int style) {
  m_borderStyle = style;
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  m_borderRound = CUIExtent::Bound(round);
  Invalidate();
}

DWORD CControlUI::GetAdjustColor(DWORD color) const {
  if (!m_colorHSL) return color;
  return CSkinRenderer::AdjustColor(color, 180, 100, 100);
}

bool CControlUI::DrawImage(HDC hdc, LPCWSTR image, LPCWSTR modify) {
  return CSkinRenderer::DrawImageString(hdc, m_manager, m_rcItem, m_rcPaint, image, modify);
}

CControlUI* CControlUI::ApplyAttributeList(LPCWSTR list) {
  if (!list) return this;
  CUIString name;
  CUIString value;
  const wchar_t* p = list;
  while (*p != L'\0') {
    const wchar_t* start = p;
    while (*p != L'\0' && *p != L'=') ++p;
    if (*p != L'=') return this;
    name.Assign(start, static_cast<int>(p - start));
    ++p;
    if (*p != L'"') return this;
    ++p;
    start = p;
    while (*p != L'\0' && *p != L'"') ++p;
    if (*p != L'"') return this;
    value.Assign(start, static_cast<int>(p - start));
    ++p;
    SetAttribute(name, value);
    if (*p != L' ') return this;
    ++p;
  }
  return this;
}

}  // namespace SkinUI
