// A suite whose tests read one generated address database (2,000 addr rows with the demo cell
// 阳光花园), made once before the suite's first test and dropped after its last: s_database. Each
// test has its own temporary folder as well (m_dir). A test that writes makes a database of its own.
#pragma once

#include "tests/support/TemporaryFolderTest.h"
#include "tests/support/TestDatabase.h"

class GeneratedDatabaseSuite : public TemporaryFolderTest {
protected:
    static void SetUpTestSuite() {
        s_database = new TestDatabase;
        s_database->Generate(2000);
    }
    static void TearDownTestSuite() {
        delete s_database;
        s_database = nullptr;
    }

    inline static TestDatabase* s_database = nullptr;
};
