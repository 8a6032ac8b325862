#include "ui/layout/TileLayoutUI.h"

#include <algorithm>
#include <cwchar>

#include "ui/base/ScrollBarUI.h"
#include "ui/core/UIExtent.h"
#include "ui/core/UIValueParser.h"

namespace SkinUI {

namespace {

int Clamp(int v, int low, int high) { return std::min(std::max(v, low), high); }

}  // namespace

CTileLayoutUI::CTileLayoutUI() = default;

LPCWSTR CTileLayoutUI::GetClass() const { return L"TileLayoutUI"; }

LPVOID CTileLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"TileLayout") == 0) return static_cast<CTileLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

void CTileLayoutUI::SetItemSize(SIZE size) {
  size = CUIExtent::Bound(size);
  if (m_itemSize.cx == size.cx && m_itemSize.cy == size.cy) return;
  m_itemSize = size;
  NeedUpdate();
}

void CTileLayoutUI::SetColumns(int columns) {
  if (columns < 1) return;
  m_columns = columns;
  NeedUpdate();
}

void CTileLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && value && wcscmp(name, L"itemsize") == 0) {
    SetItemSize(CUIValueParser::ReadSize(value));
  } else if (name && value && wcscmp(name, L"columns") == 0) {
    SetColumns(CUIValueParser::ReadInt(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

// The row that starts with `first` (the index-th item, the placed-th tile) is as high as
// its highest child; every child of the row is measured within the first one's limits.
int CTileLayoutUI::RowHeight(int index, int placed, int cellWidth, const CControlUI* first) {
  const int half = m_childPadding / 2;
  int rowHeight = 0;
  int row = placed;
  for (int j = index; j < GetCount(); ++j) {
    CControlUI* other = GetItemAt(j);
    if (!other->IsVisible() || other->IsFloat()) continue;
    RECT p = other->GetPadding();
    int offered = cellWidth - p.left - p.right;
    bool edge = row % m_columns == 0 || (row + 1) % m_columns == 0;
    offered -= edge ? half : m_childPadding;
    offered = Clamp(offered, first->GetMinWidth(), first->GetMaxWidth());
    SIZE size = other->EstimateSize(SIZE{offered, 9999});
    size.cx = Clamp(size.cx, first->GetMinWidth(), first->GetMaxWidth());
    size.cy = Clamp(size.cy, first->GetMinHeight(), first->GetMaxHeight());
    rowHeight = std::max<int>(rowHeight, size.cy + p.top + p.bottom);
    if ((++row) % m_columns == 0) break;
  }
  return rowHeight;
}

// A child takes its estimated size (the cell's where it has none), centred in the cell.
void CTileLayoutUI::PlaceInCell(CControlUI* child, const RECT& cell) {
  SIZE size = child->EstimateSize(SIZE{cell.right - cell.left, cell.bottom - cell.top});
  if (size.cx == 0) size.cx = cell.right - cell.left;
  if (size.cy == 0) size.cy = cell.bottom - cell.top;
  size.cx = Clamp(size.cx, child->GetMinWidth(), child->GetMaxWidth());
  size.cy = Clamp(size.cy, child->GetMinHeight(), child->GetMaxHeight());
  RECT pos;
  pos.left = (cell.left + cell.right - size.cx) / 2;
  pos.top = (cell.top + cell.bottom - size.cy) / 2;
  pos.right = pos.left + size.cx;
  pos.bottom = pos.top + size.cy;
  child->SetPos(pos);
}

void CTileLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = m_rcItem;
  rc.left += m_rcInset.left;
  rc.top += m_rcInset.top;
  rc.right -= m_rcInset.right;
  rc.bottom -= m_rcInset.bottom;
  if (GetCount() == 0) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }
  CScrollBarUI* vbar = m_verticalScrollBar != nullptr && m_verticalScrollBar->IsVisible() ? m_verticalScrollBar : nullptr;
  CScrollBarUI* hbar =
      m_horizontalScrollBar != nullptr && m_horizontalScrollBar->IsVisible() ? m_horizontalScrollBar : nullptr;
  if (vbar) rc.right -= vbar->GetFixedWidth();
  if (hbar) rc.bottom -= hbar->GetFixedHeight();
  int width = rc.right - rc.left;
  if (m_itemSize.cx > 0) m_columns = width / m_itemSize.cx;
  if (m_columns == 0) m_columns = 1;
  int cellWidth = hbar ? (width + hbar->GetScrollRange()) / m_columns : width / m_columns;
  int rowHeight = 0;
  int placed = 0;
  // The pen runs in 64 bits over any number of rows and is brought back to a coordinate.
  long long tileY = static_cast<long long>(rc.top) - (vbar ? vbar->GetScrollPos() : 0);
  const int rowStart = CUIExtent::Coordinate(static_cast<long long>(rc.left) - (hbar ? hbar->GetScrollPos() : 0));
  POINT tile = {rowStart, CUIExtent::Coordinate(tileY)};
  int needed = 0;
  const int half = m_childPadding / 2;
  for (int index = 0; index < GetCount(); ++index) {
    CControlUI* child = GetItemAt(index);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(index);
      continue;
    }
    RECT cell = {tile.x, tile.y, tile.x + cellWidth, tile.y};
    if (placed % m_columns == 0) rowHeight = RowHeight(index, placed, cellWidth, child);
    RECT p = child->GetPadding();
    cell.left += p.left + half;
    cell.right -= p.right + half;
    if (placed % m_columns == 0) cell.left -= half;
    if ((placed + 1) % m_columns == 0) cell.right += half;
    cell.top = tile.y + p.top;
    cell.bottom = tile.y + rowHeight;
    PlaceInCell(child, cell);
    ++placed;
    if (placed % m_columns == 0) {
      tile.x = rowStart;
      tileY += static_cast<long long>(rowHeight) + m_childPadding;
      tile.y = CUIExtent::Coordinate(tileY);
      rowHeight = 0;
    } else {
      tile.x = CUIExtent::Coordinate(static_cast<long long>(tile.x) + cellWidth);
    }
    needed = cell.bottom - rc.top + (vbar ? vbar->GetScrollPos() : 0);
  }
  ProcessScrollBar(rc, 0, needed);
}

}  // namespace SkinUI
