// Turns one skin XML document into a tree of controls: declares its images, fonts, class
// defaults and window options to a window manager, then creates one control per element.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/core/UIString.h"
#include "ui/skin/SkinMarkup.h"

namespace SkinUI {

class CControlUI;
class CWindowManagerUI;
class IDialogBuilderCallback;

class CSkinBuilder {
 public:
  // An "Include" repeats at most kMaxIncludeCount times, one build includes at most
  // kMaxIncludes documents in all, and a document never includes itself, directly or not.
  enum { kMaxIncludeDepth = 16, kMaxIncludeCount = 64, kMaxIncludes = 256 };

  CSkinBuilder();
  CSkinBuilder(const CSkinBuilder&) = delete;
  CSkinBuilder& operator=(const CSkinBuilder&) = delete;

  // xml: a resource id (upper 16 bits 0), markup text beginning with "<", or a file name.
  CControlUI* Create(LPCWSTR xml, LPCWSTR type = nullptr, IDialogBuilderCallback* callback = nullptr,
                     CWindowManagerUI* manager = nullptr, CControlUI* parent = nullptr);
  CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CWindowManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  // The key a document is known by while it is built: "#" and the number of a resource id,
  // markup text as it is, and a file name in the one form that every spelling of the file
  // shares ("\" separators, no empty or "." parts, ".." taking back the part before it, no
  // case), as file names are taken below the resource folder.
  static CUIString DocumentKey(LPCWSTR xml);
  // The documents this build includes are counted in *total, which a caller shares between
  // the builds of one tree; by default a build counts its own.
  void CountDocumentsIn(int* total) { m_ownIncludes.total = total ? total : &m_ownIncludes.ownTotal; }
  CSkinMarkup* GetMarkup() { return &m_markup; }
  LPCWSTR GetLastErrorMessage() const { return m_markup.GetLastErrorMessage(); }
  LPCWSTR GetLastErrorLocation() const { return m_markup.GetLastErrorLocation(); }

 private:
  CControlUI* Build(LPCWSTR xml, LPCWSTR type, IDialogBuilderCallback* callback, CWindowManagerUI* manager,
                    CControlUI* parent);
  void Declare(CSkinMarkupNode& root, CWindowManagerUI* manager);
  void ApplyWindowAttributes(CSkinMarkupNode& root, CWindowManagerUI* manager);
  CControlUI* Parse(CSkinMarkupNode* parentNode, CControlUI* parent, CWindowManagerUI* manager, int depth);
  void Include(CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager);
  // Builds a tree node; false when the parent can hold none, which makes the level answer null.
  bool TreeNode(CSkinMarkupNode& node, CControlUI* parent, CWindowManagerUI* manager, int depth);

  // What the builders of one outer build share: the documents being built, outermost
  // first, and how many documents were included.
  struct IncludeState {
    std::vector<CUIString> stack;
    int ownTotal = 0;
    int* total = &ownTotal;
  };
  IncludeState& Includes() { return m_includes ? *m_includes : m_ownIncludes; }

  CSkinMarkup m_markup;
  IDialogBuilderCallback* m_callback = nullptr;
  LPCWSTR m_type = nullptr;
  int m_includeDepth = 0;
  IncludeState m_ownIncludes;
  IncludeState* m_includes = nullptr;
};

}  // namespace SkinUI
