// The app tests' drives: C: and D: mapped to fresh folders (tests/platform's fixture), the
// program folder's drive Z: reported full so that nothing is chosen beside the test
// program, and a few helpers on host paths.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/files/FileTestDrives.h"
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include "platform/testing/hooks/teststate.h"

namespace apptest {

class AppDrives : public filetest::DriveFixture {
 protected:
  void SetUp() override {
    filetest::DriveFixture::SetUp();
    jf::SetDiskFreeSpaceForTests(L'Z', 0);
  }
  void TearDown() override {
    jf::SetDiskFreeSpaceForTests(L'Z', -1);
    jf::SetDiskFreeSpaceForTests(L'C', -1);
    jf::SetDiskFreeSpaceForTests(L'D', -1);
    filetest::DriveFixture::TearDown();
  }

  static std::string Host(const std::wstring& win) {
    std::string host;
    return jf::HostPathFromWin(win, host) ? host : std::string("<unmapped>");
  }
  static std::string ReadWin(const std::wstring& win) { return ReadHost(Host(win)); }
  static void WriteWin(const std::wstring& win, const std::string& bytes) { WriteHost(Host(win), bytes); }
  static bool ExistsWin(const std::wstring& win) { return HostExists(Host(win)); }
  // UTF-16LE bytes of a text, as INI files with a mark hold them.
  static std::string Utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
  }
};

}  // namespace apptest
