#include "skin/ControlFactory.h"

#include <cwchar>

#include "control/ControlUI.h"
#include "layout/ContainerUI.h"
#include "layout/HorizontalLayoutUI.h"
#include "layout/VerticalLayoutUI.h"
#include "control/ScrollBarUI.h"
#include "control/ButtonUI.h"
#include "control/CheckBoxUI.h"
#include "control/DateTimeUI.h"
#include "control/EditUI.h"
#include "control/LabelUI.h"
#include "control/OptionUI.h"
#include "control/ProgressUI.h"
#include "control/SliderUI.h"
#include "control/TextUI.h"
#include "layout/ChildLayoutUI.h"
#include "layout/TabLayoutUI.h"
#include "layout/TileLayoutUI.h"
#include "list/ComboBoxUI.h"
#include "list/ComboUI.h"
#include "list/ExpandListUI.h"
#include "list/ListContainerElementUI.h"
#include "list/ListHeaderItemUI.h"
#include "list/ListHeaderUI.h"
#include "list/ListLabelElementUI.h"
#include "list/ListTextElementUI.h"
#include "list/ListUI.h"
#include "list/MenuUI.h"
#include "list/TreeNodeUI.h"
#include "list/TreeViewUI.h"
#include "richedit/RichEditUI.h"
#include "activex/ActiveXUI.h"
#include "activex/FlashUI.h"
#include "activex/WebBrowserUI.h"

namespace SkinUI {

namespace {

template <class T>
CControlUI* Make() {
  return new T();
}

struct FactoryEntry {
  const wchar_t* element;
  CControlUI* (*create)();
};

// ---- Element table: one line per control class, added as each class lands ----
const FactoryEntry kFactory[] = {
    {L"Control", Make<CControlUI>},
    {L"Container", Make<CContainerUI>},
    {L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"ScrollBar", Make<CScrollBarUI>},
    {L"Label", Make<CLabelUI>},
    {L"Button", Make<CButtonUI>},
    {L"Option", Make<COptionUI>},
    {L"Progress", Make<CProgressUI>},
    {L"TabLayout", Make<CTabLayoutUI>},
    {L"Edit", Make<CEditUI>},
    {L"Text", Make<CTextUI>},
    {L"CheckBox", Make<CCheckBoxUI>},
    {L"TileLayout", Make<CTileLayoutUI>},
    {L"ChildLayout", Make<CChildLayoutUI>},
    {L"Slider", Make<CSliderUI>},
    {L"DateTime", Make<CDateTimeUI>},
    {L"List", Make<CListUI>},
    {L"ListHeader", Make<CListHeaderUI>},
    {L"ListHeaderItem", Make<CListHeaderItemUI>},
    {L"ListLabelElement", Make<CListLabelElementUI>},
    {L"ListTextElement", Make<CListTextElementUI>},
    {L"ListContainerElement", Make<CListContainerElementUI>},
    {L"ExpandList", Make<CExpandListUI>},
    {L"Combo", Make<CComboUI>},
    {L"ComboBox", Make<CComboBoxUI>},
    {L"TreeView", Make<CTreeViewUI>},
    {L"TreeNode", Make<CTreeNodeUI>},
    {L"Menu", Make<CMenuUI>},
    {L"RichEdit", Make<CRichEditUI>},
    {L"ActiveX", Make<CActiveXUI>},
    {L"Flash", Make<CFlashUI>},
    {L"WebBrowser", Make<CWebBrowserUI>},
};
// ---- end of the element table ----

}  // namespace

CControlUI* CControlFactory::Create(LPCWSTR elementName) {
  if (!elementName) return nullptr;
  for (const FactoryEntry& entry : kFactory) {
    if (wcscmp(entry.element, elementName) == 0) return entry.create();
  }
  return nullptr;
}

}  // namespace SkinUI
