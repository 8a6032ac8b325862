#include "commonlib/CTaskMetaFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"
#include "commonlib/CTaskLog.h"
#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/thread/CRefPtr.h"

namespace {

const wchar_t kMd5[] = L"0123456789abcdef0123456789abcdef";

std::string Bytes(const ProtoValue& v) {
  std::string out;
  ProtoValueToBytes(out, v);
  return out;
}

ProtoValue Decode(const std::string& bytes) {
  ProtoValue v;
  EXPECT_TRUE(ProtoValueFromBytes(v, bytes));
  return v;
}

class CTaskMetaFileTest : public ::testing::Test {
 protected:
  std::wstring ResumePath() { return dir.Win(L"f.exe.vrdt.vrmt"); }
  // A resume file written the way the task writes it: one block half done.
  void SaveTypical(int64_t size = 3000000) {
    CTaskMetaFile meta;
    meta.SetPath(ResumePath());
    CRefPtr<CTaskLog> log(new CTaskLog());
    log->AddLine(L"任务状态", L"开始下载:x");
    log->AddSourceBytes(L"127.0.0.2", 500000);
    log->AddSourceTime(L"127.0.0.2", 2000);
    GapList free;
    free.AddRange(500000, 1310719);
    free.AddRange(1310720, size - 1);
    meta.Build(1700000000, size, kMd5, 0, 1234, log.get(), free);
    ASSERT_TRUE(meta.Save());
  }
  TempFolder dir;
};

TEST_F(CTaskMetaFileTest, SavedFileHoldsTheKeysInOrderAndNoWriteAheadFileRemains) {
  SaveTypical();
  EXPECT_FALSE(dir.Exists("f.exe.vrdt.vrmt.mbk"));
  std::string bytes = dir.Read("f.exe.vrdt.vrmt");
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], 6);  // a map
  ProtoValue v = Decode(bytes);
  std::wstring keys;
  for (const auto& e : *v.map()) keys += e.first + L",";
  EXPECT_EQ(keys, L"ct,fh,fs,ft,gl,log,ps,");
  EXPECT_EQ(v.get(L"ct").integer(), 1234);
  EXPECT_EQ(v.get(L"fh").string(), kMd5);
  EXPECT_EQ(v.get(L"fs").integer(), 3000000);
  EXPECT_EQ(v.get(L"ft").integer(), 1700000000);
  EXPECT_EQ(v.get(L"ps").integer(), 0);
  ASSERT_EQ(v.get(L"gl").size(), 2u);
  const ProtoValue::Array& gl = *v.get(L"gl").array();
  EXPECT_EQ(gl[0].get(L"start").integer(), 500000);
  EXPECT_EQ(gl[0].get(L"end").integer(), 1310719);
  EXPECT_EQ(gl[1].get(L"start").integer(), 1310720);
  EXPECT_EQ(gl[1].get(L"end").integer(), 2999999);
  EXPECT_FALSE(v.has(L"is_cdn"));
  const ProtoValue& log = v.get(L"log");
  EXPECT_EQ(log.get(L"tl").size(), 1u);
  EXPECT_EQ(log.get(L"ws").get(L"127.0.0.2").integer(), 500000);
  EXPECT_EQ(log.get(L"it").get(L"127.0.0.2").integer(), 2000);
  // An empty "nt" array is written as such (and reads back as nothing).
  EXPECT_TRUE(log.get(L"nt").isNull() || log.get(L"nt").size() == 0u);

  CTaskMetaFile reread;
  ASSERT_TRUE(reread.LoadFile(ResumePath()));
  EXPECT_EQ(reread.GetDownloadedSize(), 3000000 - (3000000 - 500000));
}

TEST_F(CTaskMetaFileTest, RestoreTakesBackRangesCountersAndLog) {
  SaveTypical();
  CTaskMetaFile meta;
  GapList gaps;
  CTaskMetaFile::Resume resume;
  CRefPtr<CTaskLog> log(new CTaskLog());
  ASSERT_TRUE(meta.Restore(ResumePath(), 3000000, L"0123456789ABCDEF0123456789ABCDEF", 1700000000,
                           gaps, resume, log.get()));
  EXPECT_EQ(gaps.Count(), 2u);
  EXPECT_EQ(gaps.MissingBytesUpTo(2999999), 2500000u);
  EXPECT_EQ(resume.elapsedMs, 1234);
  EXPECT_FALSE(resume.isCdn);
  EXPECT_EQ(log->m_lines.size(), 1u);
  EXPECT_EQ(log->m_bytesPerSource[L"127.0.0.2"], 500000);
  EXPECT_EQ(meta.GetPath(), ResumePath());
  EXPECT_EQ(meta.GetDownloadedSize(), 500000);

  // A file without "gl" means every byte is present.
  CTaskMetaFile full;
  full.SetPath(ResumePath());
  full.Build(1, 10, kMd5, 0, 0, nullptr, GapList());
  full.m_value[L"is_cdn"] = ProtoValue(1);
  ASSERT_TRUE(full.Save());
  GapList none;
  none.AddRange(0, 5);
  ASSERT_TRUE(meta.Restore(ResumePath(), 10, kMd5, 1, none, resume, nullptr));
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_TRUE(resume.isCdn);
  EXPECT_EQ(meta.GetDownloadedSize(), 10);
}

TEST_F(CTaskMetaFileTest, ForeignResumeFilesStartFreshAndRangesAreClippedToTheFile) {
  SaveTypical();
  CTaskMetaFile meta;
  GapList gaps;
  CTaskMetaFile::Resume resume;
  // Another size: the saved ranges say nothing about this file.
  EXPECT_FALSE(meta.Restore(ResumePath(), 4000000, kMd5, 0, gaps, resume, nullptr));
  EXPECT_TRUE(gaps.IsEmpty());
  // Another digest.
  EXPECT_FALSE(meta.Restore(ResumePath(), 3000000, L"ffffffffffffffffffffffffffffffff", 0, gaps,
                            resume, nullptr));
  EXPECT_TRUE(gaps.IsEmpty());
  EXPECT_EQ(resume.elapsedMs, 0);

  // Ranges reaching past the file's end (or below 0) are cut to it.
  CTaskMetaFile odd;
  odd.SetPath(ResumePath());
  GapList wide;
  wide.AddRange(90, 150);
  wide.AddRange(200, 300);
  odd.Build(1, 100, kMd5, 0, 0, nullptr, wide);
  odd.m_value[L"gl"].append(ProtoValue(PV_MAP));
  (*const_cast<ProtoValue::Array*>(odd.m_value[L"gl"].array()))[2][L"start"] = ProtoValue(-5);
  (*const_cast<ProtoValue::Array*>(odd.m_value[L"gl"].array()))[2][L"end"] = ProtoValue(3);
  ASSERT_TRUE(odd.Save());
  ASSERT_TRUE(meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, nullptr));
  std::vector<std::pair<int64_t, int64_t>> got;
  for (const auto& r : gaps) got.emplace_back(r.first, r.last);
  EXPECT_EQ(got, (std::vector<std::pair<int64_t, int64_t>>{{0, 3}, {90, 99}}));
  EXPECT_EQ(meta.GetDownloadedSize(), 100 - 14);
}

TEST_F(CTaskMetaFileTest, DamagedEmptyMissingAndWronglyTypedFilesCountAsAbsent) {
  CTaskMetaFile meta;
  GapList gaps;
  CTaskMetaFile::Resume resume;
  CRefPtr<CTaskLog> log(new CTaskLog());
  EXPECT_FALSE(meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, log.get()));  // missing

  dir.Write("f.exe.vrdt.vrmt", "");
  EXPECT_FALSE(meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, log.get()));
  dir.Write("f.exe.vrdt.vrmt", std::string("\x06\xff\xff\xff", 4));  // cut short
  EXPECT_FALSE(meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, log.get()));
  dir.Write("f.exe.vrdt.vrmt", Bytes(ProtoValue(7)));  // not a map
  EXPECT_FALSE(meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, log.get()));

  auto wrong = [&](const wchar_t* key, const ProtoValue& value) {
    ProtoValue v;
    v[L"fs"] = ProtoValue(100);
    v[L"fh"] = ProtoValue(kMd5);
    v[L"gl"][0][L"start"] = ProtoValue(0);
    v[L"gl"][0][L"end"] = ProtoValue(9);
    v[L"log"][L"tl"][0] = ProtoValue(L"line");
    v[key] = value;
    dir.Write("f.exe.vrdt.vrmt", Bytes(v));
    gaps.AddRange(50, 60);
    bool ok = meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, log.get());
    EXPECT_EQ(gaps.MissingBytesUpTo(99), ok ? 10u : 0u) << std::string(key, key + wcslen(key));
    return ok;
  };
  EXPECT_TRUE(wrong(L"ps", ProtoValue(0)));  // the well-formed base case
  EXPECT_EQ(log->m_lines.size(), 1u) << "restored once";
  log->m_lines.clear();
  EXPECT_FALSE(wrong(L"ps", ProtoValue(L"zero")));
  EXPECT_FALSE(wrong(L"ct", ProtoValue(1.5)));
  EXPECT_FALSE(wrong(L"fs", ProtoValue(L"100")));
  EXPECT_FALSE(wrong(L"gl", ProtoValue(L"0-9")));
  ProtoValue badRange;
  badRange[0][L"start"] = ProtoValue(L"0");
  EXPECT_FALSE(wrong(L"gl", badRange));
  ProtoValue badLog;
  badLog[L"tl"][0] = ProtoValue(5);
  EXPECT_FALSE(wrong(L"log", badLog));
  EXPECT_FALSE(wrong(L"log", ProtoValue(L"text")));
  // Counters out of what the file and a clock allow.
  const long long huge = 1LL << 62;
  EXPECT_FALSE(wrong(L"ct", ProtoValue(huge)));
  EXPECT_FALSE(wrong(L"ct", ProtoValue(-1LL)));
  EXPECT_FALSE(wrong(L"ps", ProtoValue(101LL)));
  EXPECT_FALSE(wrong(L"ps", ProtoValue(-5LL)));
  for (const wchar_t* part : {L"ws", L"it"}) {
    ProtoValue counters;
    counters[L"tl"][0] = ProtoValue(L"line");
    counters[part][L"127.0.0.2"] = ProtoValue(huge);
    EXPECT_FALSE(wrong(L"log", counters));
    counters[part][L"127.0.0.2"] = ProtoValue(-1LL);
    EXPECT_FALSE(wrong(L"log", counters));
  }
  // More ranges than a download leaves.
  ProtoValue many;
  for (int i = 0; i <= static_cast<int>(CTaskMetaFile::kMaxRanges); ++i) {
    many[i][L"start"] = ProtoValue(static_cast<long long>(i % 50 * 2));
    many[i][L"end"] = ProtoValue(static_cast<long long>(i % 50 * 2));
  }
  EXPECT_FALSE(wrong(L"gl", many));
  EXPECT_TRUE(log->m_lines.empty()) << "a rejected file leaves the log alone";
}

TEST_F(CTaskMetaFileTest, AFolderInPlaceOfTheResumeFileCountsAsAbsent) {
  ASSERT_EQ(mkdir(dir.Host("f.exe.vrdt.vrmt").c_str(), 0700), 0);
  CTaskMetaFile meta;
  GapList gaps;
  CTaskMetaFile::Resume resume;
  EXPECT_FALSE(meta.Restore(ResumePath(), 100, kMd5, 0, gaps, resume, nullptr));
  EXPECT_TRUE(gaps.IsEmpty());
}

TEST_F(CTaskMetaFileTest, OversizedFilesAreNotRead) {
  dir.Write("f.exe.vrdt.vrmt", std::string(static_cast<size_t>(CTaskMetaFile::kMaxFileSize) + 1, '\x06'));
  CTaskMetaFile meta;
  EXPECT_FALSE(meta.LoadFile(ResumePath()));
  EXPECT_TRUE(meta.m_value.isNull());
}

TEST_F(CTaskMetaFileTest, SaveFailuresAreReportedAndKeepThePreviousFile) {
  CTaskMetaFile empty;
  empty.SetPath(ResumePath());
  EXPECT_FALSE(empty.Save());  // nothing to write

  SaveTypical();
  std::string before = dir.Read("f.exe.vrdt.vrmt");
  // The write-ahead name is taken by a folder: the save fails, the old file stays.
  ASSERT_EQ(mkdir(dir.Host("f.exe.vrdt.vrmt.mbk").c_str(), 0700), 0);
  CTaskMetaFile meta;
  meta.SetPath(ResumePath());
  meta.Build(2, 3000000, kMd5, 0, 99, nullptr, GapList());
  EXPECT_FALSE(meta.Save());
  EXPECT_EQ(dir.Read("f.exe.vrdt.vrmt"), before);
  rmdir(dir.Host("f.exe.vrdt.vrmt.mbk").c_str());

  // A folder that does not exist.
  CTaskMetaFile lost;
  lost.SetPath(dir.Win(L"none\\f.vrmt"));
  lost.Build(2, 10, kMd5, 0, 0, nullptr, GapList());
  EXPECT_FALSE(lost.Save());

  // A full disk while writing: caught, the handle let go, the old file kept.
  ASSERT_EQ(symlink("/dev/full", dir.Host("f.exe.vrdt.vrmt.mbk").c_str()), 0);
  meta.Build(3, 3000000, kMd5, 0, 99, nullptr, GapList());
  EXPECT_FALSE(meta.Save());
  EXPECT_EQ(dir.Read("f.exe.vrdt.vrmt"), before);
  unlink(dir.Host("f.exe.vrdt.vrmt.mbk").c_str());

  // A shorter save over a longer one leaves exactly the new bytes.
  meta.Build(2, 3000000, kMd5, 0, 99, nullptr, GapList());
  ASSERT_TRUE(meta.Save());
  EXPECT_EQ(dir.Read("f.exe.vrdt.vrmt"), Bytes(meta.m_value));
}

// The copy of this program that the count below runs under strace: saves the number of
// times its environment asks for into the folder it names.
TEST(CTaskMetaFileSaveChild, SavesAsOftenAsAsked) {
  const char* saves = std::getenv("JF_META_SAVES");
  const char* folder = std::getenv("JF_META_FOLDER");
  if (!saves || !folder) GTEST_SKIP() << "run by CTaskMetaFileTest.ASaveIsAHandfulOfSystemCalls";
  CTaskMetaFile meta;
  meta.SetPath(jf::WinPathFromHost(std::string(folder) + "/f.exe.vrdt.vrmt"));
  GapList free;
  free.AddRange(1310720, 9999999);
  for (int i = 0, n = std::atoi(saves); i < n; ++i) {
    meta.Build(1700000000, 10000000, kMd5, 0, i, nullptr, free);
    ASSERT_TRUE(meta.Save());
  }
}

// System calls by name of a copy of this program that saves `saves` times.
std::map<std::string, long> CountCalls(const TempFolder& dir, int saves) {
  std::string out = dir.Host("calls-" + std::to_string(saves) + ".txt");
  char self[4096] = {};
  EXPECT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
  std::string command = "JF_META_SAVES=" + std::to_string(saves) + " JF_META_FOLDER=" + dir.Host() +
                        " strace -f -c -U calls,name -o " + out +
                        " " + self + " --gtest_filter=CTaskMetaFileSaveChild.* > /dev/null 2>&1";
  // The shell is the child here; its own calls are the same in every count.
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::map<std::string, long> calls;
  std::ifstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    long n = 0;
    std::string name;
    if (fields >> n >> name) calls[name] = n;
  }
  return calls;
}

// A save writes the new file and puts it in place of the old one: no folder listings, no
// path looked up again and again. A kill between saves keeps the previous file whole.
TEST_F(CTaskMetaFileTest, ASaveIsAHandfulOfSystemCalls) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own calls (pipes, files) blur the count";
#endif
  // A machine may lack strace or forbid tracing (a container without ptrace).
  if (std::system("strace -o /dev/null true > /dev/null 2>&1") != 0) GTEST_SKIP() << "strace cannot trace here";
  const int kSaves = 40;
  std::map<std::string, long> base = CountCalls(dir, 0);
  std::map<std::string, long> many = CountCalls(dir, kSaves);
  ASSERT_GT(base["total"], 0);
  // The heap's calls are the allocator's business (and many more in a sanitizer build).
  long calls = many["total"] - base["total"];
  for (const char* heap : {"mmap", "munmap", "mprotect", "brk", "madvise", "mremap"}) calls -= many[heap] - base[heap];
  EXPECT_LE(static_cast<double>(calls) / kSaves, 9.0);  // create (3), write, close, replace (4)
  EXPECT_EQ(many["getdents64"], base["getdents64"]);
  // Every save replaces the file by name (the program's other threads may rename a log).
  EXPECT_GE(many["rename"] + many["renameat2"] - base["rename"] - base["renameat2"], kSaves);
  EXPECT_FALSE(dir.Exists("f.exe.vrdt.vrmt.mbk"));
  CTaskMetaFile reread;
  ASSERT_TRUE(reread.LoadFile(ResumePath()));
  EXPECT_EQ(reread.m_value.get(L"ct").integer(), kSaves - 1);
}

}  // namespace
