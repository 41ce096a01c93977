// A test suite that runs on both backends: SQLite always, PostgreSQL when TESSEL_TEST_PG_URL is set
// (skipped otherwise). Each test gets a fresh TestDatabase with the schema loaded.
//
//   class PathQueries : public BackendTest {};
//   TEST_P(PathQueries, ClimbsToTheTop) { Database().Load({...}); ... }
//   INSTANTIATE_BACKENDS(PathQueries);
//
// A suite that overrides SetUp calls BackendTest::SetUp() first and returns if IsSkipped().
#pragma once

#include "tests/support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>

class BackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (!TestDatabase::Available(GetParam()))
            GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set (run under scripts/with-postgres)";
        m_database = std::make_unique<TestDatabase>(GetParam());
    }
    void TearDown() override { m_database.reset(); }

    TestDatabase& Database() { return *m_database; }

private:
    std::unique_ptr<TestDatabase> m_database;
};

// Names the instances "Backends/Suite.Test/SQLite" and ".../PostgreSQL".
#define INSTANTIATE_BACKENDS(Suite)                                                                          \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::Values(Backend::SQLite, Backend::PostgreSQL),       \
                             [](const ::testing::TestParamInfo<Backend>& backend) {                          \
                                 return std::string(TestDatabase::BackendName(backend.param));               \
                             })
