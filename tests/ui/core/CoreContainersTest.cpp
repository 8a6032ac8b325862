// The framework's string, pointer array, string map, value readers and event sources.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "ui/core/Delegate.h"
#include "ui/core/EventSourceUI.h"
#include "ui/core/UIPtrArray.h"
#include "ui/core/UIRect.h"
#include "ui/core/UIString.h"
#include "ui/core/UIStringMap.h"
#include "ui/core/UIExtent.h"
#include "ui/core/UIValueParser.h"

using namespace SkinUI;

namespace {
bool IsInline(const CUIString& s) {
  const char* p = reinterpret_cast<const char*>(s.GetData());
  const char* self = reinterpret_cast<const char*>(&s);
  return p >= self && p < self + sizeof(CUIString);
}
}  // namespace

TEST(UIString, InlineLimitAndHeap) {
  CUIString s;
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_TRUE(IsInline(s));
  s = std::wstring(162, L'a').c_str();
  EXPECT_TRUE(IsInline(s));
  EXPECT_EQ(162, s.GetLength());
  s = std::wstring(163, L'b').c_str();
  EXPECT_FALSE(IsInline(s));
  EXPECT_EQ(163, s.GetLength());
  s = L"short";
  EXPECT_TRUE(IsInline(s));
  EXPECT_TRUE(s == L"short");
  // Append across the limit moves to the heap, copying keeps the text.
  CUIString t(std::wstring(160, L'x').c_str());
  t += L"yyy";
  EXPECT_FALSE(IsInline(t));
  CUIString copy(t);
  EXPECT_EQ(0, copy.Compare(t));
  t += L'z';
  EXPECT_EQ(164, t.GetLength());
  // Assign with a length beyond the text pads with zeros.
  s.Assign(L"abc", 10);
  EXPECT_EQ(3, s.GetLength());
  s.Assign(L"abcdef", 2);
  EXPECT_TRUE(s == L"ab");
  s = static_cast<const wchar_t*>(nullptr);
  EXPECT_TRUE(s.IsEmpty());
  s = L"abc";
  s = s.Mid(1);  // self-referencing assignment
  EXPECT_TRUE(s == L"bc");
  s += static_cast<const wchar_t*>(nullptr);
  EXPECT_TRUE(s == L"bc");
}

TEST(UIString, LeftMidFindTable) {
  CUIString s(L"abcdef");
  struct {
    int pos, n;
    const wchar_t* want;
  } mids[] = {{2, -1, L"cdef"}, {4, 10, L"ef"}, {6, 1, L""}, {-5, 2, L"ab"}, {99, 3, L""},
              {0, 0, L""},      {1, 2, L"bc"},  {-1, -1, L"abcdef"}};
  for (auto& m : mids) EXPECT_TRUE(s.Mid(m.pos, m.n) == m.want) << m.pos << "," << m.n;
  EXPECT_TRUE(s.Left(-3).IsEmpty());
  EXPECT_TRUE(s.Left(99) == L"abcdef");
  EXPECT_TRUE(s.Right(2) == L"ef");
  EXPECT_EQ(-1, s.Find(L"a", 7));
  EXPECT_EQ(-1, s.Find(L"a", -1));
  EXPECT_EQ(3, s.Find(L"de"));
  EXPECT_EQ(-1, s.Find(L"de", 4));
  EXPECT_EQ(-1, CUIString().Find(L"x"));
  EXPECT_EQ(2, s.Find(L'c'));
  EXPECT_EQ(0, CUIString(L"ABC").CompareNoCase(L"abc"));
  EXPECT_LT(CUIString(L"abc").Compare(L"abd"), 0);
}

TEST(UIString, ReplaceTable) {
  struct {
    const wchar_t *text, *from, *to, *want;
    int count;
  } rows[] = {
      {L"a<n>b<n>c", L"<n>", L"\r\n", L"a\r\nb\r\nc", 2},
      {L"aa", L"a", L"aa", L"aaaa", 2},
      {L"abc", L"", L"x", L"abc", 0},
      {L"abc", L"z", L"x", L"abc", 0},
      {L"abab", L"ab", L"", L"", 2},
  };
  for (auto& r : rows) {
    CUIString s(r.text);
    EXPECT_EQ(r.count, s.Replace(r.from, r.to)) << r.text;
    EXPECT_TRUE(s == r.want) << r.text;
  }
}

TEST(UIString, FormatAnyLengthAndSmallFormat) {
  CUIString s;
  std::wstring big(1000, L'q');
  EXPECT_EQ(1003, s.Format(L"%s%d", big.c_str(), 123));
  EXPECT_EQ(1003, s.GetLength());
  EXPECT_TRUE(s.Right(3) == L"123");
  s.Format(L"%s", std::wstring(256, L'r').c_str());  // exactly the first buffer
  EXPECT_EQ(256, s.GetLength());
  s.SmallFormat(L"dest='%d,%d,%d,%d'", 1, 2, 3, 4);
  EXPECT_TRUE(s == L"dest='1,2,3,4'");
  s.SmallFormat(L"%s", std::wstring(100, L'z').c_str());
  EXPECT_EQ(63, s.GetLength());
}

TEST(UIPtrArray, GrowthInsertRemove) {
  CUIPtrArray a;
  int v[50];
  for (int i = 0; i < 45; ++i) ASSERT_TRUE(a.Add(&v[i]));
  EXPECT_EQ(45, a.GetSize());
  EXPECT_EQ(&v[44], a.GetAt(44));
  EXPECT_EQ(nullptr, a.GetAt(45));
  EXPECT_EQ(nullptr, a.GetAt(-1));
  EXPECT_TRUE(a.InsertAt(a.GetSize(), &v[45]));
  EXPECT_FALSE(a.InsertAt(a.GetSize() + 1, &v[46]));
  EXPECT_FALSE(a.InsertAt(-1, &v[46]));
  EXPECT_TRUE(a.InsertAt(0, &v[47]));
  EXPECT_EQ(0, a.Find(&v[47]));
  EXPECT_EQ(1, a.Find(&v[0]));
  EXPECT_TRUE(a.Remove(0));
  EXPECT_FALSE(a.Remove(a.GetSize()));
  EXPECT_EQ(-1, a.Find(&v[47]));
  a.Resize(5);
  EXPECT_EQ(5, a.GetSize());
  EXPECT_EQ(nullptr, a.GetAt(4));
  a.Empty();
  EXPECT_EQ(0, a.GetSize());
  CUIPtrArray pre(3);
  EXPECT_EQ(0, pre.GetSize());
  EXPECT_TRUE(pre.Add(&v[0]));
}

TEST(UIStringMap, InsertSetFindRemoveEnumerate) {
  CUIStringMap m;
  int a = 1, b = 2, c = 3;
  EXPECT_EQ(nullptr, m.Find(L"x"));
  EXPECT_TRUE(m.Insert(L"x", &a));
  EXPECT_FALSE(m.Insert(L"x", &b));
  EXPECT_EQ(&a, m.Set(L"x", &b));
  EXPECT_EQ(&b, m.Find(L"x"));
  EXPECT_EQ(nullptr, m.Set(L"y", &c));
  EXPECT_EQ(nullptr, m.Find(L"X"));  // case-sensitive
  std::set<std::wstring> keys;
  for (int i = 0; i < 300; ++i) {
    std::wstring k = L"key" + std::to_wstring(i);
    ASSERT_TRUE(m.Insert(k.c_str(), &a));
  }
  for (int i = 0; i < 300; i += 7) m.Find((L"key" + std::to_wstring(i)).c_str());  // reorders chains
  for (int i = 0; i < m.GetSize(); ++i) keys.insert(m.GetAt(i));
  EXPECT_EQ(302u, keys.size());
  EXPECT_EQ(nullptr, m.GetAt(m.GetSize()));
  EXPECT_TRUE(m.Remove(L"key5"));
  EXPECT_FALSE(m.Remove(L"key5"));
  EXPECT_EQ(301, m.GetSize());
  m.Resize(0);
  EXPECT_FALSE(m.Insert(L"z", &a));
  EXPECT_EQ(&a, m.Set(L"z", &a));
}

TEST(UIRect, Join) {
  CUIRect r(10, 10, 20, 20);
  r.Join(CUIRect(0, 15, 15, 30));
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(10, r.top);
  EXPECT_EQ(20, r.right);
  EXPECT_EQ(30, r.bottom);
}

TEST(UIValueParser, ListsStopAtTheEndAndSaturate) {
  struct {
    const wchar_t* text;
    int want[4];
    int read;
  } rows[] = {
      {L"1,2,3,4", {1, 2, 3, 4}, 4},
      {L"10,20", {10, 20, 0, 0}, 2},
      {L"4", {4, 0, 0, 0}, 1},
      {L"", {0, 0, 0, 0}, 0},
      {L"-5,-6,7,8,9", {-5, -6, 7, 8}, 4},
      {L"99999999999,-99999999999,1,", {1000000, -1000000, 1, 0}, 3},  // extents are bounded
      {L"2147483647,-2147483648,1000001,-999999", {1000000, -1000000, 1000000, -999999}, 4},
      {L"1, 2", {1, 2, 0, 0}, 2},
      {L"1,,3", {1, 0, 3, 0}, 3},
  };
  for (auto& r : rows) {
    int v[4];
    EXPECT_EQ(r.read, CUIValueParser::ReadIntList(r.text, v, 4)) << r.text;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.want[i], v[i]) << r.text << " #" << i;
  }
  // A single number saturates to int; read as an extent it is bounded.
  EXPECT_EQ(INT_MAX, CUIValueParser::ReadInt(L"99999999999"));
  EXPECT_EQ(INT_MIN, CUIValueParser::ReadInt(L"-99999999999"));
  EXPECT_EQ(CUIExtent::kMax, CUIValueParser::ReadExtent(L"2147483647"));
  EXPECT_EQ(-CUIExtent::kMax, CUIValueParser::ReadExtent(L"-2147483648"));
  EXPECT_EQ(-12, CUIValueParser::ReadExtent(L"-12"));
  EXPECT_EQ(0xFFFF0000u, CUIValueParser::ReadColor(L"#FFFF0000"));
  EXPECT_EQ(0xFF00FF00u, CUIValueParser::ReadColor(L"0xFF00FF00"));
  EXPECT_EQ(0xFFFFFFFFu, CUIValueParser::ReadColor(L"#123456789ABC"));
  EXPECT_TRUE(CUIValueParser::ReadBool(L"true"));
  EXPECT_FALSE(CUIValueParser::ReadBool(L"True"));
  EXPECT_FALSE(CUIValueParser::ReadBool(nullptr));
}

namespace {
struct Listener {
  std::string log;
  bool answer = true;
  bool First(void*) {
    log += "1";
    return answer;
  }
  bool Second(void*) {
    log += "2";
    return true;
  }
};
}  // namespace

TEST(EventSourceUI, DedupeOrderAndVeto) {
  CEventSourceUI source;
  EXPECT_TRUE(source.Invoke(nullptr));
  Listener l;
  source += MakeDelegate(&l, &Listener::First);
  source += MakeDelegate(&l, &Listener::First);
  source += MakeDelegate(&l, &Listener::Second);
  EXPECT_EQ(2, source.GetCount());
  EXPECT_TRUE(source.Invoke(nullptr));
  EXPECT_EQ("12", l.log);
  l.log.clear();
  l.answer = false;
  EXPECT_FALSE(source(nullptr));
  EXPECT_EQ("1", l.log);
}
