// The harness's own pieces, without the program: the stand-in installer and launcher
// started through the layer as the program starts them, and the local servers answering and
// decoding what the program's statistics collector and download report send.
#include <curl/curl.h>
#include <windows.h>

#include "commonlib/logger/report/BigDataLog.h"
#include "tests/e2e/E2eHarness.h"
#include "commonlib/core/ProtoValue.h"
#include "commonlib/logger/report/DownloadLog.h"

namespace e2e {
namespace {

class HarnessTest : public Harness {
 protected:
  HarnessTest() { needProgram_ = false; }

  // CreateProcessW with an application path and a command line, waited for; the exit code, or
  // -1 with the system error in `error` when it cannot start.
  int RunWin(const std::wstring& app, const std::wstring& cmd, DWORD* error = nullptr) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = cmd;
    if (!CreateProcessW(app.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      if (error) *error = GetLastError();
      return -1;
    }
    WaitForSingleObject(pi.hProcess, 20000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
  }

  static size_t Collect(char* p, size_t s, size_t n, void* out) {
    static_cast<std::string*>(out)->append(p, s * n);
    return s * n;
  }
  // One request with libcurl; the status, the body and the headers.
  long Http(const std::string& url, std::string& body, const char* range = nullptr, const std::string* post = nullptr,
            curl_mime* (*mime)(CURL*, void*) = nullptr, void* ctx = nullptr, std::string* headers = nullptr) {
    CURL* c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
    if (headers) {
      curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Collect);
      curl_easy_setopt(c, CURLOPT_HEADERDATA, headers);
    }
    if (range) curl_easy_setopt(c, CURLOPT_RANGE, range);
    curl_slist* h = nullptr;
    if (post) {
      h = curl_slist_append(h, "Content-Type: application/json;charset=utf-8");
      curl_easy_setopt(c, CURLOPT_HTTPHEADER, h);
      curl_easy_setopt(c, CURLOPT_POSTFIELDS, post->c_str());
    }
    curl_mime* m = mime ? mime(c, ctx) : nullptr;
    if (m) curl_easy_setopt(c, CURLOPT_MIMEPOST, m);
    long status = 0;
    if (curl_easy_perform(c) == CURLE_OK) curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (m) curl_mime_free(m);
    curl_slist_free_all(h);
    curl_easy_cleanup(c);
    return status;
  }
};

TEST_F(HarnessTest, StandinInstallsIntoAFolderWithBlanksAndTheLauncherRecordsItsCommandLine) {
  setenv("JF_STUB_LOG", stubLog_.c_str(), 1);
  unsetenv("JF_STUB_INSTALLER_EXIT");
  ASSERT_EQ(system(("mkdir -p '" + Host("D:\\My Games\\dl") + "' && cp '" + StandinPath() + "' '" +
                    Host("D:\\My Games\\dl\\vrinstaller.exe") + "'")
                       .c_str()),
            0);
  // The program leaves the first %s unquoted.
  const std::wstring app = L"D:\\My Games\\dl\\vrinstaller.exe";
  EXPECT_EQ(RunWin(app, app + L" /S \"/unpack=D:\\My Games\\澜铭聚峰\" /launch=off"), 0);
  EXPECT_TRUE(FileExists(Host("D:\\My Games\\澜铭聚峰\\VarnelLauncher.exe")));
  EXPECT_EQ(ReadFile(Host("D:\\My Games\\澜铭聚峰\\tmupdate.ini")), "2.4.1");
  auto installs = Stubs("installer");
  ASSERT_EQ(installs.size(), 1u);
  EXPECT_EQ(installs[0]["unpack"].asString(), "D:\\My Games\\澜铭聚峰");
  EXPECT_FALSE(installs[0]["launch"].asBool());
  EXPECT_EQ(installs[0]["exe"].asString(), "D:\\My Games\\dl\\vrinstaller.exe");

  const std::wstring launcher = L"D:\\My Games\\澜铭聚峰\\VarnelLauncher.exe";
  EXPECT_EQ(RunWin(launcher, launcher + L" -i \"314\" -d"), 0);
  // The unquoted path arrives in pieces before the switches, as on Windows.
  EXPECT_EQ(ReadFile(Host("D:\\My Games\\澜铭聚峰\\launcher-args.txt")),
            "Games\\澜铭聚峰\\VarnelLauncher.exe\n-i\n314\n-d\n");
  ASSERT_EQ(Stubs("launcher").size(), 1u);

  // Told to fail: the exit code, and nothing unpacked.
  setenv("JF_STUB_INSTALLER_EXIT", "7", 1);
  EXPECT_EQ(RunWin(app, app + L" /S \"/unpack=D:\\Other\" /launch=off"), 7);
  unsetenv("JF_STUB_INSTALLER_EXIT");
  EXPECT_FALSE(FileExists(Host("D:\\Other")));
}

TEST_F(HarnessTest, ServersAnswerTheInformationAndRangesAndDecodeStatisticsAndReports) {
  ASSERT_NO_FATAL_FAILURE(StartServers());
  const long size = ready_["installer_size"].asInt64();
  std::string body;
  ASSERT_EQ(Http("http://127.0.0.1/vrminiinstall.txt", body), 200);
  EXPECT_NE(body.find("[Install]\r\nUrl=http://127.0.0.1:80/files/vrinstaller.exe\r\n"), std::string::npos);
  EXPECT_NE(body.find("Size=" + std::to_string(size) + "\r\n"), std::string::npos);
  EXPECT_GT(size, 1310720 * 2);

  std::string part, headers;
  EXPECT_EQ(Http("http://127.0.0.2/files/vrinstaller.exe", part, "100-1123", nullptr, nullptr, nullptr, &headers),
            206);
  EXPECT_EQ(part.size(), 1024u);
  EXPECT_NE(headers.find("Content-Length: 1024\r\n"), std::string::npos);
  EXPECT_NE(headers.find("Content-Range: bytes 100-1123/" + std::to_string(size)), std::string::npos);

  // A record enciphered by the program's own collector.
  ProtoValue rec(PV_MAP);
  rec[L"logname"] = L"c_downInstall_telmar_5.2";
  rec[L"title"] = L"1";
  rec[L"package_id"] = L"00000000";
  rec[L"count_dimension"] = L"installjf_state:1";
  rec[L"os"] = L"Windows 10 MajorVersion 10 MinorVersion 0";
  std::string hex = BigDataLog::GetInstance().Encipher(BigDataLog::BuildLine(rec));
  std::string post = "[{\"body\":\"" + hex + "\",\"headers\":{}}]", answer;
  EXPECT_EQ(Http("http://127.0.0.1/", answer, nullptr, &post), 200);
  auto stats = Statistics();
  ASSERT_EQ(stats.size(), 1u);
  EXPECT_EQ(stats[0]["logname"].asString(), "c_downInstall_telmar_5.2");
  EXPECT_EQ(stats[0]["count_dimension"].asString(), "installjf_state:1");
  EXPECT_EQ(stats[0]["os"].asString(), "Windows 10 MajorVersion 10 MinorVersion 0");
  EXPECT_EQ(stats[0]["gate"].asString(), "");

  struct Form {
    std::string sign, data;
  };
  auto mime = [](CURL* c, void* ctx) {
    Form* f = static_cast<Form*>(ctx);
    curl_mime* m = curl_mime_init(c);
    curl_mimepart* p = curl_mime_addpart(m);
    curl_mime_name(p, "sign");
    curl_mime_data(p, f->sign.c_str(), CURL_ZERO_TERMINATED);
    p = curl_mime_addpart(m);
    curl_mime_name(p, "data");
    curl_mime_data(p, f->data.c_str(), CURL_ZERO_TERMINATED);
    return m;
  };
  Form good{DownloadLog::Sign(DownloadLog::kSignKey, "[{\"upload_platform\":\"PC\"}]"),
            "[{\"upload_platform\":\"PC\"}]"};
  Form bad{std::string(32, '0'), good.data};
  EXPECT_EQ(Http("http://127.0.0.1:8080/api/jf/data/rece_download_data", answer, nullptr, nullptr, mime, &good), 200);
  EXPECT_EQ(Http("http://127.0.0.1:8080/api/jf/data/rece_download_data", answer, nullptr, nullptr, mime, &bad), 200);
  auto reports = Records("report");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_TRUE(reports[0]["sign_ok"].asBool());
  EXPECT_EQ(reports[0]["data"][0]["upload_platform"].asString(), "PC");
  EXPECT_FALSE(reports[1]["sign_ok"].asBool());
}

TEST_F(HarnessTest, BrokenInstallerHasItsMd5ButCannotStart) {
  ServerOptions o;
  o.installerKind = "broken";
  ASSERT_NO_FATAL_FAILURE(StartServers(o));
  std::string bytes;
  ASSERT_EQ(Http("http://127.0.0.1/files/vrinstaller.exe", bytes), 200);
  EXPECT_EQ(bytes.size(), size_t(ready_["installer_size"].asInt64()));
  mkdir(Host("D:\\dl").c_str(), 0755);
  WriteFile(Host("D:\\dl\\vrinstaller.exe"), bytes);
  DWORD error = 0;
  EXPECT_EQ(RunWin(L"D:\\dl\\vrinstaller.exe", L"D:\\dl\\vrinstaller.exe /S", &error), -1);
  EXPECT_NE(error, 0u);
}

}  // namespace
}  // namespace e2e
