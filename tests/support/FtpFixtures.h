#pragma once

#include <gtest/gtest.h>

#include "support/PyFtpdServer.h"
#include "support/VsftpdServer.h"

namespace testsupport {

// Starts a real server before each test and stops it after, also when the test fails. A
// server that cannot start fails the test: it never skips.
class PyFtpdFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(server.Start(options, &error)) << error.toStdString();
  }
  void TearDown() override { server.Stop(); }

  PyFtpdServer::Options options;
  PyFtpdServer server;
};

class VsftpdFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(server.Start(options, &error)) << error.toStdString();
  }
  void TearDown() override { server.Stop(); }

  VsftpdServer::Options options;
  VsftpdServer server;
};

}  // namespace testsupport
