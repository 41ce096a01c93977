#include "pages/CandidateMenu.h"

#include "splitting/Splitting.h"

#include <QMenu>

CandidateMenu::CandidateMenu(std::u16string_view candidateChars) {
    for (std::size_t i = 0; i < candidateChars.size(); ++i) {
        const char16_t c = candidateChars[i];
        if (QChar::isHighSurrogate(c) && i + 1 < candidateChars.size() && QChar::isLowSurrogate(candidateChars[i + 1])) {
            m_chars.append(QString::fromUtf16(candidateChars.data() + i, 2));
            ++i;
        } else {
            m_chars.append(QString(QChar(c)));
        }
    }
}

int CandidateMenu::CommandOfCharacter(int i) {
    return i < MainMenuChars ? FirstCharCommand + i : FurtherCharCommand + (i - MainMenuChars);
}

QString CandidateMenu::InsertText(int command) const {
    if (command == NumeralCommand)
        return QString::fromStdU16String(std::u16string(NumeralToken));
    if (command == LetterCommand)
        return QString::fromStdU16String(std::u16string(LetterToken));
    int i = -1;
    if (command >= FirstCharCommand && command < FirstCharCommand + MainMenuChars)
        i = command - FirstCharCommand;
    else if (command >= FurtherCharCommand)
        i = MainMenuChars + (command - FurtherCharCommand);
    return i >= 0 && i < m_chars.size() ? m_chars[i] : QString();
}

QString CandidateMenu::ItemLabel(const QString& character) {
    if (character == QChar(NumeralMark))
        return QString::fromStdU16String(std::u16string(NumeralToken));
    if (character == QChar(LetterMark))
        return QString::fromStdU16String(std::u16string(LetterToken));
    if (character == QLatin1String("&"))
        return QStringLiteral("&&");
    return character;
}

void CandidateMenu::Populate(QMenu& menu) const {
    menu.addAction(QStringLiteral("阿拉伯数字"))->setData(NumeralCommand);
    menu.addAction(QStringLiteral("英文字母"))->setData(LetterCommand);
    if (m_chars.isEmpty())
        return;
    menu.addSeparator();
    QMenu* further = nullptr;
    for (int i = 0; i < m_chars.size(); ++i) {
        QMenu* target = &menu;
        if (i >= MainMenuChars) {
            if (!further)
                further = menu.addMenu(QStringLiteral("更多"));
            target = further;
        }
        target->addAction(ItemLabel(m_chars[i]))->setData(CommandOfCharacter(i));
    }
}
