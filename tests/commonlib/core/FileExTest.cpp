#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/core/CapturedLog.h"
#include "commonlib/core/CFileEx.h"

namespace {

class FileExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/jf_fileex_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
  }
  void TearDown() override { (void)system(("rm -rf '" + m_dir + "'").c_str()); }

  std::string Host(const std::string& name) const { return m_dir + "/" + name; }
  std::wstring Win(const std::string& name) const { return CapturedLog::WindowsPath(Host(name)); }
  void Put(const std::string& name, const std::string& data) const {
    std::ofstream(Host(name), std::ios::binary) << data;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(Host(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::string m_dir;
};

template <class Fn>
CFileExException Thrown(Fn fn) {
  try {
    fn();
  } catch (CFileExException& e) {
    return e;
  }
  ADD_FAILURE() << "no CFileExException";
  return CFileExException();
}

}  // namespace

TEST_F(FileExTest, OpenFailureFillsTheOutParameterAndNeverThrows) {
  CFileEx f;
  CFileExException error;
  EXPECT_FALSE(f.Open(Win("missing.bin").c_str(), 0, &error));
  EXPECT_EQ(error.GetCode(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(error.GetMessage(), L"INVALID_HANDLE_VALUE");
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.Open(Win("nodir/x.bin").c_str(), CFileEx::modeWrite | CFileEx::modeCreate, &error));
  EXPECT_EQ(error.GetCode(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(f.Open(Win("missing.bin").c_str(), 0, nullptr));
}

TEST_F(FileExTest, CreateFlagsTruncateOrKeep) {
  Put("a.bin", "0123456789");
  CFileEx f;
  ASSERT_TRUE(f.Open(Win("a.bin").c_str(), 0x3000 | CFileEx::modeReadWrite, nullptr));
  EXPECT_EQ(f.SeekToEnd(), 10u);
  f.Close();
  EXPECT_EQ(Get("a.bin"), "0123456789");

  // The installer-information file's flags: write, share read, not inherited, create.
  ASSERT_TRUE(f.Open(Win("a.bin").c_str(), 0x90A1, nullptr));
  f.Write("abc", 3);
  f.Flush();
  EXPECT_EQ(f.GetPosition(), 3u);
  f.Close();
  EXPECT_EQ(Get("a.bin"), "abc");

  // Without 0x1000 a missing file is not created, 0x2000 alone notwithstanding.
  EXPECT_FALSE(f.Open(Win("new.bin").c_str(), 0x2001, nullptr));
  ASSERT_TRUE(f.Open(Win("new.bin").c_str(), 0x3001, nullptr));
  f.Close();
  EXPECT_EQ(access(Host("new.bin").c_str(), F_OK), 0);
}

TEST_F(FileExTest, ReadSeekAndLength) {
  Put("b.bin", "0123456789");
  CFileEx f;
  ASSERT_TRUE(f.Open(Win("b.bin").c_str(), CFileEx::modeReadWrite, nullptr));
  char buf[16] = {0};
  EXPECT_EQ(f.Read(buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(f.Seek(-2, CFileEx::end), 8u);
  EXPECT_EQ(f.Read(buf, 16), 2u);
  EXPECT_EQ(f.Read(buf, 16), 0u);
  EXPECT_EQ(f.Read(buf, 0), 0u);
  f.SetLength(4);
  EXPECT_EQ(f.GetPosition(), 4u);
  f.SetLength(0);
  EXPECT_EQ(f.GetPosition(), 0u);
  EXPECT_EQ(f.SeekToEnd(), 0u);
  f.Close();
  EXPECT_EQ(Get("b.bin"), "");
}

TEST_F(FileExTest, FailedOperationsThrowWithTheSystemError) {
  Put("c.bin", "data");
  CFileEx f;
  ASSERT_TRUE(f.Open(Win("c.bin").c_str(), CFileEx::modeRead, nullptr));
  CFileExException w = Thrown([&] { f.Write("x", 1); });
  EXPECT_EQ(w.GetCode(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(w.GetMessage(), Win("c.bin"));
  EXPECT_EQ(w.GetFile(), L".\\core\\FileEx.h");
  EXPECT_EQ(w.GetLine(), 28);
  f.Write("x", 0);  // nothing to write: no system call, no throw
  EXPECT_NE(Thrown([&] { f.Seek(-5, CFileEx::begin); }).GetCode(), 0);
  EXPECT_EQ(Thrown([&] { f.Seek(0, 7); }).GetMessage(), L"");
  f.Close();
  f.Close();  // closed already: nothing, no throw
  f.Flush();  // closed: nothing

  ASSERT_TRUE(f.Open(Win("c.bin").c_str(), CFileEx::modeWrite, nullptr));
  char buf[4];
  EXPECT_EQ(Thrown([&] { f.Read(buf, 4); }).GetCode(), ERROR_ACCESS_DENIED);
  f.Abort();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(f.GetFileName(), L"");
  EXPECT_NE(Thrown([&] { f.GetPosition(); }).GetCode(), 0);
}

TEST_F(FileExTest, SharingIsEnforcedAndTheDestructorCloses) {
  Put("d.bin", "x");
  {
    CFileEx first;
    ASSERT_TRUE(first.Open(Win("d.bin").c_str(), CFileEx::modeRead | CFileEx::shareExclusive, nullptr));
    CFileEx second;
    CFileExException error;
    EXPECT_FALSE(second.Open(Win("d.bin").c_str(), CFileEx::modeRead | CFileEx::shareDenyNone, &error));
    EXPECT_EQ(error.GetCode(), ERROR_SHARING_VIOLATION);
  }
  // The destructor released the first handle.
  CFileEx again;
  EXPECT_TRUE(again.Open(Win("d.bin").c_str(), CFileEx::modeRead | CFileEx::shareExclusive, nullptr));
}
