// The Windows printf family: expected texts are those of the Windows C runtime.
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// Measure, then format into exactly that much room, as the program's formatters do.
template <typename Ch>
std::basic_string<Ch> Measured(int (*measure)(const Ch*, va_list),
                               int (*format)(Ch*, size_t, const Ch*, va_list), const Ch* text,
                               va_list args) {
  va_list again;
  va_copy(again, args);
  int n = measure(text, args);
  std::basic_string<Ch> out(size_t(n >= 0 ? n : 0) + 1, Ch('#'));
  int written = n >= 0 ? format(&out[0], out.size(), text, again) : -1;
  EXPECT_EQ(n, written);
  va_end(again);
  if (n < 0) return {Ch('<'), Ch('e'), Ch('r'), Ch('r'), Ch('>')};
  EXPECT_EQ(Ch(0), out[size_t(n)]);
  out.resize(size_t(n));
  return out;
}

std::wstring W(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring out = Measured<wchar_t>(_vscwprintf, _vsnwprintf, format, args);
  va_end(args);
  return out;
}

std::string A(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = Measured<char>(_vscprintf, _vsnprintf, format, args);
  va_end(args);
  return out;
}

const char kAnzhuangGbk[] = "\xB0\xB2\xD7\xB0";  // 安装

TEST(FormatTest, Integers) {
  EXPECT_EQ(L"42", W(L"%d", 42));
  EXPECT_EQ(L"   42|42   |", W(L"%5d|%-5d|", 42, 42));
  EXPECT_EQ(L"-0042", W(L"%05d", -42));
  EXPECT_EQ(L"+5 5", W(L"%+d% d", 5, 5));
  EXPECT_EQ(L"007|     007|", W(L"%.3d|%08.3d|", 7, 7));
  EXPECT_EQ(L"[]", W(L"[%.0d]", 0));
  EXPECT_EQ(L"4294967295 -2147483648", W(L"%u %i", -1, INT32_MIN));
  EXPECT_EQ(L"ff FF 05 0xff 0XFF 0", W(L"%x %X %02x %#x %#X %#x", 255, 255, 5, 255, 255, 0));
  EXPECT_EQ(L"10 010 0", W(L"%o %#o %#o", 8, 8, 0));
  EXPECT_EQ(L"4464 -1 255", W(L"%hd %hhd %hhu", 70000, 255, 255));
}

TEST(FormatTest, SizesOfIntegers) {
  EXPECT_EQ(L"9223372036854775808", W(L"%I64u", uint64_t(1) << 63));
  EXPECT_EQ(L"-9223372036854775808", W(L"%I64d", INT64_MIN));
  EXPECT_EQ(L"deadbeefcafe", W(L"%I64x", 0xDEADBEEFCAFEull));
  EXPECT_EQ(L"-5 18446744073709551615", W(L"%lld %llu", -5LL, ~0ULL));
  EXPECT_EQ(L"123 456 -7", W(L"%zu %Iu %jd", size_t(123), size_t(456), intmax_t(-7)));
  EXPECT_EQ(L"12 34", W(L"%I32d %I32u", 12, 34u));
  // "l" is 32 bits, as on Windows: a DWORD with %lu and a long with %ld both print right.
  DWORD dw = 4000000000u;
  long l = -3;
  EXPECT_EQ(L"4000000000 -3", W(L"%lu %ld", dw, l));
  // Pointers printed with %x keep the argument list in step (only the low bits show).
  int x = 0;
  EXPECT_EQ(L"id:0x1a 9", W(L"id:0x%x %d", 0x1a, 9));
  EXPECT_EQ(W(L"%x", unsigned(uintptr_t(&x))) + L" 5", W(L"%x %d", &x, 5));
  EXPECT_EQ(L"0000000000001234", W(L"%p", reinterpret_cast<void*>(0x1234)));
  EXPECT_EQ(L"00000000DEADBEEF", W(L"%p", reinterpret_cast<void*>(0xDEADBEEF)));
}

TEST(FormatTest, FloatingPoint) {
  EXPECT_EQ(L"3.14", W(L"%.2f", 3.14159));
  EXPECT_EQ(L"0003.142", W(L"%08.3f", 3.14159));
  EXPECT_EQ(L"1.500000", W(L"%f", 1.5));
  EXPECT_EQ(L"1.234568e+04 1.234568E+04", W(L"%e %E", 12345.678, 12345.678));
  EXPECT_EQ(L"0.0001 1e-05", W(L"%g %g", 0.0001, 1e-5));
  EXPECT_EQ(L"    -1.500|2.3     |", W(L"%10.3f|%-8.1f|", -1.5, 2.26));
  EXPECT_EQ(L"+1.0", W(L"%+.1f", 1.0));
  EXPECT_EQ(L"1024.00 KB", W(L"%.2f KB", 1024.0));
  EXPECT_EQ(L"2.5", W(L"%.1Lf", 2.5L));
  EXPECT_EQ(L"-001.50|+1.50  |  -inf", W(L"%07.2f|%-+7.2f|%06f", -1.5, 1.5, -HUGE_VAL));
  EXPECT_EQ(100000, _scwprintf(L"%100000.1f", 1.5));
  EXPECT_EQ("3.14 B", A("%.2f B", 3.14159));
}

TEST(FormatTest, HugePrecisionsCostOnlyWhatTheBufferTakes) {
  // Past the exact digits the text is the host printf's, zeros included.
  struct Case {
    const char* format;
    double v;
  } cases[] = {{"%.20000f", 0.1},  {"%.20000e", -1e300},   {"%#.20000g", 4.9e-324}, {"%.20000g", 1.0 / 3},
               {"%.20000a", 0.1},  {"%+030.17000f", 2.5}, {"%-.17000E", 7e-5},     {"%.20000f", -HUGE_VAL}};
  for (const Case& c : cases) {
    std::string host(size_t(snprintf(nullptr, 0, c.format, c.v)), '\0');
    snprintf(&host[0], host.size() + 1, c.format, c.v);
    EXPECT_EQ(host, A(c.format, c.v)) << c.format;
  }
  std::string hostL(size_t(snprintf(nullptr, 0, "%.20000Le", 1e-4950L)), '\0');
  snprintf(&hostL[0], hostL.size() + 1, "%.20000Le", 1e-4950L);
  EXPECT_EQ(hostL, A("%.20000Le", 1e-4950L));
  // A precision of 100,000,000 into a small buffer, and measured.
  wchar_t small[16];
  EXPECT_EQ(-1, _snwprintf(small, 16, L"%.*f", 100000000, 1.5));
  EXPECT_EQ(std::wstring(L"1.50000000000000"), std::wstring(small, 16));
  EXPECT_EQ(100000002, _scwprintf(L"%.*f", 100000000, 1.5));
  EXPECT_EQ(100000006, _scprintf("%.*e", 100000000, 1.5));
}

TEST(FormatTest, WideFormatStrings) {
  EXPECT_EQ(L"abc", W(L"%s", L"abc"));
  EXPECT_EQ(L"       abc|abc       |", W(L"%10s|%-10s|", L"abc", L"abc"));
  EXPECT_EQ(L"ab", W(L"%.2s", L"abc"));
  EXPECT_EQ(L"000ab", W(L"%05s", L"ab"));
  EXPECT_EQ(L"narrow narrow w w", W(L"%hs %S %ls %ws", "narrow", "narrow", L"w", L"w"));
  EXPECT_EQ(L"(null) (null) (nu", W(L"%s %hs %.3s", static_cast<wchar_t*>(nullptr),
                                    static_cast<char*>(nullptr), static_cast<wchar_t*>(nullptr)));
  EXPECT_EQ(L"解析 安装程序 失败", W(L"解析 %s 失败", L"安装程序"));
  // A narrow argument is text of the ANSI code page.
  EXPECT_EQ(L"安装", W(L"%hs", kAnzhuangGbk));
  EXPECT_EQ(L"安", W(L"%.1hs", kAnzhuangGbk));
  EXPECT_EQ(L"键=val;3", W(L"%s=%hs;%d", L"键", "val", 3));
  EXPECT_EQ(L"[INFO]", W(L"[%4s]", L"INFO"));
  EXPECT_EQ(L"[ERR]", W(L"[%3s]", L"ERR"));
  EXPECT_EQ(L"[2024-01-02 03:04:05][tick:123]", W(L"%s[tick:%u]", L"[2024-01-02 03:04:05]", 123u));
  EXPECT_EQ(L"2024-01-02 03:04:05", W(L"%d-%02d-%02d %02d:%02d:%02d", 2024, 1, 2, 3, 4, 5));
  EXPECT_EQ(L"0-99|100-", W(L"%I64u-%I64u|%I64u-", 0ull, 99ull, 100ull));
  EXPECT_EQ(L"::10.0.0.1:443", W(L"::%s:%u", L"10.0.0.1", 443u));
  EXPECT_EQ(L"file='a.png' corner='1,2,3,4' hole='true'",
            W(L"file='%s' corner='%u,%u,%u,%u' hole='true'", L"a.png", 1u, 2u, 3u, 4u));
}

TEST(FormatTest, CharactersStarsAndPercent) {
  EXPECT_EQ(L"安AB  x|", W(L"%c%hc%C%3c|", L'安', 'A', 'B', L'x'));
  EXPECT_EQ(L"100%", W(L"100%%"));
  EXPECT_EQ(L"   42|7   |7   |", W(L"%*d|%-*d|%*d|", 5, 42, 4, 7, -4, 7));
  EXPECT_EQ(L"3.14 ab", W(L"%.*f %.*s", 2, 3.14159, 2, L"abc"));
  EXPECT_EQ(L"3.14159", W(L"%.*g", -1, 3.14159));
  // A character 0 is written and counted like any other.
  wchar_t buf[8];
  EXPECT_EQ(3, _snwprintf(buf, 8, L"a%cb", 0));
  EXPECT_EQ(L'\0', buf[1]);
  EXPECT_EQ(L'b', buf[2]);
}

TEST(FormatTest, NarrowFormatStrings) {
  EXPECT_EQ(std::string("a|") + kAnzhuangGbk + "|b", A("%s|%S|%ls", "a", L"安装", L"b"));
  EXPECT_EQ(std::string("a") + "\xB0\xB2", A("%c%C", 'a', L'安'));
  EXPECT_EQ("\xB0\xB2", A("%.3S", L"安装"));  // whole characters only
  EXPECT_EQ("x?y", A("x%Sy", L"\U0001F600"));
  EXPECT_EQ("-5 18446744073709551615 7 ff", A("%lld %llu %ld %x", -5LL, ~0ULL, 7L, 255));
  EXPECT_EQ("(null)", A("%s", static_cast<char*>(nullptr)));
  EXPECT_EQ("   ab|", A("%5s|", "ab"));
  char buf[16];
  EXPECT_EQ(5, sprintf_s(buf, "%d-%s", 12, "ab"));
  EXPECT_STREQ("12-ab", buf);
}

TEST(FormatTest, BoundedFormattingReturnsMinusOneWhenCut) {
  wchar_t buf[8];
  wmemset(buf, L'#', 8);
  EXPECT_EQ(-1, _snwprintf(buf, 5, L"%s", L"abcdef"));
  EXPECT_EQ(std::wstring(L"abcde#"), std::wstring(buf, 6));  // no terminator
  wmemset(buf, L'#', 8);
  EXPECT_EQ(3, _snwprintf(buf, 3, L"abc"));  // exactly full: no terminator either
  EXPECT_EQ(L'#', buf[3]);
  EXPECT_EQ(3, _snwprintf(buf, 4, L"abc"));
  EXPECT_EQ(L'\0', buf[3]);
  EXPECT_EQ(5, _snwprintf(nullptr, 0, L"abc%d", 12));
  char nb[4];
  EXPECT_EQ(-1, _snprintf(nb, 4, "%d", 12345));
  EXPECT_EQ(0, memcmp(nb, "1234", 4));

  // Growing the buffer until the text fits, as the framework's string class does.
  std::wstring long_(300, L'x');
  std::wstring grow(16, L'\0');
  while (_snwprintf(&grow[0], grow.size() - 1, L"<%s>", long_.c_str()) < 0)
    grow.resize(grow.size() * 2);
  EXPECT_EQ(L"<" + long_ + L">", std::wstring(grow.c_str()));
}

TEST(FormatTest, MeasuringCounts) {
  EXPECT_EQ(5, _scwprintf(L"%s-%d", L"安装", 10));
  EXPECT_EQ(19, _scwprintf(L"%I64u", uint64_t(1) << 63));
  EXPECT_EQ(0, _scwprintf(L""));
  EXPECT_EQ(100000, _scwprintf(L"%100000d", 1));
  EXPECT_EQ(4, _scprintf("%S", L"安装"));  // GBK bytes
  EXPECT_EQ(2, _scwprintf(L"%hs", kAnzhuangGbk));
}

TEST(FormatTest, SecureFormsTruncateOrEmpty) {
  wchar_t buf[10];
  EXPECT_EQ(-1, _snwprintf_s(buf, 5, _TRUNCATE, L"abcdef"));
  EXPECT_STREQ(L"abcd", buf);
  EXPECT_EQ(3, _snwprintf_s(buf, 10, _TRUNCATE, L"abc"));
  EXPECT_STREQ(L"abc", buf);
  EXPECT_EQ(-1, _snwprintf_s(buf, 10, 2, L"abcdef"));
  EXPECT_STREQ(L"ab", buf);
  errno = 0;
  EXPECT_EQ(-1, _snwprintf_s(buf, 5, 10, L"abcdef"));
  EXPECT_STREQ(L"", buf);
  EXPECT_EQ(ERANGE, errno);
  EXPECT_EQ(-1, swprintf_s(buf, 4, L"abcd"));
  EXPECT_STREQ(L"", buf);
  EXPECT_EQ(4, swprintf_s(buf, 5, L"abcd"));
  EXPECT_STREQ(L"abcd", buf);
  EXPECT_EQ(5, swprintf_s(buf, L"%d|%s", 42, L"安装"));  // array form
  EXPECT_STREQ(L"42|安装", buf);
  char nb[6];
  EXPECT_EQ(-1, _snprintf_s(nb, _TRUNCATE, "%s", "abcdefgh"));
  EXPECT_STREQ("abcde", nb);
  EXPECT_EQ(-1, sprintf_s(nb, 3, "%d", 1234));
  EXPECT_STREQ("", nb);
  EXPECT_EQ(-1, swprintf_s(nullptr, 4, L"x"));
}

TEST(FormatTest, BadFormatsFailCleanly) {
  wchar_t buf[16] = L"keep";
  EXPECT_EQ(-1, _scwprintf(L"%y"));
  EXPECT_EQ(-1, _scwprintf(L"abc%"));
  EXPECT_EQ(-1, _scwprintf(L"%99999999999d", 1));
  EXPECT_EQ(-1, _snwprintf(buf, 16, nullptr));
  EXPECT_EQ(-1, _snwprintf(nullptr, 4, L"x"));
  // %n never writes through the argument.
  int x = 7;
  EXPECT_EQ(L"ab|1", W(L"ab%n|%d", &x, 1));
  EXPECT_EQ(7, x);
}

TEST(FormatTest, WsprintfCutsAtItsLimit) {
  std::wstring longText(2000, L'y');
  std::wstring buf(1100, L'#');
  EXPECT_EQ(1023, wsprintfW(&buf[0], L"%s", longText.c_str()));
  EXPECT_EQ(L'\0', buf[1023]);
  EXPECT_EQ(L'#', buf[1024]);
  EXPECT_EQ(5, wsprintfW(&buf[0], L"%d:%s", 7, L"abc"));
  EXPECT_STREQ(L"7:abc", buf.c_str());
}

}  // namespace
