#include "app/MsgBoxDlg.h"

#include "ui/base/ControlUI.h"

using SkinUI::CControlUI;

SKINUI_BEGIN_NOTIFY_MAP(CMsgBoxDlg, WindowImplBase)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_ok", OnOkClick)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_cancel", OnCancelClick)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_close", OnCancelClick)
SKINUI_END_NOTIFY_MAP()

CMsgBoxDlg::CMsgBoxDlg(const std::wstring& text, const std::wstring& title, const std::wstring& codeLine)
    : m_text(text), m_title(title), m_codeLine(codeLine) {}

LRESULT CMsgBoxDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return WindowImplBase::HandleMessage(msg, wParam, lParam);
}

void CMsgBoxDlg::OnFinalMessage(HWND hwnd) {
  WindowImplBase::OnFinalMessage(hwnd);
  m_windowGone = true;
  // The modal loop still reads the object after the window is destroyed.
  if (!m_inModalLoop) delete this;
}

UINT CMsgBoxDlg::ShowModal() {
  m_inModalLoop = true;
  UINT result = WindowImplBase::ShowModal();
  m_inModalLoop = false;
  if (m_windowGone) delete this;
  return result;
}

void CMsgBoxDlg::InitWindow() {
  m_close = m_manager.FindControl(L"btn_close");
  m_ok = m_manager.FindControl(L"btn_ok");
  m_cancel = m_manager.FindControl(L"btn_cancel");
  m_textLabel = m_manager.FindControl(L"lb_text");
  m_titleLabel = m_manager.FindControl(L"lb_title");
  m_row = m_manager.FindControl(L"hlt_btn_0");
  m_codeLabel = m_manager.FindControl(L"lb_code");
  if (m_textLabel) m_textLabel->SetText(m_text.c_str());
  if (m_titleLabel) m_titleLabel->SetText(m_title.c_str());
  if (m_codeLabel) m_codeLabel->SetText(m_codeLine.c_str());
}

void CMsgBoxDlg::OnOkClick(SkinUI::UINotifyMsg&) { Close(1); }

void CMsgBoxDlg::OnCancelClick(SkinUI::UINotifyMsg&) { Close(2); }

void CMsgBoxDlg::SetButtonTexts(const std::wstring& okCaption, const std::wstring& cancelCaption) {
  if (m_ok && !okCaption.empty()) m_ok->SetText(okCaption.c_str());
  if (m_cancel && !cancelCaption.empty()) m_cancel->SetText(cancelCaption.c_str());
}

void CMsgBoxDlg::SetCloseVisible(bool visible) {
  if (m_close) m_close->SetVisible(visible);
}

void CMsgBoxDlg::SetRowVisible(bool visible) {
  if (m_row) m_row->SetVisible(visible);
}
