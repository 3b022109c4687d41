#pragma once
// A test whose database objects report to a recording handler and leave no handle behind.

#include "db/odbc_environment.h"
#include "support/recording_handler.h"

#include <gtest/gtest.h>

class RecordingTest : public ::testing::Test {
  protected:
    void SetUp() override { ODBCEnvironment::SetErrorHandler(&m_handler); }
    // Objects built in the test must be gone by now.
    void TearDown() override {
        ODBCEnvironment::SetErrorHandler(nullptr);
        ODBCEnvironment::DeleteInstance();
    }

    RecordingHandler m_handler;
};
