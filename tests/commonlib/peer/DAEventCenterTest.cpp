#include "commonlib/peer/DAEventCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commonlib/http/DownloadChannel.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpMgr.h"

namespace {

struct Recorder : DAEventListener {
  std::vector<std::string>* log;
  std::string name;
  bool removeSelf = false;
  DAEventListener* removeOther = nullptr;
  Recorder(std::vector<std::string>* l, const char* n) : log(l), name(n) {}
  void OnEvent(int32_t event, int32_t type, int32_t code, ProtoValue& payload) override {
    log->push_back(name + ":" + std::to_string(event) + ":" + std::to_string(type) + ":" +
                   std::to_string(code) + ":" + std::to_string(payload.get(L"peer").integer()));
    if (removeSelf) DAEventCenter::GetInstance().RemoveListener(this);
    if (removeOther) DAEventCenter::GetInstance().RemoveListener(removeOther);
  }
};

TEST(DAEventCenterTest, DeliversInOrderAndSurvivesChangesDuringFire) {
  DAEventCenter& center = DAEventCenter::GetInstance();
  std::vector<std::string> log;
  Recorder a(&log, "a"), b(&log, "b"), c(&log, "c");
  EXPECT_TRUE(center.AddListener(&a));
  EXPECT_FALSE(center.AddListener(&a));
  EXPECT_TRUE(center.AddListener(&b));
  EXPECT_TRUE(center.AddListener(&c));
  EXPECT_EQ(center.GetListenerCount(), 3u);

  a.removeSelf = true;
  ProtoValue payload;
  payload[L"peer"] = ProtoValue(static_cast<int64_t>(42));
  center.Fire(DAEventRangeResult, 3, 2009, payload);
  EXPECT_EQ(log, (std::vector<std::string>{"a:5:3:2009:42", "b:5:3:2009:42", "c:5:3:2009:42"}));
  EXPECT_EQ(center.GetListenerCount(), 2u);

  // A listener removed by another during the same Fire is not called any more.
  log.clear();
  b.removeOther = &c;
  center.Fire(DAEventRetry, 0, 0, payload);
  EXPECT_EQ(log, (std::vector<std::string>{"b:9:0:0:42"}));
  center.RemoveListener(&b);
  EXPECT_EQ(center.GetListenerCount(), 0u);
  center.Fire(DAEventServerIp, 0, 0, payload);
  EXPECT_EQ(log.size(), 1u);
}

TEST(DownloadChannelTest, InitTwiceMakesOneChannelAndUninitIsIdempotent) {
  EXPECT_TRUE(DownloadEngine::UninitHttp());  // nothing created yet
  EXPECT_EQ(g_downloadWorkshop, nullptr);
  EXPECT_TRUE(DownloadEngine::InitHttp());
  CCurlWorkshop* workshop = g_downloadWorkshop;
  CHttpMgr* manager = g_downloadManager;
  ASSERT_NE(workshop, nullptr);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(manager->m_maxRunning, 10u);
  EXPECT_TRUE(DownloadEngine::InitHttp());
  EXPECT_EQ(g_downloadWorkshop, workshop);
  EXPECT_EQ(g_downloadManager, manager);
  EXPECT_TRUE(DownloadEngine::UninitHttp());
  EXPECT_EQ(g_downloadWorkshop, nullptr);
  EXPECT_EQ(g_downloadManager, nullptr);
  EXPECT_TRUE(DownloadEngine::UninitHttp());
}

}  // namespace
