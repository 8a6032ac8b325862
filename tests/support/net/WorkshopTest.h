// A test fixture with a running curl worker and a local HTTP server.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/MainThreadPump.h"
#include "commonlib/http/CCurlWorkshop.h"

class WorkshopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.Start());
    workshop.Init();
    ASSERT_TRUE(workshop.Start());
  }
  void TearDown() override {
    workshop.DestroyThread(INFINITE);
    workshop.UnInit();
    MainThreadPump::Drain();
  }

  HttpTestServer server;
  CCurlWorkshop workshop;
};
