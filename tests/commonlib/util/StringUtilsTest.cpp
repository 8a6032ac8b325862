// String conversions (GBK as the ANSI page, UTF-8), formatting, numbers, trimming, splitting.
#include <gtest/gtest.h>

#include "commonlib/util/StringUtils.h"

namespace {

using StringUtils::Split;

TEST(StringUtilsTest, AnsiIsGbk) {
  EXPECT_EQ(StringUtils::WideToAnsi(L"中文a"), "\xd6\xd0\xce\xc4" "a");
  EXPECT_EQ(StringUtils::AnsiToWide("\xd6\xd0\xce\xc4" "a"), L"中文a");
  EXPECT_EQ(StringUtils::ToAnsi(L"中"), "\xd6\xd0");
  EXPECT_EQ(StringUtils::ToWide("\xd6\xd0"), L"中");
  // A character that GBK cannot hold becomes a space.
  EXPECT_EQ(StringUtils::WideToAnsi(L"a\U0001F600b"), "a b");
  EXPECT_EQ(StringUtils::WideToAnsi(L""), "");
  EXPECT_EQ(StringUtils::AnsiToWide(""), L"");
}

TEST(StringUtilsTest, Utf8BothWaysWithAstralCharacters) {
  const std::wstring wide = L"安装x\U0001F600\U00020000";
  const std::string utf8 = "\xe5\xae\x89\xe8\xa3\x85x\xf0\x9f\x98\x80\xf0\xa0\x80\x80";
  EXPECT_EQ(StringUtils::WideToUtf8(wide), utf8);
  EXPECT_EQ(StringUtils::ToUtf8(wide), utf8);
  EXPECT_EQ(StringUtils::Utf8ToWide(utf8), wide);
  EXPECT_EQ(StringUtils::FromUtf8(utf8), wide);
  // Only astral characters: four bytes for each unit.
  std::wstring astral(100, L'\U0001F600');
  EXPECT_EQ(StringUtils::WideToUtf8(astral).size(), 400u);
  EXPECT_EQ(StringUtils::Utf8ToWide(""), L"");
}

TEST(StringUtilsTest, FormatOfAnyLength) {
  std::wstring big(5000, L'q');
  std::wstring out = StringUtils::Format(L"<%s|%hs|%d|%I64u>", big.c_str(), "n", -3,
                                         static_cast<unsigned long long>(1) << 40);
  EXPECT_EQ(out, L"<" + big + L"|n|-3|1099511627776>");
  EXPECT_EQ(StringUtils::Format(nullptr), L"");
  EXPECT_EQ(StringUtils::Format(L"%s", L""), L"");
  std::string bigA(5000, 'r');
  EXPECT_EQ(StringUtils::FormatA("%s-%d", bigA.c_str(), 7), bigA + "-7");
  EXPECT_EQ(StringUtils::FormatA(nullptr), "");
}

TEST(StringUtilsTest, Numbers) {
  EXPECT_EQ(StringUtils::IntToStringA(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(StringUtils::UIntToStringA(4294967295u), "4294967295");
  EXPECT_EQ(StringUtils::Int64ToStringA(-9000000000LL), "-9000000000");
  EXPECT_EQ(StringUtils::ToInt(L"12abc"), 12);
  EXPECT_EQ(StringUtils::ToInt(L""), 0);
  EXPECT_EQ(StringUtils::ToInt(L"  -42"), -42);
  EXPECT_EQ(StringUtils::ToInt64(L" +9000000000x"), 9000000000LL);
  EXPECT_EQ(StringUtils::ToInt64(L"abc"), 0);
}

TEST(StringUtilsTest, LowerTrimAndQuotes) {
  EXPECT_EQ(StringUtils::ToLower(L"ABC Ä中"), L"abc ä中");
  std::wstring s = L"   ";
  EXPECT_EQ(StringUtils::Trim(s), L"");
  s = L"\tx ";
  EXPECT_EQ(StringUtils::Trim(s), L"x");
  EXPECT_EQ(s, L"x");
  s = L"";
  EXPECT_EQ(StringUtils::Trim(s), L"");
  s = L"\"C:\\a \"b\"\"";
  EXPECT_EQ(StringUtils::TrimQuotes(s), L"C:\\a \"b");
  s = L"\"\"\"";
  EXPECT_EQ(StringUtils::TrimQuotes(s), L"");
}

TEST(StringUtilsTest, ReplaceAll) {
  EXPECT_EQ(StringUtils::ReplaceAll(L"aaa", L"aa", L"b"), L"ba");
  EXPECT_EQ(StringUtils::ReplaceAll(L"a.b.c", L".", L"..."), L"a...b...c");
  EXPECT_EQ(StringUtils::ReplaceAll(L"xyz", L"q", L"r"), L"xyz");
  EXPECT_EQ(StringUtils::ReplaceAll(L"abab", L"ab", L""), L"");
  // The result ends at its first null unit, wherever that came from.
  EXPECT_EQ(StringUtils::ReplaceAll(std::wstring(L"a.b\0c.d", 7), L".", L"-"), L"a-b");
  EXPECT_EQ(StringUtils::ReplaceAll(L"a.b", L".", std::wstring(L"x\0y", 3)), L"ax");
  EXPECT_EQ(StringUtils::ReplaceAll(L"abc", L"", L"x"), L"abc");  // nothing to look for
}

TEST(StringUtilsTest, SplitKeepsOrSkipsEmptyPieces) {
  std::vector<std::wstring> out = {L"stale"};
  Split(out, L"a;;b;", L";", false);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"", L"b", L""}));
  Split(out, L"a;;b;", L";", true);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"b"}));
  Split(out, L"", L";", false);
  EXPECT_EQ(out, (std::vector<std::wstring>{L""}));
  Split(out, L"", L";", true);
  EXPECT_TRUE(out.empty());
  Split(out, L"abc", L";", false);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"abc"}));
  Split(out, L"a;b", nullptr, true);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"a;b"}));
  Split(out, L"C:\\x\\\\y", L"\\", false);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"C:", L"x", L"", L"y"}));
  Split(out, L"1<>2<>", L"<>", false);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"1", L"2", L""}));
}

TEST(StringUtilsTest, SplitToListAndNarrowSplit) {
  EXPECT_EQ(StringUtils::SplitToList(L"a;;b"), (std::list<std::wstring>{L"a", L"", L"b"}));
  std::list<std::wstring> list = {L"stale"};
  StringUtils::SplitToList(L"1.2.3.4;5.6.7.8", list);
  EXPECT_EQ(list, (std::list<std::wstring>{L"1.2.3.4", L"5.6.7.8"}));
  std::vector<std::string> narrow;
  StringUtils::SplitA(narrow, "");
  EXPECT_EQ(narrow, std::vector<std::string>{""});
  StringUtils::SplitA(narrow, "x;y;");
  EXPECT_EQ(narrow, (std::vector<std::string>{"x", "y", ""}));
}

}  // namespace
