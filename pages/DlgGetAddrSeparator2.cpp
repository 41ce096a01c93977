#include "DlgGetAddrSeparator2.h"

#include "CADORecordset.h"
#include "SqlStatement.h"
#include "Statements.h"
#include "automation/ComError.h"

#include <QLabel>

DlgGetAddrSeparator2::DlgGetAddrSeparator2(QWidget* parent) : DlgGetAddrSeparator(parent) {}

bool DlgGetAddrSeparator2::OnInitDialog() {
    DlgGetAddrSeparator::OnInitDialog();
    if (auto* title = Control<QLabel>(5025))
        title->setText(QStringLiteral("指定未关联DP号码的地址拆分模式"));
    return true;
}

bool DlgGetAddrSeparator2::OnEnterPage() {
    // The host hands out page 3's separator text; this page reaches it through its parent window.
    std::u16string separators;
    if (QWidget* host = parentWidget())
        QMetaObject::invokeMethod(host, "GetSeparatorText", Qt::DirectConnection,
                                  Q_RETURN_ARG(std::u16string, separators));
    m_strCandidateChars = std::move(separators);
    return DlgGetAddrSeparator::OnEnterPage();
}

void DlgGetAddrSeparator2::LoadAddresses() {
    ReleaseEntries();

    std::vector<AddressEntry> entries;
    if (g_pDatabase) {
        CADORecordset reading(g_pDatabase);
        reading.m_cursorLocation = adUseServer;
        reading.m_cursorType = adOpenForwardOnly;
        reading.m_lockType = adLockReadOnly;
        const SqlText cellName = SqlText::LikeLiteral(m_strLoadedCellName);
        if (reading.OpenQuery(FormatStatement(Statements::UnlinkedAddresses, {cellName, cellName}))) {
            try {
                while (!reading.AtEnd()) {
                    uint32_t id = 0;
                    QString name, oldId;
                    reading.ReadColumn(0, id, 0u);
                    reading.ReadColumn(1, name, u"");
                    reading.ReadColumn(2, oldId, u"");
                    AddressEntry entry;
                    // Only addresses with more than two characters after the cell name.
                    if (CutAfterCellName(name, m_strLoadedCellName, entry.text) && entry.text.size() > 2) {
                        entry.oldId = oldId.toStdU16String();
                        entry.stdAddrId = id;
                        entries.push_back(std::move(entry));
                    }
                    reading.Next();
                }
                reading.CloseQuery();
            } catch (const ComError& error) {
                reading.ReportError(error, 0);
                entries.clear();
            }
        }
    }
    TakeEntries(std::move(entries));
    // The candidate characters come from page 3 on every entry, not from these addresses.
    ResetPatterns();
}
