#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/src/display/x11/XdndProtocol.h"

namespace {

using Names = std::vector<std::wstring>;

// Another program's uri-list: each line gives one name or none, never more.
TEST(XdndProtocolTest, UriListLinesGiveOneFileNameOrNone) {
  struct Row {
    const char* list;
    Names names;
  };
  const Row rows[] = {
      {"file:///tmp/a.txt\r\nfile://localhost/tmp/b%20c\r\n", {L"Z:\\tmp\\a.txt", L"Z:\\tmp\\b c"}},
      {"file:///data/a%00/etc/passwd\r\n", {}},
      {"file:///tmp/ok\r\nfile:///data/a%00/etc/passwd\nfile:///tmp/%E4%B8%80\n", {L"Z:\\tmp\\ok", L"Z:\\tmp\\一"}},
      {"file:///tmp/a%5Cb\r\n", {}},          // a backslash would split the Windows name
      {"file:///tmp/a%0Ab\r\nfile:///tmp/a%09\r\n", {}},  // control characters
      {"file:///tmp/a%3Fb\nfile:///tmp/x%3Ay\nfile:///tmp/%22q%22\n", {}},  // characters no name holds
      {"file:///tmp/%FF%FE\r\n", {}},         // not UTF-8
      {"file:///tmp/a%\r\nhttp://x/y\r\n# note\r\nfile:relative\r\n", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    EXPECT_EQ(jf::XdndProtocol::PathsOf(row.list), row.names);
  }
  // What this program offers comes back as it was.
  EXPECT_EQ(jf::XdndProtocol::PathsOf(jf::XdndProtocol::UriList({L"Z:\\tmp\\a b%#.txt", L"Z:\\tmp\\目录\\二"})),
            (Names{L"Z:\\tmp\\a b%#.txt", L"Z:\\tmp\\目录\\二"}));
}

}  // namespace
