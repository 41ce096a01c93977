#include "wizard/WizardQuestion.h"

#include "platform/ui/MessageBoxService.h"

QString QuestionTitle() {
    return QStringLiteral("提示");
}

bool AskYesNo(QWidget* owner, const QString& question, unsigned flags) {
    return MessageBoxService::Show(owner, question, QuestionTitle(), MB_YESNO | flags) == IDYES;
}
