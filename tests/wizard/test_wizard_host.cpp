// The wizard host and its page protocol, offscreen, with small pages of the test's own on the real
// templates: buttons and captions, the Enter key, focus memory, Back to page 1, pages that refuse to
// be left, and the Finish path with the commit and WM_WIZARD_COMMITTED.
#include "platform/ui/DialogTemplate.h"
#include "wizard/DlgRun.h"
#include "platform/ui/MessageBoxService.h"
#include "tests/support/TestSupport.h"
#include "wizard/WizardMessage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QCursor>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Page 1: Next only with a non-empty name, as the cell-name page does it.
class NamePage : public WizardPageDialog {
public:
    NamePage() : WizardPageDialog(101) {}
    bool CanGoNext() override { return m_edit && !m_edit->text().isEmpty(); }
    QLineEdit* m_edit = nullptr;

protected:
    bool OnInitDialog() override {
        m_edit = BindControl<QLineEdit>(5000);
        m_pFocusCtrl = m_edit;
        connect(m_edit, &QLineEdit::textChanged, this, [this] { EnableNext(CanGoNext()); });
        return true;
    }
};

// Pages 2 to 6: the verification template with its seven edits bound; Next always enabled (as the
// result pages have it, so that Finish is enabled on the last); what leaving forward and
// WM_WIZARD_COMMITTED answer is up to the test.
class EditPage : public WizardPageDialog {
public:
    EditPage() : WizardPageDialog(5001) {}
    bool CanGoNext() override { return true; }
    bool OnLeaveForward() override { return m_leaveForward; }
    bool OnEnterPage() override {
        // What the host shows while the page is entered.
        m_waitCursorOnEntry =
            QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        auto* cancel = DialogTemplate::FindControl(parentWidget(), 2);
        m_cancelEnabledOnEntry = cancel && cancel->isEnabled();
        return WizardPageDialog::OnEnterPage();
    }
    QLineEdit* Edit(int id) const { return Control<QLineEdit>(id); }
    bool m_leaveForward = true;
    bool m_waitCursorOnEntry = false;
    bool m_cancelEnabledOnEntry = false;
    std::intptr_t m_committedAnswer = 0;

protected:
    bool OnInitDialog() override {
        for (int id = 5002; id <= 5008; ++id)
            BindControl<QLineEdit>(id);
        return true;
    }
    std::intptr_t OnWizardCommitted() override { return m_committedAnswer; }
};

class TestHost : public DlgRun {
public:
    // `last`, when given, follows the edit pages.
    TestHost(NamePage* first, std::vector<EditPage*> rest, WizardPageDialog* last = nullptr)
        : DlgRun(nullptr, Chain(first, rest, last)) {}

    bool CommitInnerTree() override {
        ++m_commitCalls;
        m_waitCursorInCommit =
            QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        return m_commit ? m_commit() : true;
    }
    QPushButton* Button(int id) const {
        return qobject_cast<QPushButton*>(DialogTemplate::FindControl(this, id));
    }
    int PageNumber() const {
        const auto& pages = Pages();
        return int(std::find(pages.begin(), pages.end(), CurrentPage()) - pages.begin()) + 1;
    }

    std::function<bool()> m_commit;
    int m_commitCalls = 0;
    bool m_waitCursorInCommit = false;
    std::vector<QWidget*> m_buttonFocusParams; // wParam of every WM_WIZBTN_FOCUS

protected:
    bool event(QEvent* event) override {
        if (event->type() == WizardMessage::EventType()) {
            auto& message = static_cast<WizardMessage&>(*event);
            if (message.Message() == WM_WIZBTN_FOCUS)
                m_buttonFocusParams.push_back(message.WidgetParam());
        }
        return DlgRun::event(event);
    }

private:
    static std::vector<WizardPageDialog*> Chain(NamePage* first, const std::vector<EditPage*>& rest,
                                                WizardPageDialog* last) {
        std::vector<WizardPageDialog*> pages{first};
        pages.insert(pages.end(), rest.begin(), rest.end());
        if (last)
            pages.push_back(last);
        return pages;
    }
};

void TypeText(QWidget* w, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(w, &commit);
}

class WizardHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_first = new NamePage; // owned by the host once created
        for (int i = 0; i < 5; ++i)
            m_rest.push_back(new EditPage);
        m_host = std::make_unique<TestHost>(m_first, m_rest);
    }
    void Show() {
        m_host->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_host.get()));
    }
    QPushButton* Back() const { return m_host->Button(3); }
    QPushButton* Next() const { return m_host->Button(4); }
    QPushButton* Cancel() const { return m_host->Button(2); }
    void Key(int key) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); }
    // From page 1 with a name to page n by clicking Next.
    void GoToPage(int n) {
        if (m_first->m_edit->text().isEmpty())
            TypeText(m_first->m_edit, QStringLiteral("金色家园"));
        while (m_host->PageNumber() < n)
            QTest::mouseClick(Next(), Qt::LeftButton);
    }

    NamePage* m_first = nullptr;
    std::vector<EditPage*> m_rest;
    std::unique_ptr<TestHost> m_host;
};

TEST_F(WizardHostTest, StartsOnPage1WithBackDisabledAndNextOnlyWithAName) {
    Show();
    EXPECT_EQ(m_host->windowTitle(), QStringLiteral("内部地址分解工具"));
    EXPECT_EQ(m_host->PageNumber(), 1);
    EXPECT_TRUE(m_first->isVisible());
    for (EditPage* page : m_rest)
        EXPECT_FALSE(page->isVisible());
    EXPECT_FALSE(Back()->isEnabled());
    EXPECT_FALSE(Next()->isEnabled());
    EXPECT_TRUE(Cancel()->isEnabled());
    EXPECT_EQ(Next()->text(), QStringLiteral("下一步(&N)"));
    EXPECT_EQ(QApplication::focusWidget(), m_first->m_edit);
    EXPECT_FALSE(m_host->Button(1)->isVisible());
    EXPECT_EQ(m_first->m_pWizardData, m_rest[0]->m_pWizardData);
    EXPECT_NE(m_first->m_pWizardData, nullptr);

    // Next sits flush against Back; the pages fill the client area above the button strip.
    EXPECT_EQ(Next()->geometry(), Back()->geometry().translated(Back()->width(), 0));
    EXPECT_EQ(m_first->geometry(), QRect(0, 5, m_host->width(), m_host->height() - 60));

    QTest::keyClicks(m_first->m_edit, "a");
    EXPECT_TRUE(Next()->isEnabled());
    EXPECT_TRUE(Next()->isDefault());
    QTest::keyClick(m_first->m_edit, Qt::Key_Backspace);
    EXPECT_FALSE(Next()->isEnabled());
}

TEST_F(WizardHostTest, NextBecomesFinishOnTheLastPageAndBackTurnsItBack) {
    Show();
    GoToPage(5);
    EXPECT_EQ(Next()->text(), QStringLiteral("下一步(&N)"));
    QTest::mouseClick(Next(), Qt::LeftButton);
    EXPECT_EQ(m_host->PageNumber(), 6);
    EXPECT_EQ(Next()->text(), QStringLiteral("完成(&F)"));
    EXPECT_TRUE(Next()->isEnabled());
    EXPECT_TRUE(Back()->isEnabled());
    EXPECT_TRUE(Cancel()->isEnabled());
    EXPECT_TRUE(Next()->isDefault());
    EXPECT_FALSE(Back()->isDefault());
    QTest::mouseClick(Back(), Qt::LeftButton);
    EXPECT_EQ(m_host->PageNumber(), 5);
    EXPECT_EQ(Next()->text(), QStringLiteral("下一步(&N)"));
    EXPECT_EQ(m_host->m_commitCalls, 0);
}

TEST_F(WizardHostTest, EnterActsAsNextOrBackAndNeverCloses) {
    Show();
    Key(Qt::Key_Return); // empty name: nothing
    EXPECT_EQ(m_host->PageNumber(), 1);
    EXPECT_TRUE(m_host->isVisible());

    TypeText(m_first->m_edit, QStringLiteral("阳光小区"));
    Key(Qt::Key_Return);
    EXPECT_EQ(m_host->PageNumber(), 2);
    Key(Qt::Key_Enter);
    EXPECT_EQ(m_host->PageNumber(), 3);

    // With Next disabled, Enter goes back.
    Next()->setEnabled(false);
    Key(Qt::Key_Return);
    EXPECT_EQ(m_host->PageNumber(), 2);
    EXPECT_TRUE(m_host->isVisible());
    EXPECT_EQ(m_host->m_commitCalls, 0);
}

// Enter held down: its press, then the repeats a window system sends while it stays down.
void HoldEnter(int repeats) {
    for (int i = 0; i <= repeats; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), i > 0);
        QApplication::sendEvent(QApplication::focusWidget(), &press);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(QApplication::focusWidget(), &release);
}

TEST_F(WizardHostTest, AHeldEnterGoesOnOnePageFromAControlAndFromAButton) {
    Show();
    TypeText(m_first->m_edit, QStringLiteral("阳光小区"));
    HoldEnter(10);
    EXPECT_EQ(m_host->PageNumber(), 2);
    Next()->setFocus();
    HoldEnter(10);
    EXPECT_EQ(m_host->PageNumber(), 3);
    EXPECT_EQ(m_host->m_commitCalls, 0);
}

TEST_F(WizardHostTest, AControlFocusedWhenNextWasClickedRegainsTheFocusOnReturn) {
    Show();
    GoToPage(2);
    QLineEdit* street = m_rest[0]->Edit(5006);
    street->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), street);
    m_host->m_buttonFocusParams.clear();
    QTest::mouseClick(Next(), Qt::LeftButton);
    ASSERT_EQ(m_host->PageNumber(), 3);
    // The button told the host which control it took the focus from, before the page changed.
    ASSERT_FALSE(m_host->m_buttonFocusParams.empty());
    EXPECT_EQ(m_host->m_buttonFocusParams.front(), street);
    EXPECT_EQ(m_rest[0]->m_pFocusCtrl, street);

    QTest::mouseClick(Back(), Qt::LeftButton);
    ASSERT_EQ(m_host->PageNumber(), 2);
    EXPECT_EQ(QApplication::focusWidget(), street);

    // Leaving by keyboard (Enter in an edit) remembers the edit as the page is hidden.
    QLineEdit* number = m_rest[0]->Edit(5007);
    number->setFocus();
    Key(Qt::Key_Return);
    ASSERT_EQ(m_host->PageNumber(), 3);
    QTest::mouseClick(Back(), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), number);
}

TEST_F(WizardHostTest, TabbingBetweenHostButtonsRecordsNothingOnThePage) {
    Show();
    GoToPage(2);
    QLineEdit* town = m_rest[0]->Edit(5004);
    m_rest[0]->m_pFocusCtrl = town;
    Cancel()->setFocus(Qt::TabFocusReason);
    m_host->m_buttonFocusParams.clear();
    Back()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(m_host->m_buttonFocusParams.size(), 1u);
    EXPECT_EQ(m_host->m_buttonFocusParams.front(), Cancel());
    EXPECT_EQ(m_rest[0]->m_pFocusCtrl, town);
}

TEST_F(WizardHostTest, BackToPage1DisablesBackAndMovesTheFocusOn) {
    Show();
    GoToPage(2);
    QTest::mouseClick(Back(), Qt::LeftButton);
    EXPECT_EQ(m_host->PageNumber(), 1);
    EXPECT_FALSE(Back()->isEnabled());
    EXPECT_FALSE(Back()->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), m_first->m_edit);
    EXPECT_EQ(m_first->m_edit->text(), QStringLiteral("金色家园"));
    EXPECT_TRUE(Next()->isEnabled());

    // A page 1 without a focus control: the focus still leaves the disabled Back.
    GoToPage(2);
    m_first->m_pFocusCtrl = nullptr;
    QTest::mouseClick(Back(), Qt::LeftButton);
    EXPECT_FALSE(Back()->hasFocus());
    EXPECT_NE(QApplication::focusWidget(), nullptr);
}

TEST_F(WizardHostTest, ForwardSwitchingShowsTheWaitCursorWithCancelDisabledAndBackDoesNot) {
    Show();
    GoToPage(3);
    EXPECT_TRUE(m_rest[1]->m_waitCursorOnEntry);
    EXPECT_FALSE(m_rest[1]->m_cancelEnabledOnEntry);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(Cancel()->isEnabled());
    QTest::mouseClick(Back(), Qt::LeftButton);
    EXPECT_FALSE(m_rest[0]->m_waitCursorOnEntry);
    EXPECT_TRUE(m_rest[0]->m_cancelEnabledOnEntry);
    GoToPage(6);
    QTest::mouseClick(Next(), Qt::LeftButton); // Finish
    EXPECT_TRUE(m_host->m_waitCursorInCommit);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WizardHostTest, TheLoadingTextShowsOnlyWhileNoPageIsShown) {
    Show();
    const QRect textArea(100, 100, 80, 16);
    const auto inked = [&] {
        const QImage image = m_host->grab(textArea).toImage();
        const QRgb background = m_host->palette().color(QPalette::Window).rgb();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != background)
                    return true;
        return false;
    };
    EXPECT_FALSE(inked()); // page 1 covers it
    m_first->hide();
    EXPECT_TRUE(inked());
}

TEST_F(WizardHostTest, APageThatRefusesToBeLeftStaysWithItsButtons) {
    Show();
    GoToPage(3);
    m_rest[1]->m_leaveForward = false;
    QTest::mouseClick(Next(), Qt::LeftButton);
    EXPECT_EQ(m_host->PageNumber(), 3);
    EXPECT_TRUE(m_rest[1]->isVisible());
    EXPECT_TRUE(Next()->isEnabled());
    EXPECT_TRUE(Back()->isEnabled());
    EXPECT_TRUE(Cancel()->isEnabled());
    EXPECT_EQ(Next()->text(), QStringLiteral("下一步(&N)"));
    EXPECT_FALSE(m_rest[2]->isVisible());
}

TEST_F(WizardHostTest, FailingCommitKeepsTheLastPageAndFinishRunsItAgain) {
    Show();
    GoToPage(6);
    m_host->m_commit = [] { return false; };
    QTest::mouseClick(Next(), Qt::LeftButton);
    EXPECT_EQ(m_host->m_commitCalls, 1);
    EXPECT_TRUE(m_host->isVisible());
    EXPECT_EQ(m_host->PageNumber(), 6);
    EXPECT_TRUE(Next()->isEnabled());
    EXPECT_EQ(Next()->text(), QStringLiteral("完成(&F)"));
    QTest::mouseClick(Next(), Qt::LeftButton);
    EXPECT_EQ(m_host->m_commitCalls, 2);
    EXPECT_TRUE(m_host->isVisible());

    // A committed answer other than 0 keeps the wizard open too.
    m_host->m_commit = [] { return true; };
    m_rest[4]->m_committedAnswer = 1;
    QTest::mouseClick(Next(), Qt::LeftButton);
    EXPECT_EQ(m_host->m_commitCalls, 3);
    EXPECT_TRUE(m_host->isVisible());
}

// Runs the host modally; `drive` acts once it is shown. Returns what exec() returned.
int RunModal(TestHost& host, const std::function<void()>& drive) {
    QTimer::singleShot(0, &host, [&] {
        if (QTest::qWaitForWindowActive(&host))
            drive();
        if (host.isVisible())
            host.done(-99); // the drive did not end the dialog
    });
    return host.exec();
}

TEST_F(WizardHostTest, FinishWithACommittedAnswerOf0ClosesWithOk) {
    const int result = RunModal(*m_host, [&] {
        GoToPage(6);
        QTest::mouseClick(Next(), Qt::LeftButton);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(m_host->m_commitCalls, 1);
}

TEST_F(WizardHostTest, CancelEscapeAndTheCloseBoxGiveCancel) {
    EXPECT_EQ(RunModal(*m_host, [&] { QTest::mouseClick(Cancel(), Qt::LeftButton); }), IDCANCEL);
    EXPECT_EQ(RunModal(*m_host,
                       [&] {
                           GoToPage(4);
                           Key(Qt::Key_Escape);
                       }),
              IDCANCEL);
    EXPECT_EQ(RunModal(*m_host, [&] { m_host->close(); }), IDCANCEL);
    EXPECT_EQ(m_host->m_commitCalls, 0);
}

// A last page with nothing of its own to say after the commit (it overrides neither
// OnWizardCommitted nor OnWizardMessage): the base page's answer lets Finish close the wizard with
// OK.
class PlainLastPage : public WizardPageDialog {
public:
    PlainLastPage() : WizardPageDialog(5003) {}
    bool CanGoNext() override { return true; } // Finish enabled
};

TEST(WizardPageDialogTest, APageThatDoesNotHandleCommittedLetsFinishCloseWithOk) {
    auto* first = new NamePage; // the pages are owned by the host once created
    std::vector<EditPage*> middle;
    for (int i = 0; i < 4; ++i)
        middle.push_back(new EditPage);
    auto* last = new PlainLastPage;
    TestHost host(first, middle, last);
    const int result = RunModal(host, [&] {
        TypeText(first->m_edit, QStringLiteral("金色家园"));
        while (host.CurrentPage() != last && host.Button(4)->isEnabled())
            QTest::mouseClick(host.Button(4), Qt::LeftButton);
        ASSERT_EQ(host.CurrentPage(), last);
        QTest::mouseClick(host.Button(4), Qt::LeftButton); // Finish
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(host.m_commitCalls, 1);
}

TEST(DlgRunTest, HasTheSixPagesOnTheirTemplatesAndStartsOnTheFirst) {
    DlgRun host;
    host.show();
    ASSERT_EQ(host.Pages().size(), 6u);
    const int templates[] = {101, 5001, 5002, 5003, 5002, 5003};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(host.Pages()[i]->TemplateId(), templates[i]);
        EXPECT_EQ(host.Pages()[i]->parentWidget(), &host);
        EXPECT_EQ(host.Pages()[i]->isVisible(), i == 0);
    }
    EXPECT_EQ(host.CurrentPage(), host.Pages()[0]);
    EXPECT_TRUE(host.m_strResultID.isEmpty());
}

} // namespace
