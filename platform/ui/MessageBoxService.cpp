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
} // namespace

QString MessageBoxService::ApplicationTitle() { return QStringLiteral("tessel"); }

int MessageBoxService::DefaultAnswer(unsigned flags) {
    switch (flags & 0xF) {
    case MB_YESNO:
        return IDYES;
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
    case MB_YESNO: {
        QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? IDYES : IDNO;
    }
    case MB_OKCANCEL: {
        QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == ok ? IDOK : IDCANCEL;
    }
    default: {
        QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return IDOK;
    }
    }
}
