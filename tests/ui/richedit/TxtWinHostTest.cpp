#include <richedit.h>
#include <textserv.h>

#include "tests/ui/base/ControlTestHost.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/richedit/TxtWinHost.h"

using namespace uictest;

namespace {

class TxtWinHostTest : public ControlTest {
 protected:
  CRichEditUI* Make(const wchar_t* font = nullptr) {
    auto* edit = new CRichEditUI;
    if (font) edit->SetAttribute(L"font", font);
    edit->SetAttribute(L"textcolor", L"#FF112233");
    edit->SetAttribute(L"vscrollbar", L"true");
    return Place(edit, L"r", RECT{10, 10, 110, 60});
  }
};

TEST_F(TxtWinHostTest, DefaultCharacterFormatFromTheManagersFont) {
  struct Row {
    int weight;
    bool bold;
  };
  for (Row row : {Row{700, true}, Row{600, false}, Row{400, false}}) {
    root_->RemoveAll();
    host_.manager.AddFont(L"Tahoma", 16, false, false, false);  // index 0, lfHeight -16
    const int index = host_.manager.GetCustomFontCount() - 1;
    UIFontInfo* info = host_.manager.GetFontInfo(index);
    LOGFONTW lf = {};
    GetObjectW(info->hFont, sizeof(lf), &lf);
    lf.lfWeight = row.weight;
    lf.lfItalic = 1;
    HFONT font = CreateFontIndirectW(&lf);
    CRichEditUI* edit = Make();
    CTxtWinHost* host = edit->GetTxtWinHost();
    ASSERT_NE(host, nullptr);
    host->GetCharFormat().dwEffects = 0;
    host->CharFormatFromFont(font);
    const CHARFORMAT2W& cf = host->GetCharFormat();
    EXPECT_EQ(cf.yHeight, 240);  // -16 px at 96 dpi
    EXPECT_EQ((cf.dwEffects & CFE_BOLD) != 0, row.bold) << row.weight;
    EXPECT_NE(cf.dwEffects & CFE_ITALIC, 0u);
    EXPECT_EQ(cf.crTextColor, 0x00332211u);  // red in the lowest byte, alpha dropped
    EXPECT_EQ(cf.cbSize, sizeof(CHARFORMAT2W));
    EXPECT_EQ(cf.dwMask, 0xF8000007u);
    EXPECT_EQ(host->GetParaFormat().dwMask, 0x8009003Fu);
    EXPECT_EQ(host->GetParaFormat().rgxTabs[0], 720);
    DeleteObject(font);
  }
}

TEST_F(TxtWinHostTest, UnitsBitsAndAnswers) {
  CRichEditUI* edit = Make();
  CTxtWinHost* host = edit->GetTxtWinHost();
  host->SetClientRect(RECT{0, 0, 100, 50});
  EXPECT_EQ(host->GetExtentSize().cx, 2646);
  EXPECT_EQ(host->GetExtentSize().cy, 1323);
  TXTBACKSTYLE back = TXTBACK_OPAQUE;
  host->TxGetBackStyle(&back);
  EXPECT_EQ(back, TXTBACK_TRANSPARENT);  // set by the control's creation
  DWORD bits = 0;
  host->TxGetPropertyBits(0xFFFFFFFF, &bits);
  EXPECT_EQ(bits, DWORD(TXTBIT_MULTILINE | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP));
  edit->SetReadOnly(true);
  edit->SetHideSelection(false);
  edit->SetAttribute(L"rich", L"true");
  host->TxGetPropertyBits(0xFFFFFFFF, &bits);
  EXPECT_EQ(bits, DWORD(TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_READONLY | TXTBIT_WORDWRAP));
  DWORD bars = 0;
  host->TxGetScrollBars(&bars);
  EXPECT_EQ(bars, DWORD(WS_VSCROLL | ES_DISABLENOSCROLL));

  CScrollBarUI* bar = edit->GetVerticalScrollBar();
  host->TxSetScrollRange(SB_VERT, 0, 50, TRUE);
  EXPECT_FALSE(bar->IsVisible());
  host->TxSetScrollRange(SB_VERT, 0, 51, TRUE);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 1);
  host->TxShowScrollBar(SB_VERT, 2);  // only exactly TRUE shows
  EXPECT_FALSE(bar->IsVisible());

  host->TxSetCursor(LoadCursorW(nullptr, IDC_HAND), FALSE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  host->TxSetCursor(LoadCursorW(nullptr, IDC_IBEAM), TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_IBEAM));
  LONG pos = 0;
  host->TxGetAcceleratorPos(&pos);
  EXPECT_EQ(pos, -1);
  void* face = nullptr;
  EXPECT_EQ(host->QueryInterface(IID_ITextHost, &face), S_OK);
  EXPECT_EQ(face, static_cast<ITextHost*>(host));
  host->Release();
  EXPECT_EQ(host->QueryInterface(IID_ITextServices, &face), E_NOINTERFACE);
  EXPECT_EQ(face, nullptr);
  // EN_REQUESTRESIZE resizes the client rectangle from its top-left corner.
  REQRESIZE request = {};
  request.rc = RECT{0, 0, 30, 20};
  host->SetClientRect(RECT{5, 6, 100, 50});
  host->TxNotify(EN_REQUESTRESIZE, &request);
  EXPECT_EQ(host->GetClientRect().right, 35);
  EXPECT_EQ(host->GetClientRect().bottom, 26);
}

TEST_F(TxtWinHostTest, WindowKeepsNoNativeScrollBarsAndTheInitialTextIsSet) {
  SetWindowLongPtrW(host_.GetHWND(), GWL_STYLE, GetWindowLongPtrW(host_.GetHWND(), GWL_STYLE) | WS_VSCROLL);
  auto* edit = new CRichEditUI;
  edit->SetText(L"before");
  Place(edit, L"r", RECT{10, 10, 110, 60});
  EXPECT_EQ(edit->GetText(), L"before");
  EXPECT_EQ(GetWindowLongPtrW(host_.GetHWND(), GWL_STYLE) & WS_VSCROLL, 0);
  // With ES_DISABLENOSCROLL the window's style stays.
  SetWindowLongPtrW(host_.GetHWND(), GWL_STYLE, GetWindowLongPtrW(host_.GetHWND(), GWL_STYLE) | WS_VSCROLL);
  auto* second = new CRichEditUI;
  second->SetAttribute(L"vscrollbar", L"true");
  Place(second, L"s", RECT{10, 70, 110, 120});
  EXPECT_NE(GetWindowLongPtrW(host_.GetHWND(), GWL_STYLE) & WS_VSCROLL, 0);
  // Without a host every operation answers empty.
  CRichEditUI bare;
  LRESULT result = 7;
  EXPECT_EQ(bare.TxSendMessage(WM_GETTEXTLENGTH, 0, 0, &result), S_FALSE);
  EXPECT_EQ(bare.GetText(), L"");
  EXPECT_FALSE(bare.Undo());
  EXPECT_EQ(bare.CharFromPos(3, 3), 0);
}

}  // namespace
