// The statistics record: the cipher against an independent DES, the line's fields, and the
// posts as the scripted server receives them.
#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <openssl/des.h>
#include <windows.h>

#include <atomic>
#include <regex>
#include <thread>

#include "commonlib/logger/report/BigDataLog.h"
#include "commonlib/logger/report/DesCipher.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/support/TraceCapture.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/util/StringUtils.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

// The oracle: OpenSSL's DES in ECB mode, block by block.
std::string Oracle(const std::string& key, const std::string& input, int mode) {
  DES_cblock k;
  memcpy(k, key.data(), 8);
  DES_key_schedule ks;
  DES_set_key_unchecked(&k, &ks);
  std::string out(input.size(), '\0');
  for (size_t i = 0; i + 8 <= input.size(); i += 8) {
    DES_cblock in;
    memcpy(in, input.data() + i, 8);
    DES_ecb_encrypt(&in, reinterpret_cast<DES_cblock*>(&out[i]), &ks, mode);
  }
  return out;
}

std::string OracleEncrypt(const std::string& key, const std::string& plain) {
  return Oracle(key, plain, DES_ENCRYPT);
}

// Deciphers under the record key and drops the PKCS#5 fill.
std::string OracleDecrypt(const std::string& cipher) {
  std::string out = Oracle("kelvo514", cipher, DES_DECRYPT);
  if (!out.empty()) out.resize(out.size() - static_cast<unsigned char>(out.back()));
  return out;
}

std::string Hex(const std::string& bytes) {
  std::string out(bytes.size() * 2 + 1, '\0');
  BytesToHexUpper(&out[0], reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  out.pop_back();
  return out;
}

int CountTabs(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\t')); }

}  // namespace

TEST(DesCipher, FipsVectorAndOracle) {
  const unsigned char key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  const unsigned char plain[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  DesKeySchedule schedule;
  DesSetKey(key, schedule);
  unsigned char out[8];
  DesEncryptEcb(8, schedule, plain, out);
  EXPECT_EQ("85E813540F0AB405", Hex(std::string(reinterpret_cast<char*>(out), 8)));

  // Pseudo-random keys and multi-block inputs against the oracle.
  unsigned seed = 7;
  auto next = [&seed] { seed = seed * 1103515245u + 12345u; return static_cast<char>(seed >> 16); };
  for (int round = 0; round < 50; ++round) {
    std::string k, p;
    for (int i = 0; i < 8; ++i) k += next();
    for (int i = 0; i < 8 * (1 + round % 5); ++i) p += next();
    DesSetKey(reinterpret_cast<const unsigned char*>(k.data()), schedule);
    std::string mine(p.size(), '\0');
    DesEncryptEcb(p.size(), schedule, reinterpret_cast<const unsigned char*>(p.data()),
                  reinterpret_cast<unsigned char*>(&mine[0]));
    ASSERT_EQ(Hex(OracleEncrypt(k, p)), Hex(mine)) << "round " << round;
  }
}

TEST(StatisticsRecord, PaddingAndKnownRecords) {
  BigDataLog& log = BigDataLog::GetInstance();
  EXPECT_EQ("10F58056BF67CC1B", log.Encipher(""));
  EXPECT_EQ("78BED6ADFD87860110F58056BF67CC1B", log.Encipher("12345678"));
  // 16 bytes become 24: a whole block of fill.
  EXPECT_EQ("8A041FAD8BBA34AB81EF4FA6FECBB24010F58056BF67CC1B", log.Encipher("0123456789abcdef"));
  EXPECT_EQ("1CE9FA141567448AECD75EFA310622A65E017D1E97960AAAB1764F51132C22DF63E6C43367E5DC10",
            log.Encipher("2024-01-02 03:04:05\t\tinstall\t\t\t\t\t\t\t\t"));
  for (size_t length = 0; length < 41; ++length) {
    std::string line(length, 'a' + static_cast<char>(length % 26));
    std::string hex = log.Encipher(line);
    EXPECT_EQ((length / 8 + 1) * 16, hex.size());
    EXPECT_EQ(line, OracleDecrypt(FromHex(hex)));
  }
}

TEST(StatisticsRecord, FieldsInOrder) {
  ProtoValue r(PV_MAP);
  r[L"logname"] = L"install";
  EXPECT_EQ("\t\tinstall\t\t\t\t\t\t\t\t", BigDataLog::BuildLine(r));

  r[L"ftime"] = L"2024-01-02 03:04:05";
  r[L"title"] = -5;
  r[L"os"] = L"视窗 10";
  ProtoValue m(PV_MAP);
  m[L"b"] = L"2";
  m[L"a"] = L"1";
  m[L"c"] = 3;  // not a text: an empty value
  r[L"count_value"] = m;
  r[L"gate"] = 1.5;  // other kinds give an empty field
  r[L"unknown"] = L"x";
  std::string line = BigDataLog::BuildLine(r);
  EXPECT_EQ(10, CountTabs(line));
  EXPECT_EQ("2024-01-02 03:04:05\t\tinstall\t-5\t\t\t\t\t\xE8\xA7\x86\xE7\xAA\x97 10\t\ta:1,b:2,c:",
            line);
  EXPECT_EQ(std::string(10, '\t'), BigDataLog::BuildLine(ProtoValue()));
}

class StatisticsSendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jf::TickOverride(5000000);
    HttpCommandEngineInit();
    ASSERT_TRUE(server.Start());
    server.SetBody("/", "ok");
    log().UnInit();
    saved = log().GetServerAddress();
    log().SetServerAddress(Wide(server.Url("/")));
  }
  void TearDown() override {
    MainThreadPump::Until([this] { return !log().IsBusy(); });
    log().UnInit();
    log().SetServerAddress(saved);
    HttpCommandEngineUninit();
    MainThreadPump::Drain();
    jf::TickRestore();
  }
  static BigDataLog& log() { return BigDataLog::GetInstance(); }
  // Plays the request timer until the collector is idle again; due retries run at once.
  bool DriveUntilIdle() {
    return MainThreadPump::Until([] {
      if (!log().IsBusy()) return true;
      for (CHttpBase* r : g_commandManager->m_requests) {
        if (r->m_retryPending) {
          jf::TickAdvance(501);
          g_commandManager->ResumeDueRetries();
          break;
        }
      }
      return false;
    }, 30000);
  }
  // The plain lines of a posted body.
  static std::vector<std::string> Lines(const std::string& body) {
    std::vector<std::string> out;
    std::regex object("\\{\"body\":\"([0-9A-F]+)\",\"headers\":\\{\\}\\}");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), object); it != std::sregex_iterator(); ++it)
      out.push_back(OracleDecrypt(FromHex((*it)[1])));
    return out;
  }

  HttpTestServer server;
  std::wstring saved;
};

TEST_F(StatisticsSendTest, BodyAndHeaderOnTheWire) {
  TraceCapture trace;
  ProtoValue r(PV_MAP);
  r[L"logname"] = L"install";
  r[L"ftime"] = L"1999-01-01 00:00:00";  // replaced by the current time
  ASSERT_TRUE(log().Report(r));
  EXPECT_EQ(L"1999-01-01 00:00:00", r.get(L"ftime").string());  // the caller's record stays
  ASSERT_TRUE(log().Send());
  EXPECT_TRUE(log().IsBusy());
  EXPECT_EQ(0u, log().PendingCount());
  ASSERT_TRUE(DriveUntilIdle());
  ASSERT_EQ(1u, server.RequestCount());
  const HttpTestServer::Request req = server.Requests()[0];
  EXPECT_EQ("POST", req.method);
  EXPECT_EQ("application/json;charset=utf-8", req.Header("Content-Type"));
  EXPECT_TRUE(std::regex_match(req.body, std::regex("\\[\\{\"body\":\"[0-9A-F]+\",\"headers\":\\{\\}\\}\\]\n")))
      << req.body;
  std::vector<std::string> lines = Lines(req.body);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(10, CountTabs(lines[0]));
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\t\tinstall(\t){8}")))
      << lines[0];
  EXPECT_EQ(1, trace.Count(L"统计结果 0:0 ok"));
  EXPECT_FALSE(log().Send());  // nothing pending
}

TEST_F(StatisticsSendTest, SendWhileInFlightKeepsTheRecords) {
  HttpTestServer::Script slow;
  slow.delayMs = 300;
  slow.body = "ok";
  server.Set("/", slow);
  ProtoValue r(PV_MAP);
  r[L"logname"] = L"first";
  ASSERT_TRUE(log().Report(r));
  ASSERT_TRUE(log().Send());
  r[L"logname"] = L"second";
  ASSERT_TRUE(log().Report(r));
  r[L"logname"] = L"third";
  ASSERT_TRUE(log().Report(r));
  EXPECT_FALSE(log().Send());
  EXPECT_EQ(2u, log().PendingCount());
  ASSERT_TRUE(DriveUntilIdle());
  ASSERT_TRUE(log().Send());
  ASSERT_TRUE(DriveUntilIdle());
  ASSERT_EQ(2u, server.RequestCount());
  EXPECT_EQ(1u, Lines(server.Requests()[0].body).size());
  std::vector<std::string> both = Lines(server.Requests()[1].body);
  ASSERT_EQ(2u, both.size());
  EXPECT_NE(std::string::npos, both[0].find("\tsecond\t"));
  EXPECT_NE(std::string::npos, both[1].find("\tthird\t"));
}

TEST_F(StatisticsSendTest, RetriedPostKeepsItsHeader) {
  std::atomic<int> calls{0};
  server.SetHandler("/", [&calls](const HttpTestServer::Request&) {
    HttpTestServer::Script s;
    if (calls++ == 0) s.raw = "garbage";  // not HTTP: the command retries
    else s.body = "ok";
    return s;
  });
  ASSERT_TRUE(log().Report(ProtoValue()));
  ASSERT_TRUE(log().Send());
  ASSERT_TRUE(DriveUntilIdle());
  ASSERT_EQ(2u, server.RequestCount());
  for (const auto& req : server.Requests()) {
    EXPECT_EQ("application/json;charset=utf-8", req.Header("Content-Type"));
    EXPECT_EQ(1u, Lines(req.body).size());
  }
}

// A server that takes the post and never answers may have stored it: the post times out and is
// not sent again, so no record arrives twice.
TEST_F(StatisticsSendTest, PostThatTimedOutIsNotSentAgain) {
  HttpTestServer::Script silent;
  silent.stallBeforeHeaders = true;
  server.Set("/", silent);
  TraceCapture trace;
  ASSERT_TRUE(log().Report(ProtoValue()));
  ASSERT_TRUE(log().Send());
  ASSERT_TRUE(MainThreadPump::Until([this] { return server.RequestCount() == 1; }));
  ASSERT_TRUE(MainThreadPump::Until([] {
    jf::TickAdvance(1000);
    g_commandManager->CheckTimeouts();
    g_commandManager->ResumeDueRetries();
    return !log().IsBusy();
  }, 30000));
  MainThreadPump::For(30);
  EXPECT_EQ(1u, server.RequestCount());
  EXPECT_EQ(1, trace.Count(StringUtils::Format(L"统计结果 %d:%d ", static_cast<int>(kErrUser),
                                               static_cast<int>(ResultCode::kRequestTimedOut))));
  server.ReleaseStalls();
}

TEST_F(StatisticsSendTest, WorkerHandsReportAndSendToTheMainThread) {
  ProtoValue r(PV_MAP);
  r[L"logname"] = L"worker";
  bool reported = false, sent = false;
  std::thread worker([&] {
    reported = log().Report(r);
    sent = log().Send();
  });
  worker.join();
  EXPECT_TRUE(reported);
  EXPECT_TRUE(sent);
  EXPECT_EQ(0u, server.RequestCount());
  EXPECT_EQ(0u, log().PendingCount());  // nothing touched off the main thread
  ASSERT_TRUE(MainThreadPump::Until([this] { return server.RequestCount() == 1; }));
  ASSERT_TRUE(DriveUntilIdle());
  std::vector<std::string> lines = Lines(server.Requests()[0].body);
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("\tworker\t"));
}

TEST_F(StatisticsSendTest, RefusedPostDropsTheRecordsAndStaysIdle) {
  HttpCommandEngineUninit();  // no request manager: the command refuses the post
  ASSERT_TRUE(log().Report(ProtoValue()));
  EXPECT_TRUE(log().Send());
  EXPECT_FALSE(log().IsBusy());
  EXPECT_EQ(0u, log().PendingCount());
  MainThreadPump::For(30);
  EXPECT_EQ(0u, server.RequestCount());
}

TEST_F(StatisticsSendTest, RefusedRecordsAndAddresses) {
  EXPECT_FALSE(log().Report(ProtoValue(L"text")));
  ProtoValue list(PV_ARRAY);
  EXPECT_FALSE(log().Report(list));
  log().SetServerAddress(L"");
  EXPECT_FALSE(log().Report(ProtoValue(PV_MAP)));
  EXPECT_FALSE(log().Send());
  EXPECT_EQ(0u, log().PendingCount());
}
