// Code pages, numbers in text, case and the string runtime.
#include <gtest/gtest.h>
#include <tchar.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "platform/src/internal/ansi.h"

namespace {

const char kAnzhuangGbk[] = "\xB0\xB2\xD7\xB0";           // 安装
const char kAnzhuangUtf8[] = "\xE5\xAE\x89\xE8\xA3\x85";  // 安装

std::wstring ToWide(UINT page, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(page, flags, bytes.data(), int(bytes.size()), nullptr, 0);
  std::wstring out(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    EXPECT_EQ(n, MultiByteToWideChar(page, flags, bytes.data(), int(bytes.size()), &out[0], n));
  }
  return out;
}

std::string ToBytes(UINT page, const std::wstring& text, LPCSTR defaultChar = nullptr,
                    BOOL* used = nullptr) {
  int n =
      WideCharToMultiByte(page, 0, text.data(), int(text.size()), nullptr, 0, defaultChar, used);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) {
    EXPECT_EQ(n, WideCharToMultiByte(page, 0, text.data(), int(text.size()), &out[0], n,
                                     defaultChar, used));
  }
  return out;
}

TEST(TextTest, AnsiPageIsGbk) {
  EXPECT_EQ(936u, GetACP());
  EXPECT_EQ(936u, GetOEMCP());
  EXPECT_TRUE(IsValidCodePage(936));
  EXPECT_TRUE(IsValidCodePage(CP_UTF8));
  EXPECT_FALSE(IsValidCodePage(1234));

  // Measure including the terminator, then convert.
  EXPECT_EQ(5, WideCharToMultiByte(CP_ACP, 0, L"安装", -1, nullptr, 0, nullptr, nullptr));
  char bytes[8];
  memset(bytes, '#', sizeof(bytes));
  BOOL used = TRUE;
  EXPECT_EQ(5, WideCharToMultiByte(CP_ACP, 0, L"安装", -1, bytes, 8, nullptr, &used));
  EXPECT_EQ(0, memcmp(bytes, "\xB0\xB2\xD7\xB0\0", 5));
  EXPECT_FALSE(used);

  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, kAnzhuangGbk, -1, nullptr, 0));
  wchar_t wide[4];
  EXPECT_EQ(3, MultiByteToWideChar(936, 0, kAnzhuangGbk, -1, wide, 4));
  EXPECT_STREQ(L"安装", wide);

  EXPECT_EQ(L"A安装€z", ToWide(CP_ACP, std::string("A") + kAnzhuangGbk + "\x80z"));
  EXPECT_EQ(std::string("\x80", 1), ToBytes(CP_ACP, L"€"));
  EXPECT_EQ(L"a安装", jf::FromAnsi(std::string("a") + kAnzhuangGbk));
  EXPECT_EQ(std::string("a") + kAnzhuangGbk, jf::ToAnsi(L"a安装"));
}

TEST(TextTest, UnmappableCharactersBecomeTheDefault) {
  BOOL used = FALSE;
  EXPECT_EQ("a?b", ToBytes(CP_ACP, L"a\U0001F600b", nullptr, &used));
  EXPECT_TRUE(used);
  used = FALSE;
  EXPECT_EQ("a*b*", ToBytes(CP_ACP, L"a\U0001F600b\xD800", "*", &used));
  EXPECT_TRUE(used);
  EXPECT_EQ("x?", jf::ToAnsi(L"x\U0001F600"));

  // Bytes that start no GBK character.
  EXPECT_EQ(L"a?b", ToWide(CP_ACP,
                           "a\xFF"
                           "b"));
  EXPECT_EQ(L"?", ToWide(CP_ACP, "\xB0"));  // a lead byte without its trail
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0));
  EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(TextTest, Utf8BothWays) {
  EXPECT_EQ(L"安装", ToWide(CP_UTF8, kAnzhuangUtf8));
  EXPECT_EQ(kAnzhuangUtf8, ToBytes(CP_UTF8, L"安装"));
  // A character beyond the BMP is one wide unit here and four bytes in UTF-8.
  std::wstring smile = ToWide(CP_UTF8, "\xF0\x9F\x98\x80");
  ASSERT_EQ(1u, smile.size());
  EXPECT_EQ(0x1F600u, uint32_t(smile[0]));
  EXPECT_EQ("\xF0\x9F\x98\x80", ToBytes(CP_UTF8, smile));
  // A surrogate pair that slipped into wide text is still that character.
  EXPECT_EQ("\xF0\x9F\x98\x80", ToBytes(CP_UTF8, std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}));
  // Embedded zeros travel with an explicit length.
  EXPECT_EQ(std::wstring(L"a\0b", 3), ToWide(CP_UTF8, std::string("a\0b", 3)));

  // Broken input: U+FFFD, or failure when the caller asks for it.
  EXPECT_EQ(L"\xFFFD(", ToWide(CP_UTF8, "\xC3("));
  EXPECT_EQ("\xEF\xBF\xBD", ToBytes(CP_UTF8, std::wstring(1, wchar_t(0xD800))));
  for (const char* bad : {"\xC3(", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\xAE"}) {
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, -1, nullptr, 0)) << bad;
    EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
  }
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, kAnzhuangUtf8, -1, nullptr, 0));
  wchar_t lone[] = {0xDC00, 0};
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, nullptr, 0, nullptr,
                                   nullptr));
  EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(TextTest, ConversionContracts) {
  // An explicit length converts no terminator and writes none.
  wchar_t wide[8];
  wmemset(wide, L'#', 8);
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 8));
  EXPECT_EQ(L'#', wide[3]);
  // Too small a buffer fails.
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abcdef", -1, wide, 3));
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  char bytes[4];
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, L"安装", -1, bytes, 4, nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  // Bad arguments.
  auto fails = [](DWORD error, const std::function<int()>& call) {
    SetLastError(0);
    EXPECT_EQ(0, call());
    EXPECT_EQ(error, GetLastError());
  };
  BOOL used;
  fails(ERROR_INVALID_PARAMETER,
        [&] { return MultiByteToWideChar(CP_UTF8, 0, "abc", 0, wide, 8); });
  fails(ERROR_INVALID_PARAMETER,
        [&] { return MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, wide, 8); });
  fails(ERROR_INVALID_PARAMETER, [&] { return MultiByteToWideChar(1234, 0, "abc", -1, wide, 8); });
  fails(ERROR_INVALID_PARAMETER,
        [&] { return MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 8); });
  fails(ERROR_INVALID_FLAGS,
        [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "abc", -1, wide, 8); });
  fails(ERROR_INVALID_PARAMETER,
        [&] { return WideCharToMultiByte(CP_UTF8, 0, L"abc", -1, bytes, 4, "?", nullptr); });
  fails(ERROR_INVALID_PARAMETER,
        [&] { return WideCharToMultiByte(CP_UTF8, 0, L"abc", -1, bytes, 4, nullptr, &used); });
  fails(ERROR_INVALID_PARAMETER,
        [&] { return WideCharToMultiByte(CP_ACP, 0, L"abc", -2, bytes, 4, nullptr, nullptr); });
  fails(ERROR_INVALID_PARAMETER,
        [&] { return WideCharToMultiByte(CP_ACP, 0, L"abc", -1, bytes, -1, nullptr, nullptr); });
  fails(ERROR_INVALID_FLAGS, [&] {
    return WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, L"a", -1, bytes, 4, nullptr, nullptr);
  });
}

// The Windows code pages of other scripts, both ways, as iconv knows them.
TEST(TextTest, WindowsCodePagesBothWays) {
  const struct {
    UINT page;
    std::string bytes;
    std::wstring text;
  } kPages[] = {
      {874, "\xA1z", L"\u0E01z"},
      {932, "\x93\xFA\x96\x7B\x83" "A\xB1", L"日本ア\uFF71"},  // a trail byte below 0x80; half-width kana
      {949, "\xC7\xD1\xB1\xB9", L"한국"},
      {950, "\xA4\xA4\xA4\xE5", L"中文"},
      {1250, "\xB3\x8A", L"łŠ"},
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", L"Привет"},
      {1252, "caf\xE9 \x80", L"café €"},
      {1253, "\xD9", L"Ω"},
      {1254, "\xF0", L"ğ"},
      {1255, "\xE0" "b", L"אb"},
      {1256, "\xC7", L"\u0627"},
      {1257, "\xE0", L"ą"},
      {1258, "abc\xF0", L"abcđ"},  // the last letter is not held back for a combining mark
      // The DOS pages and the Mac's.
      {437, "\x82\xC4\xE1", L"é─ß"},
      {850, "\xD0\x9B", L"ðø"},
      {10000, "caf\x8E\xA5", L"café•"},
  };
  for (const auto& c : kPages) {
    SCOPED_TRACE(c.page);
    EXPECT_TRUE(IsValidCodePage(c.page));
    EXPECT_EQ(ToWide(c.page, c.bytes), c.text);
    EXPECT_EQ(ToWide(c.page, c.bytes, MB_ERR_INVALID_CHARS), c.text);
    BOOL used = TRUE;
    EXPECT_EQ(ToBytes(c.page, c.text, nullptr, &used), c.bytes);
    EXPECT_FALSE(used);
    EXPECT_EQ(ToBytes(c.page, L"中\U0001F600x", "*", &used), c.page == 950 || c.page == 932 || c.page == 949
                                                                    ? ToBytes(c.page, L"中") + "*x"
                                                                    : "**x");
    EXPECT_TRUE(used);
  }
  // A lead byte without its trail.
  EXPECT_EQ(ToWide(932, "a\x81"), L"a?");
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, "a\xC7", 2, nullptr, 0));
  EXPECT_EQ(DWORD(ERROR_NO_UNICODE_TRANSLATION), GetLastError());

  // Lead bytes of the double-byte pages.
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x81));
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0xE0));
  EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xB1));  // half-width kana stand alone
  EXPECT_TRUE(IsDBCSLeadByteEx(949, 0xC7));
  EXPECT_TRUE(IsDBCSLeadByteEx(950, 0xA4));
  EXPECT_TRUE(IsDBCSLeadByteEx(CP_ACP, 0xB0));
  EXPECT_FALSE(IsDBCSLeadByteEx(936, 0x80));
  EXPECT_FALSE(IsDBCSLeadByteEx(936, 0x41));
  EXPECT_FALSE(IsDBCSLeadByteEx(1251, 0xCF));
  SetLastError(0);
  EXPECT_FALSE(IsDBCSLeadByteEx(1234, 0x81));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

  // The symbol page: its letters stand in the private-use area, control bytes as they are.
  EXPECT_TRUE(IsValidCodePage(CP_SYMBOL));
  EXPECT_EQ(ToWide(CP_SYMBOL, std::string("\t a\xB7\xFF", 5)), L"\t\uF020\uF061\uF0B7\uF0FF");
  EXPECT_EQ(ToBytes(CP_SYMBOL, L"\t\uF020\uF061\uF0B7\uF0FF"), std::string("\t a\xB7\xFF", 5));
  BOOL used = FALSE;
  EXPECT_EQ(ToBytes(CP_SYMBOL, L"a\uF061", nullptr, &used), "?a");
  EXPECT_TRUE(used);
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_SYMBOL, MB_ERR_INVALID_CHARS, "a", 1, nullptr, 0));
  EXPECT_EQ(DWORD(ERROR_INVALID_FLAGS), GetLastError());
  EXPECT_FALSE(IsValidCodePage(1234));
}

TEST(TextTest, ConversionsOnManyThreads) {
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 300; ++i) {
        std::wstring text = L"线程" + std::to_wstring(t * 1000 + i) + L"\U0001F600";
        std::string gbk = jf::ToAnsi(text);
        if (jf::FromAnsi(gbk) != text.substr(0, text.size() - 1) + L"?") ++failures[size_t(t)];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(0, f);
}

TEST(TextTest, NumbersFromText) {
  EXPECT_EQ(-12, _wtoi(L" -12abc"));
  EXPECT_EQ(7, _wtoi(L"\t\n +7"));
  EXPECT_EQ(0, _wtoi(L"abc"));
  EXPECT_EQ(0, _wtoi(L""));
  EXPECT_EQ(0, _wtoi(nullptr));
  EXPECT_EQ(5, _wtoi(L"\x3000"
                     L"5"));
  errno = 0;
  EXPECT_EQ(INT_MAX, _wtoi(L"2147483648"));
  EXPECT_EQ(ERANGE, errno);
  EXPECT_EQ(INT_MIN, _wtoi(L"-2147483648"));
  EXPECT_EQ(INT_MIN, _wtoi(L"-99999999999999999999"));
  EXPECT_EQ(2147483647L, _wtol(L"3000000000"));
  EXPECT_EQ(INT64_MAX, _wtoi64(L"9223372036854775807"));
  EXPECT_EQ(INT64_MAX, _wtoi64(L"9223372036854775808"));
  EXPECT_EQ(INT64_MIN, _wtoi64(L"-9223372036854775808"));
  EXPECT_EQ(4294967296LL, _wtoi64(L"4294967296x"));
  EXPECT_EQ(-3, _atoi64("  -3"));
  EXPECT_DOUBLE_EQ(3.5, _wtof(L" 3.5kb"));
  wchar_t* end = nullptr;
  EXPECT_EQ(31, _wcstoi64(L"0x1Fz", &end, 16));
  EXPECT_EQ(L'z', *end);
  EXPECT_EQ(UINT64_MAX, _wcstoui64(L"18446744073709551615", nullptr, 10));
  EXPECT_EQ(7, _ttoi(_T("7")));
}

TEST(TextTest, NumbersToText) {
  wchar_t w[70];
  EXPECT_STREQ(L"-5", _itow(-5, w, 10));
  EXPECT_STREQ(L"fffffffb", _itow(-5, w, 16));
  EXPECT_STREQ(L"fffffffffffffffb", _i64tow(-5, w, 16));
  EXPECT_STREQ(L"-9223372036854775808", _i64tow(INT64_MIN, w, 10));
  EXPECT_STREQ(L"18446744073709551615", _ui64tow(UINT64_MAX, w, 10));
  EXPECT_STREQ(L"ffffffff", _ltow(-1, w, 16));
  EXPECT_STREQ(L"zz", _itow(36 * 36 - 1, w, 36));
  EXPECT_STREQ(L"", _itow(5, w, 1));
  char a[40];
  EXPECT_STREQ("11111111", _itoa(255, a, 2));
  EXPECT_STREQ("-2147483648", _itoa(INT_MIN, a, 10));
  EXPECT_EQ(0, _itow_s(-1234, w, 6, 10));
  EXPECT_STREQ(L"-1234", w);
  EXPECT_EQ(ERANGE, _itow_s(-1234, w, 5, 10));
  EXPECT_STREQ(L"", w);
  EXPECT_EQ(EINVAL, _itow_s(1, w, 70, 40));
  wchar_t small[4];
  EXPECT_EQ(0, _itow_s(999, small, 10));
  EXPECT_EQ(ERANGE, _itoa_s(12345, a, 3, 10));
}

TEST(TextTest, CaseWorksBeyondAscii) {
  // The layer sets the character type at start-up and leaves numbers alone.
  EXPECT_EQ(wint_t(L'ä'), towlower(L'Ä'));
  EXPECT_EQ(wint_t(L'Ж'), towupper(L'ж'));
  EXPECT_TRUE(iswspace(0x3000));
  EXPECT_STREQ("C", setlocale(LC_NUMERIC, nullptr));
  EXPECT_STREQ(".", localeconv()->decimal_point);

  EXPECT_EQ(0, _wcsicmp(L"ÄÖÜ Привет", L"äöü пРИВЕТ"));
  EXPECT_LT(_wcsicmp(L"a", L"B"), 0);
  EXPECT_GT(_wcsicmp(L"abc", L"AB"), 0);
  EXPECT_NE(0, _wcsicmp(L"Straße", L"STRASSE"));
  EXPECT_EQ(0, _wcsnicmp(L"ABCx", L"abcY", 3));
  EXPECT_NE(0, _wcsnicmp(L"ABCx", L"abcY", 4));
  EXPECT_EQ(0, _tcsicmp(_T("InstallPackages"), _T("installpackages")));
  EXPECT_EQ(INT_MAX, _wcsicmp(nullptr, L"a"));
  EXPECT_EQ(0, _stricmp("Content-Type", "content-type"));
  EXPECT_NE(0, _stricmp("\xC4", "\xE4"));  // bytes are not letters of any page here
  EXPECT_EQ(0, _strnicmp("HTTP/1.1", "http/1.0", 7));

  wchar_t s[] = L"ÀbÇ-Ω";
  EXPECT_STREQ(L"àbç-ω", _wcslwr(s));
  EXPECT_STREQ(L"ÀBÇ-Ω", _wcsupr(s));
  EXPECT_EQ(0, _wcslwr_s(s, 6));
  EXPECT_STREQ(L"àbç-ω", s);
  wchar_t unterminated[3] = {L'A', L'B', L'C'};
  EXPECT_EQ(EINVAL, _wcsupr_s(unterminated, 3));
  char n[] = "MiXeD";
  EXPECT_STREQ("mixed", _strlwr(n));
  EXPECT_STREQ("MIXED", _strupr(n));
}

TEST(TextTest, UserStringFunctions) {
  EXPECT_EQ(0, lstrlenW(nullptr));
  EXPECT_EQ(2, lstrlenW(L"安装"));
  wchar_t buf[16];
  EXPECT_STREQ(L"abc", lstrcpynW(buf, L"abcdef", 4));
  EXPECT_STREQ(L"abcxyz", lstrcatW(lstrcpyW(buf, L"abc"), L"xyz"));
  EXPECT_EQ(-1, lstrcmpW(L"a", L"b"));
  EXPECT_EQ(1, lstrcmpW(L"b", L"a"));
  EXPECT_EQ(-1, lstrcmpW(nullptr, L""));
  EXPECT_EQ(0, lstrcmpW(nullptr, nullptr));
  EXPECT_EQ(0, lstrcmpiW(L"ÉCOLE", L"école"));
  EXPECT_EQ(0, lstrcmpiA("ABC", "abc"));
  EXPECT_EQ(3, lstrlenA("abc"));

  wchar_t word[] = L"ÄBC";
  EXPECT_EQ(word, CharLowerW(word));
  EXPECT_STREQ(L"äbc", word);
  EXPECT_EQ(
      L'A',
      wchar_t(reinterpret_cast<uintptr_t>(CharUpperW(reinterpret_cast<LPWSTR>(uintptr_t(L'a'))))));
  wchar_t part[] = L"abcd";
  EXPECT_EQ(2u, CharUpperBuffW(part, 2));
  EXPECT_STREQ(L"ABcd", part);
  const wchar_t* text = L"a安";
  EXPECT_EQ(text + 1, CharNextW(text));
  EXPECT_EQ(text + 2, CharNextW(text + 2));  // stays on the terminator
  EXPECT_EQ(text, CharPrevW(text, text));
  EXPECT_TRUE(IsCharAlphaNumericW(L'安'));
  EXPECT_TRUE(IsCharAlphaNumericW(L'7'));
  EXPECT_FALSE(IsCharAlphaNumericW(L'-'));
  EXPECT_TRUE(IsCharUpperW(L'Ä'));
}

TEST(TextTest, CheckedCopiesNeverLeaveHalfText) {
  wchar_t d[6];
  EXPECT_EQ(0, wcscpy_s(d, L"abc"));
  EXPECT_STREQ(L"abc", d);
  EXPECT_EQ(ERANGE, wcscpy_s(d, L"abcdef"));
  EXPECT_STREQ(L"", d);
  EXPECT_EQ(EINVAL, wcscpy_s(d, 6, nullptr));
  EXPECT_EQ(EINVAL, wcscpy_s(nullptr, 6, L"a"));
  EXPECT_EQ(STRUNCATE, wcsncpy_s(d, L"abcdefgh", _TRUNCATE));
  EXPECT_STREQ(L"abcde", d);
  EXPECT_EQ(0, wcsncpy_s(d, L"abcdefgh", 3));
  EXPECT_STREQ(L"abc", d);
  EXPECT_EQ(0, wcscat_s(d, L"de"));
  EXPECT_STREQ(L"abcde", d);
  EXPECT_EQ(ERANGE, wcscat_s(d, L"f"));
  EXPECT_STREQ(L"", d);
  EXPECT_EQ(0, wcscat_s(d, 6, L"xy"));
  EXPECT_EQ(STRUNCATE, wcsncat_s(d, 6, L"1234", _TRUNCATE));
  EXPECT_STREQ(L"xy123", d);
  char n[4];
  EXPECT_EQ(0, strcpy_s(n, "abc"));
  EXPECT_EQ(ERANGE, strcat_s(n, "d"));
  EXPECT_STREQ("", n);
  EXPECT_EQ(0, strncpy_s(n, "abcdef", 2));
  EXPECT_STREQ("ab", n);
  EXPECT_EQ(0, strncpy_s(n, 4, nullptr, 0));
  EXPECT_STREQ("", n);

  wchar_t* copy = _wcsdup(L"安装");
  ASSERT_NE(nullptr, copy);
  EXPECT_STREQ(L"安装", copy);
  free(copy);
  EXPECT_EQ(nullptr, _wcsdup(nullptr));
  char* c = _strdup("x");
  EXPECT_STREQ("x", c);
  free(c);
}

}  // namespace
