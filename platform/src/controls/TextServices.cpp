#include "platform/src/controls/TextServices.h"

#include <algorithm>

#include "platform/src/controls/TextDropTarget.h"
#include "platform/src/display/DisplayArea.h"
#include "platform/src/gdi/GdiArea.h"
#include "platform/src/user/UserArea.h"

namespace jf {

TextServices::TextServices(ITextHost* host) : host_(host) {
  host_->TxGetPropertyBits(0xFFFFFFFF, &bits_);
  host_->TxGetScrollBars(&scrollBars_);
  host_->TxGetMaxLength(&maxLength_);
  host_->TxGetBackStyle(&backStyle_);
  host_->TxGetPasswordChar(&passwordChar_);
  ReadFormat();
}

TextServices::~TextServices() {
  if (dropTarget_) {
    dropTarget_->Detach();
    dropTarget_->Release();
  }
}

HRESULT TextServices::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_ITextServices) {
    *ppv = static_cast<ITextServices*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG TextServices::AddRef() { return ++refs_; }

ULONG TextServices::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void TextServices::ReadFormat() {
  const CHARFORMATW* cf = nullptr;
  LOGFONTW lf = {};
  lf.lfHeight = -12;
  lf.lfWeight = FW_NORMAL;
  wcscpy(lf.lfFaceName, L"Tahoma");
  if (SUCCEEDED(host_->TxGetCharFormat(&cf)) && cf) {
    // Twips to pixels at the layer's 96 dots per inch.
    if ((cf->dwMask & CFM_SIZE) && cf->yHeight > 0) lf.lfHeight = -MulDiv(cf->yHeight, 96, 1440);
    if (cf->dwMask & CFM_BOLD) lf.lfWeight = (cf->dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    if (cf->dwMask & CFM_ITALIC) lf.lfItalic = (cf->dwEffects & CFE_ITALIC) ? 1 : 0;
    if (cf->dwMask & CFM_UNDERLINE) lf.lfUnderline = (cf->dwEffects & CFE_UNDERLINE) ? 1 : 0;
    if (cf->dwMask & CFM_CHARSET) lf.lfCharSet = cf->bCharSet;
    if ((cf->dwMask & CFM_FACE) && cf->szFaceName[0]) {
      wcsncpy(lf.lfFaceName, cf->szFaceName, LF_FACESIZE - 1);
      lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    autoColor_ = !(cf->dwMask & CFM_COLOR) || (cf->dwEffects & CFE_AUTOCOLOR);
    color_ = cf->crTextColor;
  }
  font_ = std::make_unique<FontObject>(lf);
  const PARAFORMAT* pf = nullptr;
  if (SUCCEEDED(host_->TxGetParaFormat(&pf)) && pf && (pf->dwMask & PFM_ALIGNMENT)) alignment_ = pf->wAlignment;
  Dirty();
}

RECT TextServices::Client() const {
  RECT rc = client_;
  if (host_->TxGetClientRect(&rc) != S_OK) rc = client_;
  RECT inset = {0, 0, 0, 0};
  if (host_->TxGetViewInset(&inset) == S_OK) {
    rc.left += inset.left;
    rc.top += inset.top;
    rc.right -= inset.right;
    rc.bottom -= inset.bottom;
  }
  return rc;
}

// ---- Layout ----

void TextServices::Dirty() {
  layout_.reset();
  layoutWidth_ = -2;
}

FontLayout& TextServices::Layout() {
  const RECT rc = Client();
  return LayoutAt(Has(TXTBIT_WORDWRAP) && Has(TXTBIT_MULTILINE) ? std::max<int>(1, rc.right - rc.left) : -1);
}

FontLayout& TextServices::LayoutAt(int width) {
  if (layout_ && layoutWidth_ == width) return *layout_;
  std::wstring shown = text_;
  if (Has(TXTBIT_USEPASSWORD)) shown.assign(text_.size(), passwordChar_ ? passwordChar_ : L'*');
  layout_ = std::make_unique<FontLayout>(font_.get(), shown);
  layoutWidth_ = width;
  PangoLayout* pl = layout_->Get();
  if (width > 0) {
    pango_layout_set_width(pl, width * PANGO_SCALE);
    pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
  }
  pango_layout_set_alignment(pl, alignment_ == PFA_CENTER ? PANGO_ALIGN_CENTER
                                 : alignment_ == PFA_RIGHT ? PANGO_ALIGN_RIGHT
                                                           : PANGO_ALIGN_LEFT);
  // Without a width pango aligns within the widest line; a single line aligns in the client.
  bytes_.assign(1, 0);
  bytes_.reserve(shown.size() + 1);
  for (wchar_t c : shown) {
    const unsigned u = unsigned(c);
    bytes_.push_back(bytes_.back() + (u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4));
  }
  return *layout_;
}

int TextServices::ByteOf(LONG cp) const {
  cp = std::clamp<LONG>(cp, 0, LONG(bytes_.size()) - 1);
  return bytes_[size_t(cp)];
}

LONG TextServices::CpOf(int byte) const {
  auto it = std::lower_bound(bytes_.begin(), bytes_.end(), byte);
  return LONG(it - bytes_.begin());
}

int TextServices::ContentHeight() { return Layout().Extents().height; }
int TextServices::ContentWidth() { return Layout().Extents().width; }

POINT TextServices::PosOf(LONG cp) {
  FontLayout& layout = Layout();
  PangoRectangle pos;
  pango_layout_index_to_pos(layout.Get(), ByteOf(cp), &pos);
  const RECT rc = Client();
  int x = PANGO_PIXELS(pos.x);
  if (layoutWidth_ < 0 && !Has(TXTBIT_MULTILINE)) {
    const int free = (rc.right - rc.left) - ContentWidth();
    if (free > 0 && alignment_ == PFA_CENTER) x += free / 2;
    if (free > 0 && alignment_ == PFA_RIGHT) x += free;
  }
  return POINT{rc.left + x - scrollX_, rc.top + PANGO_PIXELS(pos.y) - scrollY_};
}

LONG TextServices::CpAt(int x, int y) {
  FontLayout& layout = Layout();
  const RECT rc = Client();
  const POINT origin = PosOf(0);
  const POINT zero = {rc.left - scrollX_, rc.top - scrollY_};
  // The first character's shift from alignment of a lone line applies to every point.
  const int shift = (layoutWidth_ < 0 && !Has(TXTBIT_MULTILINE)) ? origin.x - zero.x - PANGO_PIXELS(0) : 0;
  int index = 0, trailing = 0;
  const int lx = (x - zero.x - shift) * PANGO_SCALE;
  int ly = (y - zero.y) * PANGO_SCALE;
  ly = std::clamp(ly, 0, std::max(0, layout.Extents().height * PANGO_SCALE - 1));
  pango_layout_xy_to_index(layout.Get(), lx, ly, &index, &trailing);
  LONG cp = CpOf(index) + trailing;
  return std::clamp<LONG>(cp, 0, Length());
}

int TextServices::LineOf(LONG cp) {
  int line = 0, x = 0;
  pango_layout_index_to_line_x(Layout().Get(), ByteOf(cp), FALSE, &line, &x);
  return line;
}

int TextServices::LineCount() { return pango_layout_get_line_count(Layout().Get()); }

LONG TextServices::LineStart(int line) {
  PangoLayoutLine* l = pango_layout_get_line_readonly(Layout().Get(), line);
  return l ? CpOf(l->start_index) : Length();
}

LONG TextServices::LineEnd(int line) {
  PangoLayoutLine* l = pango_layout_get_line_readonly(Layout().Get(), line);
  if (!l) return Length();
  LONG end = CpOf(l->start_index + l->length);
  // A wrapped line's trailing blank belongs before the next line's start.
  if (end > LineStart(line) && end <= Length() && end < Length() && line + 1 < LineCount() &&
      text_[size_t(end - 1)] == L' ')
    --end;
  return end;
}

// ---- ITextServices ----

HRESULT TextServices::TxGetHScroll(LONG* plMin, LONG* plMax, LONG* plPos, LONG* plPage, BOOL* pfEnabled) {
  const RECT rc = Client();
  if (plMin) *plMin = 0;
  if (plMax) *plMax = layoutWidth_ < 0 ? ContentWidth() : rc.right - rc.left;
  if (plPos) *plPos = scrollX_;
  if (plPage) *plPage = rc.right - rc.left;
  if (pfEnabled) *pfEnabled = layoutWidth_ < 0 && ContentWidth() > rc.right - rc.left;
  return S_OK;
}

HRESULT TextServices::TxGetVScroll(LONG* plMin, LONG* plMax, LONG* plPos, LONG* plPage, BOOL* pfEnabled) {
  const RECT rc = Client();
  if (plMin) *plMin = 0;
  if (plMax) *plMax = ContentHeight();
  if (plPos) *plPos = scrollY_;
  if (plPage) *plPage = rc.bottom - rc.top;
  if (pfEnabled) *pfEnabled = ContentHeight() > rc.bottom - rc.top;
  return S_OK;
}

HRESULT TextServices::OnTxSetCursor(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT lprcClient, INT x, INT y) {
  const RECT rc = lprcClient ? *lprcClient : Client();
  const POINT pt = {x, y};
  host_->TxSetCursor(LoadCursorW(nullptr, PtInRect(&rc, pt) ? IDC_IBEAM : IDC_ARROW), PtInRect(&rc, pt));
  return S_OK;
}

HRESULT TextServices::TxQueryHitPoint(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT lprcClient, INT x, INT y,
                                      DWORD* pHitResult) {
  if (!pHitResult) return E_INVALIDARG;
  const RECT rc = lprcClient ? *lprcClient : Client();
  *pHitResult = PtInRect(&rc, POINT{x, y}) ? TXTHITRESULT_HIT : TXTHITRESULT_NOHIT;
  return S_OK;
}

HRESULT TextServices::OnTxInPlaceActivate(LPCRECT prcClient) {
  active_ = true;
  if (prcClient && !IsRectEmpty(prcClient)) client_ = *prcClient;
  Dirty();
  Invalidate();
  return S_OK;
}

HRESULT TextServices::OnTxInPlaceDeactivate() {
  active_ = false;
  if (dragging_) host_->TxSetCapture(FALSE);
  dragging_ = false;
  return S_OK;
}

HRESULT TextServices::OnTxUIActivate() { return S_OK; }
HRESULT TextServices::OnTxUIDeactivate() { return S_OK; }

HRESULT TextServices::TxGetText(BSTR* pbstrText) {
  if (!pbstrText) return E_INVALIDARG;
  *pbstrText = SysAllocStringLen(text_.c_str(), UINT(text_.size()));
  return *pbstrText ? S_OK : E_OUTOFMEMORY;
}

HRESULT TextServices::TxSetText(LPCWSTR pszText) {
  LRESULT ignored = 0;
  return TxSendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText ? pszText : L""), &ignored);
}

HRESULT TextServices::TxGetCurTargetX(LONG* px) {
  if (!px) return E_INVALIDARG;
  *px = PosOf(caret_).x;
  return S_OK;
}

HRESULT TextServices::TxGetBaseLinePos(LONG* pBaseLinePos) {
  if (!pBaseLinePos) return E_INVALIDARG;
  *pBaseLinePos = Layout().Baseline();
  return S_OK;
}

HRESULT TextServices::TxGetNaturalSize(DWORD, HDC, HDC, DVTARGETDEVICE*, DWORD /*dwMode*/, const SIZEL*, LONG* pwidth,
                                       LONG* pheight) {
  if (!pwidth || !pheight) return E_INVALIDARG;
  const bool wrap = Has(TXTBIT_WORDWRAP) && Has(TXTBIT_MULTILINE);
  const int width = wrap ? std::max<LONG>(1, *pwidth) : -1;
  FontLayout& layout = LayoutAt(width);
  const PangoRectangle e = layout.Extents();
  *pwidth = wrap ? std::min<LONG>(*pwidth, e.width) : e.width;
  *pheight = e.height;
  Dirty();  // the next use lays out at the client width again
  return S_OK;
}

HRESULT TextServices::OnTxPropertyBitsChange(DWORD dwMask, DWORD dwBits) {
  bits_ = (bits_ & ~dwMask) | (dwBits & dwMask);
  if (dwMask & (TXTBIT_CHARFORMATCHANGE | TXTBIT_PARAFORMATCHANGE)) ReadFormat();
  if (dwMask & TXTBIT_MAXLENGTHCHANGE) host_->TxGetMaxLength(&maxLength_);
  if (dwMask & TXTBIT_BACKSTYLECHANGE) host_->TxGetBackStyle(&backStyle_);
  if (dwMask & TXTBIT_SCROLLBARCHANGE) host_->TxGetScrollBars(&scrollBars_);
  if (dwMask & TXTBIT_USEPASSWORD) host_->TxGetPasswordChar(&passwordChar_);
  const RECT client = Client();
  const bool moved = !EqualRect(&client, &laidOut_);
  laidOut_ = client;
  const DWORD relayout = TXTBIT_CHARFORMATCHANGE | TXTBIT_PARAFORMATCHANGE | TXTBIT_WORDWRAP | TXTBIT_USEPASSWORD |
                         TXTBIT_MULTILINE;
  if (!moved && (dwMask & ~DWORD(TXTBIT_VIEWINSETCHANGE | TXTBIT_CLIENTRECTCHANGE | TXTBIT_EXTENTCHANGE)) == 0) {
    return S_OK;  // the same rectangle again: nothing to lay out
  }
  Dirty();
  if (active_ && (moved || (dwMask & relayout))) {
    UpdateScrollBars();
    PlaceCaret();
  }
  Invalidate();
  return S_OK;
}

HRESULT TextServices::TxGetCachedSize(DWORD* pdwWidth, DWORD* pdwHeight) {
  if (!pdwWidth || !pdwHeight) return E_INVALIDARG;
  *pdwWidth = DWORD(ContentWidth());
  *pdwHeight = DWORD(ContentHeight());
  return S_OK;
}

}  // namespace jf

HRESULT CreateTextServices(IUnknown* punkOuter, ITextHost* pITextHost, IUnknown** ppUnk) {
  if (!ppUnk) return E_INVALIDARG;
  *ppUnk = nullptr;
  if (punkOuter) return CLASS_E_NOAGGREGATION;
  if (!pITextHost) return E_INVALIDARG;
  *ppUnk = new jf::TextServices(pITextHost);
  return S_OK;
}
