#include "app/MainDlg.h"

#include "app/MsgBoxDlg.h"
#include "app/config/AppConfig.h"
#include "app/install/AppLog.h"
#include "commonlib/util/FileUtils.h"
#include "ui/base/ControlUI.h"
#include "ui/control/EditUI.h"
#include "ui/control/LabelUI.h"
#include "ui/control/OptionUI.h"
#include "ui/control/ProgressUI.h"
#include "ui/layout/TabLayoutUI.h"

using namespace SkinUI;

namespace {

template <class T>
T* Find(CWindowManagerUI& manager, const wchar_t* name) {
  return static_cast<T*>(manager.FindControl(name));
}

}  // namespace

SKINUI_BEGIN_NOTIFY_MAP(CMainDlg, WindowImplBase)
SKINUI_ON_CONTROL_NOTIFY(L"timer", L"pro_InstallProgress", OnProgressTimer)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_close", OnCloseClick)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_install", OnInstallClick)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_free", OnFreeClick)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_select", OnSelectClick)
SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_agreement", OnAgreementClick)
SKINUI_ON_CONTROL_NOTIFY(L"textchanged", L"edit_input", OnFolderTextChanged)
SKINUI_END_NOTIFY_MAP()

CMainDlg::CMainDlg() : m_flow(this) {}

CMainDlg::~CMainDlg() { m_flow.Shutdown(); }

void CMainDlg::InitWindow() {
  SetIcon(101);
  EnableMenuItem(GetSystemMenu(m_hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  m_tabMain = Find<CTabLayoutUI>(m_manager, L"tb_main");
  m_optAgree = Find<COptionUI>(m_manager, L"opt_agree");
  m_btnFree = m_manager.FindControl(L"btn_free");
  m_aboutFree = m_manager.FindControl(L"about_free");
  m_editInput = Find<CEditUI>(m_manager, L"edit_input");
  m_lbTip = Find<CLabelUI>(m_manager, L"lb_tip");
  m_optAuto = Find<COptionUI>(m_manager, L"opt_auto");
  m_hlayoutInstall = m_manager.FindControl(L"hlayout_install");
  m_changeAd = Find<CLabelUI>(m_manager, L"change_ad");
  m_progress = Find<CProgressUI>(m_manager, L"pro_InstallProgress");
  m_lbTip1 = Find<CLabelUI>(m_manager, L"lb_tip1");
  m_lbTip2 = Find<CLabelUI>(m_manager, L"lb_tip2");
  if (m_lbTip1) m_lbTip1->SetVisible(false);
  if (m_lbTip2) m_lbTip2->SetVisible(false);
  if (m_optAuto) m_optAuto->SetSelected(true);
  if (m_progress) m_manager.SetTimer(m_progress, 1, 20);
  m_flow.PrepareInstall();
}

LRESULT CMainDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = m_flow.HandleMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  return WindowImplBase::HandleMessage(msg, wParam, lParam);
}

void CMainDlg::OnSkinLoadFailed() {
  if (!AppConfig::Instance().hidden) {
    WindowImplBase::OnSkinLoadFailed();
    return;
  }
  JF_APP_LOG(kLogError, L".\\app\\MainDlg.cpp", L"加载资源文件失败 %s", GetSkinFile().GetData());
  // No box: the window's creation fails, and the program counts the run, lets its record
  // out and ends with the skin's code.
}

LRESULT CMainDlg::OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  return ::DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

void CMainDlg::OnFinalMessage(HWND hwnd) {
  // The skin archive is read from the process-wide copy of the resource: close it first.
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::FreeResourceZipBuffer();
  WindowImplBase::OnFinalMessage(hwnd);
  ::PostQuitMessage(0);
}

void CMainDlg::OnProgressTimer(UINotifyMsg&) { m_flow.OnProgressTimer(); }

void CMainDlg::OnCloseClick(UINotifyMsg&) { m_flow.OnClickClose(); }

void CMainDlg::OnInstallClick(UINotifyMsg&) { m_flow.OnClickInstall(); }

void CMainDlg::OnFreeClick(UINotifyMsg&) { m_flow.OnClickFree(); }

void CMainDlg::OnSelectClick(UINotifyMsg&) { m_flow.OnClickSelect(); }

void CMainDlg::OnAgreementClick(UINotifyMsg&) { m_flow.OnClickAgreement(); }

void CMainDlg::OnFolderTextChanged(UINotifyMsg& msg) { m_flow.OnFolderTextChanged(msg.sender->GetText().GetData()); }

COptionUI* CMainDlg::OptionControl(Option option) const { return option == kOptionAgree ? m_optAgree : m_optAuto; }

bool CMainDlg::HasOption(Option option) { return OptionControl(option) != nullptr; }

bool CMainDlg::IsOptionSelected(Option option) {
  COptionUI* control = OptionControl(option);
  return control != nullptr && control->IsSelected();
}

void CMainDlg::SelectOption(Option option, bool selected) {
  if (COptionUI* control = OptionControl(option)) control->SetSelected(selected);
}

void CMainDlg::SetFolderText(const std::wstring& folder) {
  if (m_editInput) m_editInput->SetText(folder.c_str());
}

void CMainDlg::SetFolderTip(const InstallFolderChoice::TipText& tip) {
  if (!m_lbTip) return;
  m_lbTip->SetText(tip.text.c_str());
  m_lbTip->SetTextColor(tip.color);
  m_lbTip->Invalidate();
}

bool CMainDlg::IsPanelVisible() { return m_aboutFree != nullptr && m_aboutFree->IsVisible(); }

void CMainDlg::ResizeBy(int delta) {
  RECT rc;
  ::GetWindowRect(m_hwnd, &rc);
  ::SetWindowPos(m_hwnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top + delta,
                 SWP_NOZORDER | SWP_FRAMECHANGED);
  ::ShowWindow(m_hwnd, SW_SHOW);
}

void CMainDlg::SetPanelVisible(bool visible) {
  if (!m_aboutFree || m_aboutFree->IsVisible() == visible) return;
  int height = m_aboutFree->GetFixedHeight();
  ResizeBy(visible ? height : -height);
  m_aboutFree->SetVisible(visible);
  if (m_btnFree) {
    m_btnFree->SetBkImage(visible ? L"file='icon_up.png' dest='0,0,15,15'" : L"file='icon_down.png' dest='0,0,15,15'");
  }
}

void CMainDlg::ShowProgressPage(bool hasGameId) {
  int delta = hasGameId ? 36 : 0;
  if (m_aboutFree && m_aboutFree->IsVisible()) delta += m_aboutFree->GetFixedHeight();
  if (m_hlayoutInstall && m_hlayoutInstall->IsVisible()) delta += m_hlayoutInstall->GetFixedHeight();
  ResizeBy(-delta);
  if (m_tabMain) m_tabMain->SelectItem(1);
}

int CMainDlg::GetBarWidth() {
  if (!m_progress) return 0;
  RECT rc = m_progress->GetPos();
  int width = rc.right - rc.left;
  // A window that was never laid out (hidden mode) has the skin's width.
  return width > 0 ? width : m_progress->GetFixedWidth();
}

int CMainDlg::GetWindowHeight() {
  RECT rc;
  ::GetWindowRect(m_hwnd, &rc);
  return rc.bottom - rc.top;
}

void CMainDlg::SetBar(const std::wstring& image, int value) {
  if (!m_progress) return;
  m_progress->SetBkImage(image.c_str());
  m_progress->SetValue(value);
}

void CMainDlg::SetBubble(const InstallProgress::Bubble& bubble) {
  if (!m_lbTip1) return;
  if (!bubble.visible) {
    m_lbTip1->SetVisible(false);
    return;
  }
  m_lbTip1->SetVisible(true);
  m_lbTip1->SetPos(bubble.rect);
  m_lbTip1->SetText(bubble.text.c_str());
}

void CMainDlg::SetBubbleInstalling(bool installing) {
  if (!m_lbTip1) return;
  m_lbTip1->SetFont(installing ? 4 : 3);
  m_lbTip1->Invalidate();
  if (installing) m_lbTip1->SetText(L"安装中");
}

void CMainDlg::SetPicture(const std::wstring& image) {
  if (m_changeAd) m_changeAd->SetBkImage(image.c_str());
}

int CMainDlg::RunBox(BoxSlot slot, const BoxRequest& request) {
  CMsgBoxDlg* box = new CMsgBoxDlg(request.text, request.title, request.codeLine);
  if (box->Create(m_hwnd, request.title.c_str(), WS_POPUP, 0, 0, 0, 0, 0) == nullptr) return 2;
  box->CenterWindow();
  box->SetButtonTexts(request.okCaption, request.cancelCaption);
  box->SetCloseVisible(request.showClose);
  box->SetRowVisible(request.showCancelRow);
  box->ShowWindow(true, true);
  CMsgBoxDlg** held = slot == kBoxExit ? &m_exitBox : slot == kBoxRetry ? &m_retryBox : nullptr;
  if (held) *held = box;
  int result = static_cast<int>(box->ShowModal());
  // The box deleted itself with its window.
  if (held) *held = nullptr;
  return result;
}

bool CMainDlg::IsBoxOpen(BoxSlot slot) {
  return (slot == kBoxExit && m_exitBox != nullptr) || (slot == kBoxRetry && m_retryBox != nullptr);
}

void CMainDlg::CloseBox(BoxSlot slot, UINT code) {
  CMsgBoxDlg* box = slot == kBoxExit ? m_exitBox : slot == kBoxRetry ? m_retryBox : nullptr;
  if (box) box->Close(code);
}

std::wstring CMainDlg::BrowseForFolder(const std::wstring& start) { return FileUtils::BrowseForFolder(m_hwnd, start); }
