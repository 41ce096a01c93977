// The shared helpers of the test programs (tests/support, linked into every test program, which
// also gets its main from here: GoogleTest in an offscreen QApplication):
//   TestDatabase        a fresh SQLite or PostgreSQL address database with the schema; fixtures in
//                       the Oracle dialect, generated data, rows as text
//   BackendTest         a parameterised suite on both backends (INSTANTIATE_BACKENDS)
//   AttachedDatabase    a CADODatabase on a test database with g_pDatabase pointing at it
//   MessageBoxRecorder  answers and records every message box
//   QtPrinters          QString, QStringList and rows printed readably in failure messages
#pragma once

#include "tests/support/AttachedDatabase.h"
#include "tests/support/BackendTest.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestDatabase.h"
