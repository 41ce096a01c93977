#include "tests/support/WizardUnderTest.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

bool WizardUnderTest::ShowActive() {
    show();
    activateWindow();
    return QTest::qWaitForWindowActive(this);
}

void WizardUnderTest::ClickNext() {
    QTest::mouseClick(&m_btnNext, Qt::LeftButton);
}

void WizardUnderTest::ClickBack() {
    QTest::mouseClick(&m_btnBack, Qt::LeftButton);
}

void Type(QLineEdit& edit, const QString& text) {
    edit.setFocus();
    edit.selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(&edit, Qt::Key_Delete);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(&edit, &commit);
}
