#include "pages/DlgGetAddrSeparator2.h"

#include "pages/rules/AddressEntryLoader.h"
#include "wizard/ResourceIds.h"

#include <QLabel>

DlgGetAddrSeparator2::DlgGetAddrSeparator2(QWidget* parent) : DlgGetAddrSeparator(parent) {}

bool DlgGetAddrSeparator2::OnInitDialog() {
    DlgGetAddrSeparator::OnInitDialog();
    if (auto* title = Control<QLabel>(SplitPatternsControl::Title))
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
    TakeEntries(AddressEntryLoader::Load(AddressEntryLoader::Source::UnlinkedAddresses, m_strLoadedCellName));
    // The candidate characters come from page 3 on every entry, not from these addresses.
    ResetPatterns();
}
