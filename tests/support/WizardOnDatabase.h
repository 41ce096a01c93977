// A suite that runs the whole wizard on both backends: each test gets a fresh test database with the
// suite's rows, attached as the process's database (as the dealer attaches the host's), and the
// wizard shown and active on its first page. Message boxes are the test's to answer
// (MessageBoxRecorder).
//
//   class CellPages : public WizardOnDatabase {
//       QStringList Fixture() const override { return {u"insert into addr ..."_s}; }
//   };
//   TEST_P(CellPages, ...) { Type(Wizard().CellNamePage().CellNameEdit(), u"阳光小区"_s); ClickNext(); }
//   INSTANTIATE_BACKENDS(CellPages);
#pragma once

#include "tests/support/AttachedDatabase.h"
#include "tests/support/BackendTest.h"
#include "tests/support/WizardUnderTest.h"

#include <QStringList>

#include <memory>

class WizardOnDatabase : public BackendTest {
protected:
    // The rows every test of the suite starts from (statements in the Oracle dialect).
    virtual QStringList Fixture() const = 0;

    void SetUp() override;
    void TearDown() override;

    WizardUnderTest& Wizard() { return *m_wizard; }
    void ClickNext() { m_wizard->ClickNext(); }
    void ClickBack() { m_wizard->ClickBack(); }

private:
    std::unique_ptr<AttachedDatabase> m_attached;
    std::unique_ptr<WizardUnderTest> m_wizard;
};
