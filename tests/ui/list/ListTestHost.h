// Hosts for the list tests: a list of label rows floating in the control test window.
#pragma once
#include "tests/ui/base/ControlTestHost.h"
#include "ui/list/ListHeaderItemUI.h"
#include "ui/list/ListHeaderUI.h"
#include "ui/list/ListLabelElementUI.h"
#include "ui/list/ListUI.h"

namespace listtest {

using namespace SkinUI;
using Strings = std::vector<std::string>;
using frametest::Narrow;

inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class ListTest : public uictest::ControlTest {
 protected:
  // A list at `rc` with `rows` label rows "r0".."rN", each `rowHeight` high.
  template <class L = CListUI>
  L* MakeList(int rows, RECT rc = RECT{10, 10, 210, 110}, int rowHeight = 20) {
    L* list = new L;
    list->SetAttribute(L"delayscroll", L"false");
    list->SetAttribute(L"header", L"hidden");
    list->EnableScrollBar(true, false);
    for (int i = 0; i < rows; ++i) list->Add(Row(i, rowHeight));
    Place(list, L"list", rc);
    return list;
  }
  static CListLabelElementUI* Row(int i, int height = 20) {
    CListLabelElementUI* row = new CListLabelElementUI;
    std::wstring name = L"r" + std::to_wstring(i);
    row->SetName(name.c_str());
    row->SetText(name.c_str());
    row->SetFixedHeight(height);
    return row;
  }
  // A point inside row i of a list whose rows are unscrolled and 20 high, at x 50.
  static POINT RowPoint(CControlUI* row) {
    RECT rc = row->GetPos();
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  }
  void ClickRow(CControlUI* row) {
    POINT pt = RowPoint(row);
    Click(pt.x, pt.y);
  }
  // The recorded notifications of the list family (rows, list, header), in order.
  Strings Items() const {
    Strings out;
    for (const std::string& e : log_.entries) {
      std::string type = e.substr(e.find(':') + 1);
      if (type.compare(0, 4, "item") == 0 || type.compare(0, 4, "link") == 0 || type.compare(0, 6, "header") == 0 ||
          type.compare(0, 8, "dropdown") == 0)
        out.push_back(e);
    }
    return out;
  }
  // Every selected flag of the rows, as "0100".
  template <class L>
  static std::string Flags(L* list) {
    std::string out;
    for (int i = 0; i < list->GetCount(); ++i) {
      auto* row = static_cast<IListItemUI*>(list->GetItemAt(i)->GetInterface(L"ListItem"));
      out += row->IsSelected() ? '1' : '0';
    }
    return out;
  }
};

}  // namespace listtest
