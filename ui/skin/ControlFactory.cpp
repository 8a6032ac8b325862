#include "ui/skin/ControlFactory.h"

#include <cwchar>

#include "ui/base/ControlUI.h"
#include "ui/base/ContainerUI.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/control/ButtonUI.h"
#include "ui/control/CheckBoxUI.h"
#include "ui/control/DateTimeUI.h"
#include "ui/control/EditUI.h"
#include "ui/control/LabelUI.h"
#include "ui/control/OptionUI.h"
#include "ui/control/ProgressUI.h"
#include "ui/control/SliderUI.h"
#include "ui/control/TextUI.h"
#include "ui/skin/ChildLayoutUI.h"
#include "ui/layout/TabLayoutUI.h"
#include "ui/layout/TileLayoutUI.h"
#include "ui/list/ComboBoxUI.h"
#include "ui/list/ComboUI.h"
#include "ui/list/ExpandListUI.h"
#include "ui/list/ListContainerElementUI.h"
#include "ui/list/ListHeaderItemUI.h"
#include "ui/list/ListHeaderUI.h"
#include "ui/list/ListLabelElementUI.h"
#include "ui/list/ListTextElementUI.h"
#include "ui/list/ListUI.h"
#include "ui/list/MenuUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/activex/ActiveXUI.h"
#include "ui/activex/FlashUI.h"
#include "ui/activex/WebBrowserUI.h"

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

int CControlFactory::GetCount() { return static_cast<int>(sizeof(kFactory) / sizeof(kFactory[0])); }

LPCWSTR CControlFactory::GetElementName(int index) {
  return index >= 0 && index < GetCount() ? kFactory[index].element : nullptr;
}

CControlUI* CControlFactory::Create(LPCWSTR elementName) {
  if (!elementName) return nullptr;
  for (const FactoryEntry& entry : kFactory) {
    if (wcscmp(entry.element, elementName) == 0) return entry.create();
  }
  return nullptr;
}

}  // namespace SkinUI
