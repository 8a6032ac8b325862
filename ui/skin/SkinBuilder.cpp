#include "ui/skin/SkinBuilder.h"

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string>

#include "ui/base/ControlUI.h"
#include "ui/core/UIValueParser.h"
#include "ui/base/IContainerUI.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "ui/skin/ControlFactory.h"
#include "ui/skin/IDialogBuilderCallback.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"

namespace SkinUI {

namespace {

const wchar_t kSource[] = L"ui\\skin\\SkinBuilder";

void LogWarn(int line, const wchar_t* format, const wchar_t* a, const wchar_t* b = L"") {
  FileLogger::Instance().LogAt(kLogWarn, line, kSource, format, a, b);
  TraceLogger::Instance().Log(kLogWarn, format, a, b);
}

bool Is(LPCWSTR a, LPCWSTR b) { return a && b && wcscmp(a, b) == 0; }

}  // namespace

CSkinBuilder::CSkinBuilder() { m_markup.SetPreserveWhitespace(true); }

CControlUI* CSkinBuilder::Create(LPCWSTR xml, LPCWSTR type, IDialogBuilderCallback* callback,
                                 CWindowManagerUI* manager, CControlUI* parent) {
  // The document stays on the include stack while it is built, so an include of it inside
  // is refused.
  CUIString key = DocumentKey(xml);
  IncludeState& includes = Includes();
  for (const CUIString& open : includes.stack) {
    if (open == key) {
      LogWarn(__LINE__, L"include skipped, it includes itself: %s%s", key.GetData());
      return nullptr;
    }
  }
  includes.stack.push_back(key);
  CControlUI* result = Build(xml, type, callback, manager, parent);
  includes.stack.pop_back();
  return result;
}

CUIString CSkinBuilder::DocumentKey(LPCWSTR xml) {
  CUIString key;
  if (IS_INTRESOURCE(xml)) {
    key.SmallFormat(L"#%u", static_cast<unsigned>(reinterpret_cast<uintptr_t>(xml)));
    return key;
  }
  if (!xml || xml[0] == L'<') return xml ? xml : L"";
  std::vector<std::wstring> parts;
  std::wstring part;
  for (const wchar_t* p = xml;; ++p) {
    if (*p != L'\\' && *p != L'/' && *p != L'\0') {
      part += static_cast<wchar_t>(towlower(*p));
      continue;
    }
    if (part == L".." && !parts.empty() && parts.back() != L"..") {
      parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    part.clear();
    if (*p == L'\0') break;
  }
  for (const std::wstring& each : parts) {
    if (!key.IsEmpty()) key += L"\\";
    key += each.c_str();
  }
  return key;
}

CControlUI* CSkinBuilder::Build(LPCWSTR xml, LPCWSTR type, IDialogBuilderCallback* callback,
                                CWindowManagerUI* manager, CControlUI* parent) {
  if (IS_INTRESOURCE(xml)) {
    HINSTANCE module = CWindowManagerUI::GetResourceInstance();
    HRSRC res = FindResourceW(module, xml, type);
    if (!res) return nullptr;
    HGLOBAL global = LoadResource(module, res);
    if (!global) return nullptr;
    m_callback = callback;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(global));
    bool ok = bytes && m_markup.LoadFromMem(bytes, SizeofResource(module, res));
    FreeResource(global);
    if (!ok) {
      LogWarn(__LINE__, L"skin resource not parsed: %s %s", GetLastErrorMessage(), GetLastErrorLocation());
      return nullptr;
    }
    m_type = type;
  } else {
    bool ok = xml && xml[0] == L'<' ? m_markup.Load(xml) : m_markup.LoadFromFile(xml);
    if (!ok) {
      LogWarn(__LINE__, L"skin not parsed: %s %s", GetLastErrorMessage(), GetLastErrorLocation());
      return nullptr;
    }
  }
  return Create(callback, manager, parent);
}

CControlUI* CSkinBuilder::Create(IDialogBuilderCallback* callback, CWindowManagerUI* manager, CControlUI* parent) {
  m_callback = callback;
  CSkinMarkupNode root = m_markup.GetRoot();
  if (!root.IsValid()) return nullptr;
  if (manager) {
    Declare(root, manager);
    if (Is(root.GetName(), L"Window") && manager->GetPaintWindow()) ApplyWindowAttributes(root, manager);
  }
  return Parse(&root, parent, manager, 0);
}

void CSkinBuilder::Declare(CSkinMarkupNode& root, CWindowManagerUI* manager) {
  for (CSkinMarkupNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
    LPCWSTR name = node.GetName();
    if (Is(name, L"Image")) {
      LPCWSTR image = node.GetAttributeValue(L"name");
      LPCWSTR restype = node.GetAttributeValue(L"restype");
      DWORD mask = CUIValueParser::ReadColor(node.GetAttributeValue(L"mask"));
      if (image) manager->AddImage(image, restype, mask);
    } else if (Is(name, L"Font")) {
      LPCWSTR face = node.GetAttributeValue(L"name");
      LPCWSTR sizeText = node.GetAttributeValue(L"size");
      int size = sizeText ? CUIValueParser::ReadInt(sizeText) : 12;
      bool bold = CUIValueParser::ReadBool(node.GetAttributeValue(L"bold"));
      bool underline = CUIValueParser::ReadBool(node.GetAttributeValue(L"underline"));
      bool italic = CUIValueParser::ReadBool(node.GetAttributeValue(L"italic"));
      bool isDefault = CUIValueParser::ReadBool(node.GetAttributeValue(L"default"));
      if (face) {
        manager->AddFont(face, size, bold, underline, italic);
        if (isDefault) manager->SetDefaultFont(face, size, bold, underline, italic);
      }
    } else if (Is(name, L"Default")) {
      LPCWSTR className = node.GetAttributeValue(L"name");
      LPCWSTR value = node.GetAttributeValue(L"value");
      if (className) manager->AddDefaultAttributeList(className, value ? value : L"");
    }
  }
}

void CSkinBuilder::ApplyWindowAttributes(CSkinMarkupNode& root, CWindowManagerUI* manager) {
  int count = root.GetAttributeCount();
  for (int i = 0; i < count; ++i) {
    LPCWSTR name = root.GetAttributeName(i);
    LPCWSTR value = root.GetAttributeValue(i);
    if (Is(name, L"size")) {
      SIZE sz = CUIValueParser::ReadSize(value);
      manager->SetInitSize(0, 0, sz.cx, sz.cy);
    } else if (Is(name, L"sizebox")) {
      manager->SetSizeBox(CUIValueParser::ReadRect(value));
    } else if (Is(name, L"caption")) {
      manager->SetCaptionRect(CUIValueParser::ReadRect(value));
    } else if (Is(name, L"roundcorner")) {
      SIZE sz = CUIValueParser::ReadSize(value);
      manager->SetRoundCorner(sz.cx, sz.cy);
    } else if (Is(name, L"shadowcorner")) {
      SIZE sz = CUIValueParser::ReadSize(value);
      manager->SetShadowCorner(sz.cx, sz.cy);
    } else if (Is(name, L"mininfo")) {
      SIZE sz = CUIValueParser::ReadSize(value);
      manager->SetMinInfo(sz.cx, sz.cy);
    } else if (Is(name, L"maxinfo")) {
      SIZE sz = CUIValueParser::ReadSize(value);
      manager->SetMaxInfo(sz.cx, sz.cy);
    } else if (Is(name, L"sizegrip")) {
      SIZE sz = CUIValueParser::ReadSize(value);
      manager->SetGripSize(sz.cx, sz.cy);
    } else if (Is(name, L"showdirty")) {
      manager->SetShowUpdateRect(CUIValueParser::ReadBool(value));
    } else if (Is(name, L"alpha")) {
      manager->SetTransparent(CUIValueParser::ReadInt(value));
    } else if (Is(name, L"bktrans")) {
      manager->SetLayeredBackground(CUIValueParser::ReadBool(value));
    } else if (Is(name, L"shadow")) {
      manager->SetShadow(CUIValueParser::ReadBool(value));
    } else if (Is(name, L"selfshadow")) {
      manager->SetSelfShadow(CUIValueParser::ReadBool(value));
    } else if (Is(name, L"shadowborder")) {
      manager->SetShadowBorder(CUIValueParser::ReadRect(value));
    } else if (Is(name, L"shadowimage")) {
      manager->SetShadowImage(value);
    } else if (Is(name, L"disabledfontcolor")) {
      manager->SetDefaultDisabledColor(CUIValueParser::ReadColor(value));
    } else if (Is(name, L"defaultfontcolor")) {
      manager->SetDefaultFontColor(CUIValueParser::ReadColor(value));
    } else if (Is(name, L"linkfontcolor")) {
      manager->SetDefaultLinkFontColor(CUIValueParser::ReadColor(value));
    } else if (Is(name, L"linkhoverfontcolor")) {
      manager->SetDefaultLinkHoverFontColor(CUIValueParser::ReadColor(value));
    } else if (Is(name, L"selectedcolor")) {
      manager->SetDefaultSelectedBkColor(CUIValueParser::ReadColor(value));
    }
  }
}

void CSkinBuilder::Include(CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager) {
  if (!node.HasAttributes()) return;
  LPCWSTR source = node.GetAttributeValue(L"source");
  LPCWSTR countText = node.GetAttributeValue(L"count");
  int count = countText ? CUIValueParser::ReadInt(countText) : 1;
  if (!source || count <= 0) return;
  if (m_includeDepth >= kMaxIncludeDepth) {
    LogWarn(__LINE__, L"include skipped, nested too deeply: %s%s", source);
    return;
  }
  if (count > kMaxIncludeCount) {
    LogWarn(__LINE__, L"include count bounded: %s%s", source);
    count = kMaxIncludeCount;
  }
  IncludeState& includes = Includes();
  for (int i = 0; i < count; ++i) {
    if (*includes.total >= kMaxIncludes) {
      LogWarn(__LINE__, L"include skipped, too many in one build: %s%s", source);
      return;
    }
    ++*includes.total;
    CSkinBuilder builder;
    builder.m_includeDepth = m_includeDepth + 1;
    builder.m_includes = &includes;
    CControlUI* first;
    if (m_type) {
      WORD id = static_cast<WORD>(CUIValueParser::ReadInt(source) & 0xFFFF);
      first = builder.Create(MAKEINTRESOURCEW(id), m_type, m_callback, manager, parent);
    } else {
      first = builder.Create(source, nullptr, m_callback, manager, parent);
    }
    // With a parent the included controls attached themselves; without one nothing holds them.
    if (first && !parent) delete first;
  }
}

bool CSkinBuilder::TreeNode(CSkinMarkupNode& element, CControlUI* parent, CWindowManagerUI* manager, int depth) {
  CTreeNodeUI* parentNode = parent ? static_cast<CTreeNodeUI*>(parent->GetInterface(L"TreeNode")) : nullptr;
  CTreeNodeUI* node = new CTreeNodeUI;
  // Under a node it joins its parent first, so that its own children indent from its level.
  if (parentNode && !parentNode->Add(node)) {
    delete node;
    return true;
  }
  if (manager) {
    node->SetManager(manager, nullptr, false);
    if (LPCWSTR defaults = manager->GetDefaultAttributeList(L"TreeNode")) node->ApplyAttributeList(defaults);
  }
  int count = element.GetAttributeCount();
  for (int i = 0; i < count; ++i) node->SetAttribute(element.GetAttributeName(i), element.GetAttributeValue(i));
  if (manager) node->SetManager(nullptr, nullptr, false);
  if (element.HasChildren()) Parse(&element, node, manager, depth + 1);
  if (parentNode) return true;
  CTreeViewUI* view = parent ? static_cast<CTreeViewUI*>(parent->GetInterface(L"TreeView")) : nullptr;
  if (!view) {
    // Nothing can hold the node: it goes, and under a parent the level fails.
    LogWarn(__LINE__, L"%s cannot hold a tree node%s", parent ? parent->GetClass() : L"nothing");
    delete node;
    return !parent;
  }
  if (!view->Add(node)) delete node;
  return true;
}

CControlUI* CSkinBuilder::Parse(CSkinMarkupNode* parentNode, CControlUI* parent, CWindowManagerUI* manager,
                                int depth) {
  if (depth > CSkinMarkup::kMaxDepth) {
    LogWarn(__LINE__, L"elements nested too deeply under %s%s", parentNode->GetName());
    return nullptr;
  }
  IContainerUI* container = nullptr;
  bool containerFetched = false;
  CControlUI* result = nullptr;
  for (CSkinMarkupNode node = parentNode->GetChild(); node.IsValid(); node = node.GetSibling()) {
    LPCWSTR name = node.GetName();
    if (Is(name, L"Image") || Is(name, L"Font") || Is(name, L"Default")) continue;
    if (Is(name, L"Include")) {
      Include(node, parent, manager);
      continue;
    }
    if (Is(name, L"TreeNode")) {
      if (!TreeNode(node, parent, manager, depth)) return nullptr;
      continue;
    }
    CControlUI* control = CControlFactory::Create(name);
    if (!control && m_callback) control = m_callback->CreateControl(name);
    if (!control) {
      LogWarn(__LINE__, L"unknown skin element skipped with its children: %s%s", name);
      continue;
    }
    if (node.HasChildren()) Parse(&node, control, manager, depth + 1);

    if (parent) {
      if (!containerFetched) {
        // A tree node holds its item controls in its row layout.
        CTreeNodeUI* parentNode = static_cast<CTreeNodeUI*>(parent->GetInterface(L"TreeNode"));
        container = parentNode ? static_cast<IContainerUI*>(parentNode->GetTreeNodeHoriznotal())
                               : static_cast<IContainerUI*>(parent->GetInterface(L"IContainer"));
        containerFetched = true;
      }
      if (!container) {
        // The parent holds no children: this control has no owner.
        LogWarn(__LINE__, L"%s cannot hold the control %s", parentNode->GetName(), name);
        delete control;
        return nullptr;
      }
      if (!container->Add(control)) {
        delete control;
        continue;
      }
    }
    if (manager) {
      control->SetManager(manager, nullptr, false);
      LPCWSTR defaults = manager->GetDefaultAttributeList(name);
      if (defaults) control->ApplyAttributeList(defaults);
    }
    int count = node.GetAttributeCount();
    for (int i = 0; i < count; ++i) control->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
    if (manager) control->SetManager(nullptr, nullptr, false);

    if (!result) {
      result = control;
    } else if (!parent) {
      // Only the first top-level control goes to the caller; the others would be lost.
      delete control;
    }
  }
  return result;
}

}  // namespace SkinUI
