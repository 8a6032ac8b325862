#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/src/user/UserArea.h"

namespace {

using Names = std::vector<std::wstring>;

// A CF_HDROP block of exactly these bytes, as another program may hand one over.
HDROP Block(const std::string& bytes) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
  GlobalUnlock(mem);
  return reinterpret_cast<HDROP>(mem);
}

std::string Head(DWORD offset, BOOL wide, POINT pt = {7, 9}, BOOL nc = FALSE) {
  DROPFILES head{};
  head.pFiles = offset;
  head.pt = pt;
  head.fNC = nc;
  head.fWide = wide;
  return std::string(reinterpret_cast<const char*>(&head), sizeof(head));
}

std::string Wide(const std::wstring& chars) {
  return std::string(reinterpret_cast<const char*>(chars.data()), chars.size() * sizeof(wchar_t));
}

Names Read(HDROP drop) {
  Names names;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT len = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(len + 1, L'?');
    EXPECT_EQ(DragQueryFileW(drop, i, &name[0], len + 1), len);
    EXPECT_EQ(name[len], L'\0');
    name.resize(len);
    names.push_back(name);
  }
  EXPECT_EQ(DragQueryFileW(drop, count, nullptr, 0), 0u);
  return names;
}

// Blocks from other programs are read inside their bytes only (the sanitizer build sees any
// read past the end or misaligned).
TEST(DropFileListTest, BlocksAreReadWithinTheirBytes) {
  const DWORD head = sizeof(DROPFILES);
  struct Row {
    const char* what;
    std::string bytes;
    Names names;
  };
  const Row rows[] = {
      {"whole", Head(head, TRUE) + Wide(std::wstring(L"Z:\\a\0Z:\\二\0\0", 12)), {L"Z:\\a", L"Z:\\二"}},
      {"shorter than its head", std::string("\x14\0\0\0", 4), {}},
      {"empty", "", {}},
      {"list without its end", Head(head, TRUE) + Wide(L"Z:\\a"), {L"Z:\\a"}},
      {"ends inside a character", Head(head, TRUE) + Wide(L"Z:\\b") + std::string("c\0", 2), {L"Z:\\b"}},
      {"odd offset", Head(head + 1, TRUE) + "x" + Wide(std::wstring(L"Z:\\o\0\0", 6)), {L"Z:\\o"}},
      {"offset past the end", Head(head + 64, TRUE) + Wide(L"Z:\\a"), {}},
      {"offset inside the head", Head(4, TRUE) + Wide(L"Z:\\a"), {}},
      {"narrow", Head(head, FALSE) + std::string("Z:\\n\0Z:\\m", 9), {L"Z:\\n", L"Z:\\m"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    HDROP drop = Block(row.bytes);
    EXPECT_EQ(Read(drop), row.names);
    POINT pt{-1, -1};
    const BOOL client = DragQueryPoint(drop, &pt);
    if (row.bytes.size() >= head) {
      EXPECT_TRUE(client);
      EXPECT_EQ(pt.x, 7);
      EXPECT_EQ(pt.y, 9);
    } else {
      EXPECT_FALSE(client);
      EXPECT_EQ(pt.x, 0);
    }
    DragFinish(drop);
  }
  HDROP outside = Block(Head(head, TRUE, POINT{1, 2}, TRUE) + Wide(std::wstring(L"\0", 1)));
  POINT pt{};
  EXPECT_FALSE(DragQueryPoint(outside, &pt));
  EXPECT_EQ(pt.y, 2);
  DragFinish(outside);
}

// The block this layer makes never gives names its caller did not mean: an empty name or one
// with a NUL inside would end the list early or split into two.
TEST(DropFileListTest, MadeBlocksHoldOnlyWholeNames) {
  const Names asked = {L"Z:\\a", L"", std::wstring(L"Z:\\b\0\\etc\\passwd", 16), L"Z:\\c"};
  HDROP drop = reinterpret_cast<HDROP>(jf::DragData::FileBlock(asked, POINT{0, 0}));
  EXPECT_EQ(Read(drop), (Names{L"Z:\\a", L"Z:\\c"}));
  DragFinish(drop);
}

}  // namespace
