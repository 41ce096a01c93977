#include "tests/support/WizardOnDatabase.h"

void WizardOnDatabase::SetUp() {
    BackendTest::SetUp();
    if (IsSkipped())
        return;
    Database().Load(Fixture());
    m_attached = std::make_unique<AttachedDatabase>(Database());
    m_wizard = std::make_unique<WizardUnderTest>();
    ASSERT_TRUE(m_wizard->ShowActive());
}

void WizardOnDatabase::TearDown() {
    m_wizard.reset();
    m_attached.reset();
    BackendTest::TearDown();
}
