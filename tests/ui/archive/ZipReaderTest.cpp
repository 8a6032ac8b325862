// The skin archive reader on archives built by the test.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ui/UiTestSupport.h"
#include "ui/archive/ZipReader.h"

using namespace SkinUI;
using uitest::BuildZip;
using uitest::ZipItem;

namespace {

struct Archive {
  std::string bytes;
  ZipHandle* handle;
  explicit Archive(const std::string& b) : bytes(b), handle(OpenZip(bytes.data(), static_cast<DWORD>(bytes.size()), ZIP_MEMORY)) {}
  ~Archive() {
    if (handle) CloseZip(handle);
  }
};

std::string Payload(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + (i * 7) % 26));
  return s;
}

}  // namespace

TEST(ZipReader, LookupRulesTable) {
  std::string longName(300, 'n');
  Archive a(BuildZip({{"images/btn.png", "PNGDATA"}, {"InstallPackages.xml", "<Window/>"}, {longName, "x"},
                      {"dir/", "", Z_DEFLATED, "", 0x10}}));
  ASSERT_NE(nullptr, a.handle);
  struct {
    const wchar_t* name;
    DWORD result;
    int index;
  } rows[] = {
      {L"images\\btn.png", ZR_OK, 0}, {L"IMAGES/BTN.PNG", ZR_OK, 0}, {L"images/btn.png", ZR_OK, 0},
      {L"installpackages.XML", ZR_OK, 1}, {L"images/btn", ZR_NOTFOUND, -1}, {L"", ZR_NOTFOUND, -1},
  };
  for (auto& r : rows) {
    int index = 99;
    ZipEntryInfo entry = {};
    EXPECT_EQ(r.result, FindZipItem(a.handle, r.name, &index, &entry)) << r.name;
    EXPECT_EQ(r.index, index) << r.name;
  }
  std::wstring wideLong(300, L'n');
  int index = 5;
  ZipEntryInfo untouched = {};
  untouched.unc_size = 1234;
  EXPECT_EQ(ZR_NOTFOUND, FindZipItem(a.handle, wideLong.c_str(), &index, &untouched));
  EXPECT_EQ(-1, index);
  EXPECT_EQ(1234u, untouched.unc_size);

  ZipEntryInfo e = {};
  ASSERT_EQ(ZR_OK, FindZipItem(a.handle, L"images\\btn.png", &index, &e));
  EXPECT_STREQ(L"images/btn.png", e.name);
  EXPECT_EQ(7u, e.unc_size);
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY), e.attr);
  ASSERT_EQ(ZR_OK, FindZipItem(a.handle, L"dir/", &index, &e));
  EXPECT_TRUE(e.attr & FILE_ATTRIBUTE_DIRECTORY);
  ZipEntryInfo summary = {};
  EXPECT_EQ(ZR_OK, GetZipItem(a.handle, -1, &summary));
  EXPECT_EQ(4, summary.index);
}

TEST(ZipReader, UnzipResultsAndWholeReads) {
  std::string big = Payload(100000);
  Archive a(BuildZip({{"a.txt", big}, {"s.txt", "stored text", 0}}));
  ASSERT_NE(nullptr, a.handle);
  int index = -1;
  ZipEntryInfo e = {};
  ASSERT_EQ(ZR_OK, FindZipItem(a.handle, L"a.txt", &index, &e));
  std::string out(e.unc_size, '\0');
  DWORD got = 0;
  EXPECT_EQ(ZR_MORE, UnzipItem(a.handle, index, &out[0], e.unc_size, &got));
  EXPECT_EQ(e.unc_size, got);
  EXPECT_EQ(big, out);
  EXPECT_EQ(ZR_OK, UnzipItem(a.handle, index, &out[0], e.unc_size, &got));
  EXPECT_EQ(0u, got);
  std::string again(e.unc_size, '\0');
  EXPECT_TRUE(ReadZipEntry(a.handle, index, &again[0], e.unc_size));
  EXPECT_EQ(big, again);
  // A buffer shorter than the entry is not a whole read.
  EXPECT_FALSE(ReadZipEntry(a.handle, index, &again[0], e.unc_size - 1));
  EXPECT_EQ(ZR_ARGS, UnzipItem(a.handle, 7, &out[0], 1));
  EXPECT_EQ(ZR_ARGS, CloseZip(nullptr));
  EXPECT_EQ(ZR_ARGS, UnzipItem(nullptr, 0, &out[0], 1));
  ZipHandle other = {2, nullptr};
  EXPECT_EQ(ZR_NOTUNZIP, CloseZip(&other));
  EXPECT_EQ(ZR_NOTUNZIP, FindZipItem(&other, L"a.txt", &index, &e));
}

TEST(ZipReader, NotAnArchiveAndFileSources) {
  std::string junk = "this is not a zip archive at all, just text";
  EXPECT_EQ(nullptr, OpenZip(junk.data(), static_cast<DWORD>(junk.size()), ZIP_MEMORY));
  EXPECT_EQ(nullptr, OpenZip(nullptr, 0, ZIP_MEMORY));
  EXPECT_EQ(nullptr, OpenZip(junk.data(), 10, 7));
  uitest::TempFolder folder;
  folder.Write("skin.zip", BuildZip({{"x.xml", "<a/>"}}));
  std::wstring path = folder.Win() + L"\\skin.zip";
  ZipHandle* h = OpenZip(path.c_str(), 0, ZIP_FILENAME);
  ASSERT_NE(nullptr, h);
  int index = -1;
  ZipEntryInfo e = {};
  EXPECT_EQ(ZR_OK, FindZipItem(h, L"X.XML", &index, &e));
  char buffer[4];
  EXPECT_TRUE(ReadZipEntry(h, index, buffer, 4));
  EXPECT_EQ(0, memcmp(buffer, "<a/>", 4));
  EXPECT_EQ(ZR_OK, CloseZip(h));
  EXPECT_EQ(nullptr, OpenZip((folder.Win() + L"\\missing.zip").c_str(), 0, ZIP_FILENAME));
  // A truncated archive has no directory.
  std::string whole = BuildZip({{"x.xml", Payload(5000)}});
  std::string cut = whole.substr(0, whole.size() / 2);
  EXPECT_EQ(nullptr, OpenZip(cut.data(), static_cast<DWORD>(cut.size()), ZIP_MEMORY));
}

TEST(ZipReader, CorruptEntriesAreNeverTakenAsRead) {
  std::string text = Payload(4000);
  std::string stored = BuildZip({{"s.txt", "MARKER" + text, 0}});
  size_t at = stored.find("MARKER");
  ASSERT_NE(std::string::npos, at);
  stored[at + 100] ^= 0x55;  // CRC no longer matches
  Archive a(stored);
  ASSERT_NE(nullptr, a.handle);
  int index = -1;
  ZipEntryInfo e = {};
  ASSERT_EQ(ZR_OK, FindZipItem(a.handle, L"s.txt", &index, &e));
  std::string out(e.unc_size, '\0');
  EXPECT_FALSE(ReadZipEntry(a.handle, index, &out[0], e.unc_size));

  std::string deflated = BuildZip({{"d.txt", text}});
  // Break the deflate stream just after the local header and name.
  size_t data = 30 + 5;
  for (size_t i = data; i < data + 40; ++i) deflated[i] = static_cast<char>(0xFF);
  Archive b(deflated);
  ASSERT_NE(nullptr, b.handle);
  ASSERT_EQ(ZR_OK, FindZipItem(b.handle, L"d.txt", &index, &e));
  std::string out2(e.unc_size, '\0');
  EXPECT_FALSE(ReadZipEntry(b.handle, index, &out2[0], e.unc_size));
}

TEST(ZipReader, ExtraFieldSizesAreTwoBytesAndBounded) {
  // An unknown block of 300 bytes (a one-byte size would read 44), then a "UT" block.
  std::string extra;
  uitest::AppendLe(extra, 0xCAFE, 2);
  uitest::AppendLe(extra, 300, 2);
  extra.append(300, '\x01');
  uitest::AppendLe(extra, 0x5455, 2);
  uitest::AppendLe(extra, 5, 2);
  extra.push_back(1);
  uitest::AppendLe(extra, 1000000000u, 4);  // 2001-09-09
  // A block that claims more than there is.
  std::string bad;
  uitest::AppendLe(bad, 0x5455, 2);
  uitest::AppendLe(bad, 0xFFFF, 2);
  bad.push_back(7);
  bad.append("\x01\x02", 2);
  Archive a(BuildZip({{"t.txt", "time", Z_DEFLATED, extra}, {"b.txt", "bad", Z_DEFLATED, bad}}));
  ASSERT_NE(nullptr, a.handle);
  int index = -1;
  ZipEntryInfo e = {};
  ASSERT_EQ(ZR_OK, FindZipItem(a.handle, L"t.txt", &index, &e));
  SYSTEMTIME st = {};
  FileTimeToSystemTime(&e.mtime, &st);
  EXPECT_EQ(2001, st.wYear);
  FileTimeToSystemTime(&e.atime, &st);
  EXPECT_EQ(2020, st.wYear);  // from the DOS time
  ASSERT_EQ(ZR_OK, FindZipItem(a.handle, L"b.txt", &index, &e));
  FileTimeToSystemTime(&e.mtime, &st);
  EXPECT_EQ(2020, st.wYear);
  EXPECT_EQ(5, st.wMonth);
  EXPECT_EQ(6, st.wDay);
  char out[3];
  EXPECT_TRUE(ReadZipEntry(a.handle, index, out, 3));
}
