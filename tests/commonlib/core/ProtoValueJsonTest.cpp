#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "tests/support/core/CapturedLog.h"
#include "commonlib/core/ProtoValueJsonConvertor.h"
#include "commonlib/logger/FileLogger.h"

using ProtoValueJsonConvertor::FromJson;
using ProtoValueJsonConvertor::ToJson;

TEST(ProtoValueJsonTest, FromJsonMapsEveryJsonKind) {
  ProtoValue v;
  ASSERT_TRUE(FromJson(L"{\"a\": [1, true, \"x\"], \"r\": 1.5, \"u\": 18446744073709551615,"
                       L" \"n\": null, \"f\": false, \"t\": \"\u4e2d\U0001F600\"}",
                       v));
  ASSERT_EQ(v.type(), PV_MAP);
  const ProtoValue& a = v.get(L"a");
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a.array()->at(0).integer(), 1);
  EXPECT_EQ(a.array()->at(1).integer(), 1);
  EXPECT_EQ(a.array()->at(2).string(), L"x");
  EXPECT_EQ(v.get(L"r").type(), PV_REAL);
  EXPECT_DOUBLE_EQ(v.get(L"r").real(), 1.5);
  EXPECT_EQ(v.get(L"u").integer(), -1);
  EXPECT_TRUE(v.has(L"n"));
  EXPECT_TRUE(v.get(L"n").isNull());
  EXPECT_EQ(v.get(L"f").integer(), 0);
  EXPECT_EQ(v.get(L"t").string(), L"\u4e2d\U0001F600");

  ProtoValue empty;
  EXPECT_TRUE(FromJson(L"[]", empty));
  EXPECT_TRUE(empty.isNull());
  ProtoValue existing;
  existing.append(ProtoValue(0));
  EXPECT_TRUE(FromJson(L"[5, {}]", existing));
  ASSERT_EQ(existing.size(), 3u);
  EXPECT_TRUE(existing[2].isNull());
}

TEST(ProtoValueJsonTest, InvalidJsonFailsWithOneLineOnEachLogger) {
  char dir[] = "/tmp/jf_json_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string logPath = std::string(dir) + "/run.log";
  ASSERT_TRUE(FileLogger::Instance().Open(CapturedLog::WindowsPath(logPath)));
  ProtoValue out(7);
  {
    CapturedLog trace;
    EXPECT_FALSE(FromJson(L"{", out));
    EXPECT_EQ(trace.CountContaining(L"解析 AddGameInvite json失败，data:{ error:"), 1u);
    // Nesting past the reader's limit fails the same way (arrays and objects).
    for (const wchar_t* open : {L"[", L"{\"a\":"}) {
      std::wstring deep;
      for (int i = 0; i < 5000; ++i) deep += open;
      EXPECT_FALSE(FromJson(deep, out));
    }
    EXPECT_EQ(trace.CountContaining(L"解析 AddGameInvite json失败"), 3u);
  }
  FileLogger::Instance().Close();
  EXPECT_EQ(out.integer(), 7);
  std::vector<std::wstring> lines = CapturedLog::ReadFileLog(logPath);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(L"[.\\util\\ProtoValueJsonConvertor:130]"), std::wstring::npos) << lines[0];
  EXPECT_NE(lines[0].find(L"json失败，data:{ error:"), std::wstring::npos);
  unlink(logPath.c_str());
  rmdir(dir);
}

TEST(ProtoValueJsonTest, ToJsonWritesTheStyledText) {
  ProtoValue m;
  m[L"b"] = L"\u4e2d";
  m[L"a"].append(ProtoValue(1));
  m[L"a"].append(ProtoValue(2.5));
  m[L"a"].append(ProtoValue("raw", 3));
  std::wstring text;
  ASSERT_TRUE(ToJson(m, text));
  // jsoncpp's styled writer escapes characters outside ASCII.
  EXPECT_EQ(text, L"{\n   \"a\" : [ 1, 2.5, null ],\n   \"b\" : \"\\u4e2d\"\n}\n");

  EXPECT_TRUE(ToJson(ProtoValue(PV_MAP), text));
  EXPECT_EQ(text, L"null\n");
  text = L"unchanged";
  EXPECT_FALSE(ToJson(ProtoValue("raw", 3), text));
  EXPECT_EQ(text, L"unchanged");

  // A round trip through the text keeps the tree.
  ProtoValue tree;
  tree[L"n"] = -42;
  tree[L"s"] = L"x\"y\u4e2d\U0001F600";
  tree[L"list"][0][L"k"] = 1;
  ASSERT_TRUE(ToJson(tree, text));
  ProtoValue back;
  ASSERT_TRUE(FromJson(text, back));
  EXPECT_TRUE(back == tree);
}
