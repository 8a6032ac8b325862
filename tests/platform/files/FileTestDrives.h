// A fixture for the file, registry, INI and shell tests: drives C: and D: mapped to fresh
// temporary folders, the current folder inside C:, everything removed afterwards.
#pragma once
#include <ftw.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <winreg.h>
#include "platform/testing/hooks/teststate.h"

namespace filetest {

inline int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

class DriveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/jf_drives_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    c_ = root_ + "/c";
    d_ = root_ + "/d";
    mkdir(c_.c_str(), 0777);
    mkdir(d_.c_str(), 0777);
    char cwd[PATH_MAX];
    oldCwd_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    setenv("JF_DRIVES", ("C=" + c_ + ";D=" + d_).c_str(), 1);
    jf::ResetDriveMapForTests();
    jf::ResetRegistryForTests();
    ASSERT_EQ(chdir(c_.c_str()), 0);
  }

  void TearDown() override {
    if (chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
    nftw(root_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    unsetenv("JF_DRIVES");
    jf::ResetDriveMapForTests();
    jf::ResetRegistryForTests();
  }

  static void WriteHost(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
  }

  static std::string ReadHost(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  static bool HostExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
  }

  std::string root_, c_, d_, oldCwd_;
};

}  // namespace filetest
