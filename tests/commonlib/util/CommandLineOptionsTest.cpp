// The option parser against the fixed table, with its exact error texts.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "commonlib/util/CommandLineOptions.h"

namespace {

class Args {
 public:
  Args(std::initializer_list<const wchar_t*> words) {
    for (const wchar_t* w : words) m_words.push_back(w);
    for (auto& w : m_words) m_argv.push_back(&w[0]);
  }
  int argc() const { return static_cast<int>(m_argv.size()); }
  wchar_t** argv() { return m_argv.data(); }

 private:
  std::vector<std::wstring> m_words;
  std::vector<wchar_t*> m_argv;
};

std::unique_ptr<CommandLineOptions> Parse(std::initializer_list<const wchar_t*> words) {
  Args args(words);
  return std::make_unique<CommandLineOptions>(args.argc(), args.argv());
}

std::vector<std::vector<std::wstring>> Groups(const CommandLineOptions& o, wchar_t key) {
  std::vector<std::vector<std::wstring>> out;
  if (auto* e = o.FindEntry(key)) {
    for (auto& g : e->groups) out.push_back(*g);
  }
  return out;
}

typedef std::vector<std::vector<std::wstring>> G;

TEST(CommandLineOptionsTest, FlagAndValues) {
  auto o = Parse({L"prog.exe", L"-h"});
  EXPECT_EQ(o->GetErrorCode(), 0);
  ASSERT_NE(o->FindEntry(L'h'), nullptr);
  EXPECT_EQ(Groups(*o, L'h'), (G{{}}));
  std::wstring v = L"unchanged";
  EXPECT_FALSE(o->GetValue(L'h', v));  // present, but no value
  EXPECT_EQ(v, L"unchanged");
  EXPECT_FALSE(o->GetValue(L'i', v));

  o = Parse({L"prog.exe", L"-i", L"314", L"extra"});
  EXPECT_EQ(o->GetErrorCode(), 0);
  ASSERT_TRUE(o->GetValue(L'i', v));
  EXPECT_EQ(v, L"314");
  EXPECT_EQ(Groups(*o, L'n'), (G{{L"extra"}}));

  o = Parse({L"prog.exe", L"--path", L"D:\\Games", L"-r", L"0", L"-j", L"--id", L"7"});
  EXPECT_EQ(o->GetErrorCode(), 0);
  EXPECT_EQ(Groups(*o, L'p'), (G{{L"D:\\Games"}}));
  EXPECT_EQ(Groups(*o, L'r'), (G{{L"0"}}));
  EXPECT_EQ(Groups(*o, L'i'), (G{{L"7"}}));
  EXPECT_NE(o->FindEntry(L'j'), nullptr);
  // Entries in order of first occurrence.
  ASSERT_EQ(o->GetEntries().size(), 4u);
  EXPECT_EQ(o->GetEntries()[0]->key, L'p');
  EXPECT_EQ(o->GetEntries()[3]->key, L'i');
}

TEST(CommandLineOptionsTest, DeleteValueGroupRemovesOneOccurrence) {
  auto o = Parse({L"prog.exe", L"-i", L"1", L"-i", L"2", L"-i", L"3"});
  EXPECT_EQ(Groups(*o, L'i'), (G{{L"1"}, {L"2"}, {L"3"}}));
  EXPECT_TRUE(o->DeleteValueGroup(L'i', 1));
  EXPECT_EQ(Groups(*o, L'i'), (G{{L"1"}, {L"3"}}));
  EXPECT_FALSE(o->DeleteValueGroup(L'i', 2));
  EXPECT_FALSE(o->DeleteValueGroup(L'p', 0));
  EXPECT_TRUE(o->DeleteValueGroup(L'i', 0));
  EXPECT_TRUE(o->DeleteValueGroup(L'i', 0));
  // The option was still given; it has no value left.
  EXPECT_NE(o->FindEntry(L'i'), nullptr);
  std::wstring v = L"unchanged";
  EXPECT_FALSE(o->GetValue(L'i', v));
  EXPECT_EQ(v, L"unchanged");
}

TEST(CommandLineOptionsTest, PlainWordsGatherUnderNone) {
  auto o = Parse({L"prog.exe", L"a", L"b"});
  EXPECT_EQ(Groups(*o, L'n'), (G{{L"a"}, {L"b"}}));
  o = Parse({L"prog.exe", L"/h", L"x"});  // '/' words are never looked up
  EXPECT_EQ(o->FindEntry(L'h'), nullptr);
  EXPECT_EQ(Groups(*o, L'n'), (G{{L"x"}}));
  o = Parse({L"prog.exe", L"-", L"--"});
  EXPECT_EQ(o->GetErrorCode(), 0);
  EXPECT_EQ(Groups(*o, L'n'), (G{{}, {}}));
  // -idx means -i: only the second character counts.
  o = Parse({L"prog.exe", L"-idx", L"9"});
  EXPECT_EQ(Groups(*o, L'i'), (G{{L"9"}}));
}

TEST(CommandLineOptionsTest, WrongNumberOfValues) {
  auto o = Parse({L"prog.exe", L"--path"});
  EXPECT_EQ(o->GetErrorCode(), 1);
  EXPECT_EQ(o->GetErrorText(), L"--path requires at least 1 and at most 1 args, yours: 0");
  EXPECT_EQ(o->FindEntry(L'p'), nullptr);

  o = Parse({L"prog.exe", L"-h", L"-p", L"-h"});
  EXPECT_EQ(o->GetErrorCode(), 1);
  EXPECT_EQ(o->GetErrorText(), L"--path requires at least 1 and at most 1 args, yours: 0");
  EXPECT_NE(o->FindEntry(L'h'), nullptr);  // entries before the error stay
}

TEST(CommandLineOptionsTest, UnrecognizedOption) {
  auto o = Parse({L"prog.exe", L"-x", L"y", L"z", L"-h"});
  EXPECT_EQ(o->GetErrorCode(), 2);
  EXPECT_EQ(o->GetErrorText(), L"unrecognized option -x");
  EXPECT_EQ(Groups(*o, 0), (G{{L"-x", L"y", L"z"}}));
  EXPECT_EQ(o->FindEntry(L'h'), nullptr);  // parsing stopped

  o = Parse({L"prog.exe", L"--hidden"});
  EXPECT_EQ(o->GetErrorCode(), 2);
  EXPECT_EQ(o->GetErrorText(), L"unrecognized option --hidden");

  std::wstring longWord = L"--" + std::wstring(300, L'w');
  o = Parse({L"prog.exe", longWord.c_str()});
  EXPECT_EQ(o->GetErrorCode(), 2);
  EXPECT_EQ(o->GetErrorText().size(), 127u);
  EXPECT_EQ(o->GetErrorText().substr(0, 22), L"unrecognized option --");
}

TEST(CommandLineOptionsTest, BlankValuesAreSkippedUncounted) {
  auto o = Parse({L"prog.exe", L"-i", L"  \t", L"5"});
  EXPECT_EQ(o->GetErrorCode(), 0);
  EXPECT_EQ(Groups(*o, L'i'), (G{{L"5"}}));
  o = Parse({L"prog.exe", L"-p", L" D:\\x "});
  EXPECT_EQ(Groups(*o, L'p'), (G{{L" D:\\x "}}));  // kept as given
}

TEST(CommandLineOptionsTest, ProgramPathAndEmptyCommandLines) {
  auto o = Parse({L"-h"});  // a program path that begins with '-' is an option word
  EXPECT_NE(o->FindEntry(L'h'), nullptr);
  o = Parse({L"prog.exe"});
  EXPECT_EQ(o->GetErrorCode(), 0);
  EXPECT_TRUE(o->GetEntries().empty());
  CommandLineOptions none(0, nullptr);
  EXPECT_EQ(none.GetErrorCode(), 3);
  EXPECT_EQ(none.GetErrorText(), L"no args were found");
  o = Parse({L"prog.exe", L"-h"});
  o->Clear();
  EXPECT_EQ(o->FindEntry(L'h'), nullptr);
  EXPECT_EQ(o->GetErrorCode(), 0);
}

}  // namespace
