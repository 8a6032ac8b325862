#include "skin/ControlFactory.h"

#include <cwchar>

#include "control/ControlUI.h"
#include "layout/ContainerUI.h"
#include "layout/HorizontalLayoutUI.h"
#include "layout/VerticalLayoutUI.h"
#include "control/ScrollBarUI.h"

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
