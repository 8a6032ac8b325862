#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "commonlib/util/MD5.h"

namespace {

std::string Digest(const std::string& s) {
  MD5 md5(reinterpret_cast<const unsigned char*>(s.data()), static_cast<uint32_t>(s.size()));
  return md5.hex_digest();
}

std::vector<int64_t> g_progress;
void RecordProgress(int64_t done) { g_progress.push_back(done); }

}  // namespace

namespace {

struct Md5Vector {
  const char* text;
  const char* digest;
};

class Md5VectorTest : public ::testing::TestWithParam<Md5Vector> {};

}  // namespace

TEST_P(Md5VectorTest, DigestOfTheText) { EXPECT_EQ(Digest(GetParam().text), GetParam().digest); }

INSTANTIATE_TEST_SUITE_P(Rfc1321, Md5VectorTest, ::testing::Values(
    Md5Vector{"", "d41d8cd98f00b204e9800998ecf8427e"},
    Md5Vector{"a", "0cc175b9c0f1b6a831c399e269772661"},
    Md5Vector{"abc", "900150983cd24fb0d6963f7d28e17f72"},
    Md5Vector{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    Md5Vector{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    Md5Vector{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
              "d174ab98d277d9f5a5611c2c9f419d9f"},
    Md5Vector{"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
              "57edf4a22be3c955ac49da2e2107b67a"}));

TEST(Md5Test, FinalDigestRefusesMoreInputAndHasAWideForm) {
  std::string data(1000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
  MD5 whole(reinterpret_cast<const unsigned char*>(data.data()), static_cast<uint32_t>(data.size()));

  MD5 pieces(reinterpret_cast<const unsigned char*>(""), 0);
  std::string expected = whole.hex_digest();
  // An object that is already final refuses more input and a second finalize.
  pieces.update(reinterpret_cast<const unsigned char*>("x"), 1);
  pieces.finalize();
  EXPECT_STREQ(pieces.hex_digest(), "d41d8cd98f00b204e9800998ecf8427e");

  wchar_t wide[33];
  whole.hex_digest_wide(wide);
  std::wstring w(wide);
  EXPECT_EQ(std::string(w.begin(), w.end()), expected);
}

TEST(Md5Test, FileDigestReportsProgressPerKilobyteAndClosesFile) {
  char dir[] = "/tmp/jf_md5_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string path = std::string(dir) + "/data.bin";
  std::string data(2500, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(data.data(), 1, data.size(), f);
  fclose(f);

  g_progress.clear();
  MD5::SetProgressHook(&RecordProgress);
  f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  MD5 fromFile(f);  // closes f
  MD5::SetProgressHook(nullptr);
  EXPECT_EQ(g_progress, (std::vector<int64_t>{1024, 2048, 2500}));
  EXPECT_EQ(std::string(fromFile.hex_digest()), Digest(data));

  // Past one read of the file form: steps stay 1,024 bytes, the digest is the same.
  std::string big(700000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7) % 253);
  f = fopen(path.c_str(), "wb");
  fwrite(big.data(), 1, big.size(), f);
  fclose(f);
  g_progress.clear();
  MD5::SetProgressHook(&RecordProgress);
  MD5 bigFile(fopen(path.c_str(), "rb"));
  MD5::SetProgressHook(nullptr);
  ASSERT_EQ(g_progress.size(), (big.size() + 1023) / 1024);
  for (size_t i = 0; i + 1 < g_progress.size(); ++i) EXPECT_EQ(g_progress[i], static_cast<int64_t>(1024 * (i + 1)));
  EXPECT_EQ(g_progress.back(), static_cast<int64_t>(big.size()));
  EXPECT_EQ(std::string(bigFile.hex_digest()), Digest(big));

  // From the stream's position, whatever the stream had read ahead.
  f = fopen(path.c_str(), "rb");
  for (int i = 0; i < 100; ++i) fgetc(f);
  MD5 rest(f);
  EXPECT_EQ(std::string(rest.hex_digest()), Digest(big.substr(100)));

  // An empty file: no progress, the empty digest.
  std::string empty = std::string(dir) + "/empty.bin";
  fclose(fopen(empty.c_str(), "wb"));
  g_progress.clear();
  MD5::SetProgressHook(&RecordProgress);
  MD5 none(fopen(empty.c_str(), "rb"));
  MD5::SetProgressHook(nullptr);
  EXPECT_TRUE(g_progress.empty());
  EXPECT_STREQ(none.hex_digest(), "d41d8cd98f00b204e9800998ecf8427e");

  unlink(path.c_str());
  unlink(empty.c_str());
  rmdir(dir);
}

namespace {

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 13) % 251);
  return data;
}

}  // namespace

TEST(Md5Test, FileDigestOfAPipeStartsWithWhatTheStreamReadAhead) {
  const std::string data = Pattern(700000);
  int fds[2];
  ASSERT_EQ(0, pipe(fds));
  std::thread writer([&] {
    for (size_t at = 0; at < data.size();) {
      ssize_t n = write(fds[1], data.data() + at, data.size() - at);
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    close(fds[1]);
  });
  FILE* f = fdopen(fds[0], "rb");
  ASSERT_NE(f, nullptr);
  // The stream reads a whole buffer of the pipe for these bytes.
  for (int i = 0; i < 100; ++i) fgetc(f);
  g_progress.clear();
  MD5::SetProgressHook(&RecordProgress);
  MD5 rest(f);  // closes f
  MD5::SetProgressHook(nullptr);
  writer.join();
  EXPECT_EQ(std::string(rest.hex_digest()), Digest(data.substr(100)));
  ASSERT_FALSE(g_progress.empty());
  EXPECT_EQ(g_progress.back(), static_cast<int64_t>(data.size() - 100));
}

namespace {

const int kNoLimit = 77;

// In a child process: no further thread can start. A process limit of 0 holds only an
// unprivileged user, so a privileged child becomes nobody first.
void LimitThreadsOrExit() {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(kNoLimit);
  struct rlimit none = {0, 0};
  if (setrlimit(RLIMIT_NPROC, &none) != 0) _exit(kNoLimit);
  try {
    std::thread([] {}).join();
  } catch (const std::system_error&) {
    return;
  }
  _exit(kNoLimit);
}

}  // namespace

TEST(Md5Test, FileDigestWithoutASecondThreadDigestsInPlaceAndClosesTheFile) {
  // The child starts afresh: no thread of an earlier test holds a lock in it.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  char dir[] = "/tmp/jf_md5_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/data.bin";
  const std::string data = Pattern(1000000);
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(data.data(), 1, data.size(), f);
  fclose(f);
  // Readable for the unprivileged child.
  chmod(dir, 0755);
  chmod(path.c_str(), 0644);
  const std::string expected = Digest(data.substr(10));
  int code = -1;
  EXPECT_EXIT(
      {
        FILE* in = fopen(path.c_str(), "rb");
        if (in == nullptr) _exit(2);
        // The child's own copy (the test ran afresh in it) goes while it is open.
        unlink(path.c_str());
        rmdir(dir);
        for (int i = 0; i < 10; ++i) fgetc(in);
        const int fd = fileno(in);
        LimitThreadsOrExit();
        MD5 digest(in);
        if (expected != digest.hex_digest()) _exit(3);
        _exit(fcntl(fd, F_GETFD) == -1 ? 0 : 4);
      },
      [&code](int status) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return true;
      },
      "");
  unlink(path.c_str());
  rmdir(dir);
  if (code == kNoLimit) GTEST_SKIP() << "no process limit holds here";
  EXPECT_EQ(0, code) << "1: the digest threw, 2: no file, 3: wrong digest, 4: file left open, below 0: a signal";
}
