#include "platform/ui/MessageBoxService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>

namespace {
bool OnApplicationThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return !application || application->thread() == QThread::currentThread();
}

MessageBoxService::Responder& CurrentResponder() {
    Q_ASSERT(OnApplicationThread());
    static MessageBoxService::Responder responder;
    return responder;
}

struct Choice {
    QString text;
    QMessageBox::ButtonRole role;
    int answer;
};

// Shows a box of two buttons: the first is the default unless `secondByDefault`; the second answers
// Escape.
int AskBetween(QMessageBox& box, const Choice& first, const Choice& second, bool secondByDefault) {
    QPushButton* firstButton = box.addButton(first.text, first.role);
    QPushButton* secondButton = box.addButton(second.text, second.role);
    box.setEscapeButton(secondButton);
    box.setDefaultButton(secondByDefault ? secondButton : firstButton);
    box.exec();
    return box.clickedButton() == firstButton ? first.answer : second.answer;
}
} // namespace

QString MessageBoxService::ApplicationTitle() { return QStringLiteral("tessel"); }

int MessageBoxService::DefaultAnswer(unsigned flags) {
    const bool second = flags & MB_DEFBUTTON2;
    switch (flags & 0xF) {
    case MB_YESNO:
        return second ? IDNO : IDYES;
    case MB_OKCANCEL:
        return second ? IDCANCEL : IDOK;
    default:
        return IDOK;
    }
}

MessageBoxService::Responder MessageBoxService::SetResponder(Responder responder) {
    Responder previous = std::move(CurrentResponder());
    CurrentResponder() = std::move(responder);
    return previous;
}

int MessageBoxService::Show(QWidget* owner, const QString& text, const QString& caption, unsigned flags) {
    MessageBoxRequest request{owner, text, caption.isEmpty() ? ApplicationTitle() : caption, flags};
    if (CurrentResponder())
        return CurrentResponder()(request);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", request.caption.toUtf8().constData(), text.toUtf8().constData());
        return DefaultAnswer(flags);
    }

    QMessageBox box(owner);
    box.setWindowTitle(request.caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (flags & 0xF) {
    case MB_YESNO:
        return AskBetween(box, {QStringLiteral("是(&Y)"), QMessageBox::YesRole, IDYES},
                          {QStringLiteral("否(&N)"), QMessageBox::NoRole, IDNO}, flags & MB_DEFBUTTON2);
    case MB_OKCANCEL:
        return AskBetween(box, {QStringLiteral("确定"), QMessageBox::AcceptRole, IDOK},
                          {QStringLiteral("取消"), QMessageBox::RejectRole, IDCANCEL}, flags & MB_DEFBUTTON2);
    default: {
        QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return IDOK;
    }
    }
}
