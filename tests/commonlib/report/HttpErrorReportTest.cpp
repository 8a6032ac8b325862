#include <gtest/gtest.h>

#include "commonlib/logger/report/HttpErrorReport.h"

namespace {

TEST(HttpErrorReport, CollectsNothingWithoutAnIdentity) {
  HttpErrorLog& log = GetHttpErrorLog();
  EXPECT_EQ(&log, &GetHttpErrorLog());
  EXPECT_FALSE(log.IsCollecting());
  log.AddRecord(2, 9003, 5, 7, L"CHttpCommand::Done() 最终失败.... url:%s ip:%s", L"http://a/", L"");
  EXPECT_FALSE(log.IsCollecting());
}

TEST(HttpErrorReport, RecordHasItsMembers) {
  Json::Value r = GetHttpErrorLog().BuildRecord(2, 9003, 5, -7, L"失败 url");
  EXPECT_EQ("PC", r["upload_platform"].asString());
  EXPECT_EQ("0", r["uid"].asString());
  EXPECT_EQ("2", r["error_level"].asString());
  EXPECT_EQ("9003", r["error_src"].asString());
  EXPECT_EQ("5", r["error_type"].asString());
  EXPECT_EQ("-7", r["error_code"].asString());
  EXPECT_EQ("失败 url", r["error_content"].asString());
  EXPECT_EQ(19u, r["v_upload_time"].asString().size());
  EXPECT_EQ(16u, r.getMemberNames().size());
}

}  // namespace
