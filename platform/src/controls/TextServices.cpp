#include "platform/src/controls/TextServices.h"

#include <algorithm>
#include <cstring>

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

TextServices::Hold::Hold(TextServices* services) : services_(services), host_(services->host_) {
  services_->AddRef();
  host_->AddRef();
}

// The host first: its last reference going lets go of these services too.
TextServices::Hold::~Hold() {
  host_->Release();
  services_->Release();
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
  CHARFORMAT2W def = formats_.DefaultChar();
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
    // The host's format, as far as it goes, over the services' own defaults.
    CHARFORMAT2W given{};
    const bool two = cf->cbSize == sizeof(CHARFORMAT2W);
    std::memcpy(&given, cf, two ? sizeof(CHARFORMAT2W) : sizeof(CHARFORMATW));
    if (!(cf->dwMask & CFM_COLOR)) given.dwEffects |= CFE_AUTOCOLOR;
    given.dwMask |= CFM_COLOR;
    if (!(given.dwMask & CFM_SIZE)) given.yHeight = 180;
    given.dwMask |= CFM_SIZE;
    TextFormats::Merge(def, given, two);
  }
  formats_.SetDefaultChar(def);
  font_ = std::make_unique<FontObject>(lf);
  const PARAFORMAT* pf = nullptr;
  if (SUCCEEDED(host_->TxGetParaFormat(&pf)) && pf) {
    PARAFORMAT2 para = formats_.DefaultPara();
    PARAFORMAT2 given{};
    std::memcpy(&given, pf, pf->cbSize == sizeof(PARAFORMAT2) ? sizeof(PARAFORMAT2) : sizeof(PARAFORMAT));
    if (pf->cbSize != sizeof(PARAFORMAT2)) given.dwMask &= ~DWORD(PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_LINESPACING);
    TextFormats::Merge(para, given);
    formats_.SetDefaultPara(para);
  }
  Dirty();
  spares_.clear();  // laid out in the font before
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
  Spare(std::move(layout_));
  layoutWidth_ = -2;
}

void TextServices::Spare(std::unique_ptr<RichTextLayout> layout) {
  if (!layout) return;
  spares_.erase(std::remove_if(spares_.begin(), spares_.end(),
                               [&](const auto& spare) { return spare->WrapWidth() == layout->WrapWidth(); }),
                spares_.end());
  if (spares_.size() >= 2) spares_.erase(spares_.begin());
  spares_.push_back(std::move(layout));
}

RichTextLayout& TextServices::Layout() {
  const RECT rc = Client();
  // A control not yet placed has no width to wrap at: its text is laid out once it has one.
  return LayoutAt(Has(TXTBIT_WORDWRAP) && Has(TXTBIT_MULTILINE) ? std::max<int>(0, rc.right - rc.left) : -1);
}

// At `width` pixels, -1 for unwrapped lines; 0 lays out no text.
RichTextLayout& TextServices::LayoutAt(int width) {
  if (layout_ && layoutWidth_ == width) return *layout_;
  std::wstring shown = width == 0 ? std::wstring() : text_;
  if (Has(TXTBIT_USEPASSWORD)) {
    for (wchar_t& c : shown)
      if (c != L'\r' || !Has(TXTBIT_MULTILINE)) c = passwordChar_ ? passwordChar_ : L'*';
  }
  const RECT rc = Client();
  RichTextLayout::Options options;
  options.wrapWidth = width;
  options.alignWidth = rc.right - rc.left;
  options.text = host_->TxGetSysColor(COLOR_WINDOWTEXT);
  links_ = DetectLinks();
  options.links = links_;
  Spare(std::move(layout_));
  auto spare = std::find_if(spares_.begin(), spares_.end(), [&](const auto& s) { return s->WrapWidth() == width; });
  std::unique_ptr<RichTextLayout> previous;
  if (spare != spares_.end()) {
    previous = std::move(*spare);
    spares_.erase(spare);
  }
  layout_ = std::make_unique<RichTextLayout>(shown, formats_, font_.get(), std::move(options), previous.get());
  layoutWidth_ = width;
  return *layout_;
}

int TextServices::ContentHeight() { return Layout().Height(); }
int TextServices::ContentWidth() { return Layout().Width(); }

POINT TextServices::PosOf(LONG cp) {
  const RECT at = Layout().CaretAt(std::clamp<LONG>(cp, 0, Length()));
  const RECT rc = Client();
  return POINT{rc.left + at.left - scrollX_, rc.top + at.top - scrollY_};
}

int TextServices::CaretHeight(LONG cp) {
  const RECT at = Layout().CaretAt(std::clamp<LONG>(cp, 0, Length()));
  return std::max<int>(1, at.bottom - at.top);
}

LONG TextServices::CpAt(int x, int y) {
  const RECT rc = Client();
  return std::clamp<LONG>(Layout().CpAt(x - rc.left + scrollX_, y - rc.top + scrollY_), 0, Length());
}

LONG TextServices::CharUnder(int x, int y) {
  const RECT rc = Client();
  return Layout().CharAt(x - rc.left + scrollX_, y - rc.top + scrollY_);
}

int TextServices::LineOf(LONG cp) { return Layout().LineOf(std::clamp<LONG>(cp, 0, Length())); }

int TextServices::LineCount() { return Layout().LineCount(); }

LONG TextServices::LineStart(int line) { return Layout().LineStart(line); }

LONG TextServices::LineEnd(int line) {
  if (line < 0 || line >= LineCount()) return Length();
  LONG end = Layout().LineEnd(line);
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
  if (PtInRect(&rc, pt) && NotifyLink(WM_SETCURSOR, 0, MAKELPARAM(x, y))) return S_OK;
  const LONG under = PtInRect(&rc, pt) ? CharUnder(x, y) : -1;
  CHARRANGE link;
  if (under >= 0 && LinkAt(under, &link)) {
    host_->TxSetCursor(LoadCursorW(nullptr, IDC_HAND), FALSE);
    return S_OK;
  }
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
  RichTextLayout& layout = LayoutAt(width);
  *pwidth = wrap ? std::min<LONG>(*pwidth, layout.Width()) : layout.Width();
  *pheight = layout.Height();
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
