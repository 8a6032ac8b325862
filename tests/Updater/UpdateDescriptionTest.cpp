// The update description parser and the patch step.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Updater/CUpdateInfo.h"
#include "Updater/MakePatch/CPatcher.h"
#include "commonlib/util/StringUtils.h"

namespace {

const std::string kSha(40, 'a');

CUpdateInfo::Version V(uint16_t a, uint16_t b, uint16_t c, uint16_t build = 0) {
  CUpdateInfo::Version v;
  v.major = a;
  v.minor = b;
  v.patch = c;
  v.build = static_cast<uint16_t>(0x8000 | build);
  return v;
}

// The versions of the result, joined by " ".
std::string Versions(const CUpdateInfo& info) {
  std::string out;
  for (uint32_t i = 0; i < info.GetResult().size(); ++i) {
    if (i) out += " ";
    out += StringUtils::ToUtf8(const_cast<ProtoValue&>(info.GetResult())[static_cast<int>(i)].get(L"version").string());
  }
  return out;
}

struct ParseCase {
  const char* name;
  std::string text;
  bool ok;
  const char* versions;  // of the result when ok
};

TEST(UpdateInfoTest, TextFormsAndTheirChecks) {
  const std::string u = " -url:http://h/p ";
  const ParseCase cases[] = {
      {"empty", "", true, ""},
      {"only blanks", " \t\r\n\v\f ", true, ""},
      {"bom", "\xEF\xBB\xBF" "1.0.1" + u, true, "1.0.1"},
      {"all at or below installed", "0.9.0" + u + "1.0.0" + u, true, ""},
      {"newer only", "0.9.0" + u + "1.0.0" + u + "1.2.0" + u + "2.0.0.5" + u, true, "1.2.0 2.0.0"},
      {"build decides", "1.0.0.3" + u + "1.0.0.4" + u, true, "1.0.0 1.0.0"},
      {"build at installed", "1.0.0" + u + "1.0.0.1" + u, true, "1.0.0"},
      {"same version twice", "1.1.0" + u + "1.1.0" + u, false, ""},
      {"descending", "1.2.0" + u + "1.1.0" + u, false, ""},
      {"skipped blocks keep the order", "0.5.0" + u + "0.4.0" + u, false, ""},
      {"no url", "1.1.0 -size:10", false, ""},
      {"empty url", "1.1.0 -url: -size:1", false, ""},
      {"sha1 of 39", "1.1.0" + u + "-sha1:" + kSha.substr(1), false, ""},
      {"sha1 of 40", "1.1.0" + u + "-sha1:" + kSha + " -fsha1:" + kSha, true, "1.1.0"},
      {"sha1 of 41", "1.1.0" + u + "-sha1:" + kSha + "a", false, ""},
      {"size limits", "1.1.0" + u + "-size:2147483647 -fsize:-2147483648", true, "1.1.0"},
      {"size too big", "1.1.0" + u + "-size:2147483648", false, ""},
      {"size not a number", "1.1.0" + u + "-size:12k", false, ""},
      {"size of 24 characters", "1.1.0" + u + "-size:" + std::string(23, '0') + "1", false, ""},
      {"size of 23 characters", "1.1.0" + u + "-size:" + std::string(22, '0') + "1", true, "1.1.0"},
      {"unknown key", "1.1.0" + u + "-colour:red", false, ""},
      {"flag with a value", "1.1.0" + u + "-force:1", false, ""},
      {"flags", "1.1.0" + u + "-force -reboot -auto", true, "1.1.0"},
      {"number too big", "1.65536.0" + u, false, ""},
      {"largest numbers", "65535.65535.65535.32766" + u, true, "65535.65535.65535"},
      {"build too big", "1.1.0.32767" + u, false, ""},
      {"two parts", "1.1" + u, false, ""},
      {"glued to an item", "1.1.0-url:x", false, ""},
      {"key starting with a digit", "1.1.0 -1url:x", false, ""},
      {"other section skipped", "1.1.0" + u + "other -colour:red", true, "1.1.0"},
      {"own section counts", "1.1.0 jf -url:http://h/q", true, "1.1.0"},
      {"own section checked", "1.1.0" + u + "jf -colour:red", false, ""},
      {"section glued", "1.1.0" + u + "jf:x", false, ""},
      {"stray text", "1.1.0" + u + "#", false, ""},
  };
  for (const ParseCase& k : cases) {
    CUpdateInfo info;
    info.SetInstalledVersion(V(1, 0, 0));
    info.SetProductName("jf");
    EXPECT_EQ(k.ok, info.Parse(k.text.c_str())) << k.name;
    if (k.ok) {
      EXPECT_EQ(k.versions, Versions(info)) << k.name;
    }
  }
}

TEST(UpdateInfoTest, RecordsFlagsAndReset) {
  CUpdateInfo info;
  info.SetProductName("jf");
  const std::string text = "1.0.0 -url:http://a/1\n"
                           "2.0.0.7\n -url:http://a/2\n -size:120 -sha1:" + kSha + "\n -force\n"
                           "other\n -url:http://other/ -reboot\n"
                           "jf\n -furl:http://a/f -fsize:9 -auto\n";
  // Without an installed version every block is newer.
  ASSERT_TRUE(info.Parse(text.c_str()));
  ASSERT_EQ(2u, info.GetResult().size());
  ProtoValue result = info.GetResult();
  const ProtoValue& second = result[1];
  EXPECT_EQ(L"2.0.0", second.get(L"version").string());
  EXPECT_EQ(L"http://a/2", second.get(L"url").string());
  EXPECT_EQ(120, second.get(L"size").integer());
  EXPECT_EQ(StringUtils::FromUtf8(kSha), second.get(L"sha1").string());
  EXPECT_EQ(1, second.get(L"force").integer());
  EXPECT_EQ(L"http://a/f", second.get(L"furl").string());
  EXPECT_EQ(9, second.get(L"fsize").integer());
  EXPECT_EQ(1, second.get(L"auto").integer());
  EXPECT_TRUE(second.get(L"reboot").isNull());  // only in the other product's section
  EXPECT_TRUE(info.IsForce());
  EXPECT_TRUE(info.IsAuto());
  EXPECT_FALSE(info.IsReboot());
  EXPECT_EQ(7, info.GetLastVersion().Build());
  EXPECT_EQ(L"2.0.0", CUpdateInfo::FormatVersion(info.GetLastVersion()));

  info.Reset();
  EXPECT_EQ(0u, info.GetResult().size());
  EXPECT_FALSE(info.GetLastVersion().IsValid());
  EXPECT_FALSE(info.IsForce() || info.IsAuto() || info.IsReboot());
  EXPECT_FALSE(info.Parse(nullptr));
}

TEST(UpdateInfoTest, VersionsCompareOnlyWhenBothAreValid) {
  CUpdateInfo::Version none;
  EXPECT_FALSE(none.IsValid());
  EXPECT_FALSE(CUpdateInfo::IsGreater(V(1, 0, 0), none));
  EXPECT_FALSE(CUpdateInfo::IsGreater(none, V(1, 0, 0)));
  EXPECT_TRUE(CUpdateInfo::IsGreater(V(1, 0, 1), V(1, 0, 0, 9)));
  EXPECT_TRUE(CUpdateInfo::IsGreater(V(1, 1, 0), V(1, 0, 9)));
  EXPECT_TRUE(CUpdateInfo::IsGreater(V(2, 0, 0), V(1, 9, 9)));
  EXPECT_TRUE(CUpdateInfo::IsGreater(V(1, 0, 0, 2), V(1, 0, 0, 1)));
  EXPECT_FALSE(CUpdateInfo::IsGreater(V(1, 0, 0, 1), V(1, 0, 0, 1)));
  EXPECT_EQ(L"65535.0.12", CUpdateInfo::FormatVersion(V(65535, 0, 12, 4)));
}

struct PatchOutcome {
  int calls = 0;
  int32_t et = -1, ec = -1;
};
void OnPatched(void* user, int32_t et, int32_t ec) {
  PatchOutcome* o = static_cast<PatchOutcome*>(user);
  ++o->calls;
  o->et = et;
  o->ec = ec;
}

TEST(PatcherTest, NeverStartedStopsAtOnceAndAPatchRunReportsZero) {
  {
    CPatcher idle;
    const DWORD start = GetTickCount();
    EXPECT_TRUE(idle.DestroyThread(3000));
    EXPECT_TRUE(idle.DestroyThread(3000));  // the window stops it twice
    EXPECT_LT(GetTickCount() - start, 100u);
    EXPECT_EQ(nullptr, idle.GetThreadHandle());
  }
  CPatcher patcher;
  PatchOutcome out;
  patcher.SetPaths(L"C:\\p\\patch.7z", L"C:\\install", L"C:\\tmp");
  patcher.SetResultCallback(&OnPatched, &out);
  ASSERT_TRUE(patcher.Start());
  EXPECT_TRUE(patcher.DestroyThread(3000));
  EXPECT_EQ(1, out.calls);
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(0, out.ec);
  const ProtoValue& options = patcher.GetOptions();
  ASSERT_EQ(1u, options.get(L"reserved_file").size());
  EXPECT_EQ(L"update.ini", const_cast<ProtoValue&>(options)[L"reserved_file"][0].string());
  EXPECT_EQ(PV_ARRAY, options.get(L"tmp_file").type());
  EXPECT_EQ(0u, options.get(L"tmp_file").size());
  EXPECT_EQ(PV_ARRAY, options.get(L"real_file").type());
}

}  // namespace
