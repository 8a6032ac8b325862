#include "ui/skin/ChildLayoutUI.h"

#include <cwchar>

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "ui/skin/SkinBuilder.h"

namespace SkinUI {

CChildLayoutUI::CChildLayoutUI() = default;
CChildLayoutUI::~CChildLayoutUI() = default;

LPCWSTR CChildLayoutUI::GetClass() const { return L"ChildLayoutUI"; }

// Not a container to the builder: its children come from its file.
LPVOID CChildLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ChildLayout") == 0) return static_cast<CChildLayoutUI*>(this);
  return CControlUI::GetInterface(name);
}

std::vector<CUIString>& CChildLayoutUI::OpenFiles() {
  // The UI runs on one thread; the files of the child layouts being built there, outermost
  // first.
  static std::vector<CUIString> files;
  return files;
}

void CChildLayoutUI::Init() {
  if (m_xmlFile.IsEmpty()) return;
  // A file that a child layout inside it names again, directly or through others, would be
  // built without end, as would a chain of files deeper than includes may nest: such a
  // layout stays empty, as one whose file cannot be built.
  std::vector<CUIString>& open = OpenFiles();
  const wchar_t* refusal = nullptr;
  if (open.size() >= CSkinBuilder::kMaxIncludeDepth) refusal = L"child layout skipped, nested too deeply: %s%s";
  for (const CUIString& file : open) {
    if (file == m_xmlFile) refusal = L"child layout skipped, its file is being built already: %s%s";
  }
  if (refusal) {
    Log(__LINE__, refusal);
    RemoveAll();
    return;
  }
  open.push_back(m_xmlFile);
  CSkinBuilder builder;
  CControlUI* child = builder.Create(m_xmlFile.GetData(), nullptr, nullptr, m_manager, nullptr);
  // Adding initialises the new tree, and with it the child layouts inside.
  if (child != nullptr) {
    Add(child);
  } else {
    RemoveAll();
  }
  open.pop_back();
}

void CChildLayoutUI::Log(int line, const wchar_t* format) const {
  FileLogger::Instance().LogAt(kLogWarn, line, L"ui\\skin\\ChildLayoutUI", format, m_xmlFile.GetData(), L"");
  TraceLogger::Instance().Log(kLogWarn, format, m_xmlFile.GetData(), L"");
}

void CChildLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"xmlfile") == 0) {
    SetChildLayoutXML(value);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace SkinUI
