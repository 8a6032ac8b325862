#include "ui/skin/ChildLayoutUI.h"

#include <cwchar>

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "ui/base/WindowManagerUI.h"
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
  // A file that a child layout inside it names again, in any spelling, directly or through
  // others, would be built without end, as would a chain of files deeper than includes may
  // nest; and files that name others several times multiply the work. So the child layouts
  // of one tree, with what their files include, open as many documents in all as one build
  // may include. A layout refused stays empty, as one whose file cannot be built.
  if (!m_manager) return Build(nullptr);
  // Inside the initialisation of a tree this layout counts with it; initialised on its own,
  // it starts a count of its own.
  CWindowManagerUI* manager = m_manager;
  std::shared_ptr<const bool> alive = manager->GetAliveFlag();
  manager->BeginTreeInit();
  Build(&manager->TreeDocuments());
  if (*alive) manager->EndTreeInit();
}

void CChildLayoutUI::Build(int* treeDocuments) {
  std::vector<CUIString>& open = OpenFiles();
  CUIString key = CSkinBuilder::DocumentKey(m_xmlFile);
  int ownCount = 0;
  int& documents = treeDocuments ? *treeDocuments : ownCount;
  const wchar_t* refusal = nullptr;
  if (open.size() >= CSkinBuilder::kMaxIncludeDepth) refusal = L"child layout skipped, nested too deeply: %s%s";
  if (documents >= CSkinBuilder::kMaxIncludes) refusal = L"child layout skipped, too many documents in one tree: %s%s";
  for (const CUIString& file : open) {
    if (file == key) refusal = L"child layout skipped, its file is being built already: %s%s";
  }
  if (refusal) {
    Log(__LINE__, refusal);
    RemoveAll();
    return;
  }
  ++documents;
  open.push_back(key);
  CSkinBuilder builder;
  builder.CountDocumentsIn(&documents);
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
