#include "pages/DlgGetAddrSeparator.h"

#include "pages/AddressListModel.h"
#include "pages/CandidateMenu.h"
#include "pages/rules/AddressEntryLoader.h"
#include "platform/ui/MessageBoxService.h"
#include "wizard/WaitCursor.h"
#include "wizard/WizardData.h"
#include "wizard/WizardQuestion.h"
#include "wizard/WizardResources.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>

DlgGetAddrSeparator::DlgGetAddrSeparator(QWidget* parent) : WizardPageDialog(TemplateId::SplitPatterns, parent) {}

bool DlgGetAddrSeparator::OnInitDialog() {
    WizardPageDialog::OnInitDialog();
    SubclassControl(SplitPatternsControl::PatternList, &m_listPattern);
    // The pattern list takes the focus from a click itself, and only from one on a row (the
    // template's focus policy came along with the control).
    m_listPattern.setFocusPolicy(Qt::TabFocus);
    SubclassControl(SplitPatternsControl::AddressList, &m_listAddr);
    m_labelCount = BindControl<QLabel>(SplitPatternsControl::AddressCount);
    for (int k = 0; k < MaxLevels; ++k) {
        SubclassControl(FirstLevelEditId + k, &m_editLevels[k]);
        SubclassControl(FirstMenuButtonId + k, &m_btnMenus[k]);
    }
    m_pFocusCtrl = &m_editLevels[0];

    // The menu buttons show the chevron bitmap instead of their template text.
    m_bmpMenu = QPixmap::fromImage(WizardResources::LoadBitmap(BitmapId::MenuArrow));
    for (QPushButton& button : m_btnMenus) {
        button.setText(QString());
        button.setIcon(QIcon(m_bmpMenu));
        button.setIconSize(m_bmpMenu.size());
    }

    // Five level columns, then the row's names (栋/单元/室), in the width the five had.
    m_listPattern.setColumnCount(MaxLevels + 1);
    for (int k = 1; k <= MaxLevels + 1; ++k) {
        auto* heading = new QTableWidgetItem(k <= MaxLevels ? QStringLiteral("第%1级").arg(k) : QStringLiteral("名称"));
        heading->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_listPattern.setHorizontalHeaderItem(k - 1, heading);
        m_listPattern.setColumnWidth(k - 1, k <= MaxLevels ? 45 : 70);
    }

    m_editNames = BindControl<QLineEdit>(NamesEditId);
    if (m_editNames) {
        connect(m_editNames, &QLineEdit::textChanged, this, [this] { OnNamesEditChanged(); });
        m_editNames->setToolTip(QStringLiteral("每级节点的名称，用“/”分隔，如“栋/单元/室”：4-、4号楼、四栋都写作节点4栋"
                                               "（读出数字，换上本级名称）；某级留空则按拆出的原样写入。"));
    }
    for (int k = 0; k < MaxLevels; ++k) {
        connect(&m_editLevels[k], &QLineEdit::textChanged, this, [this, k] { OnLevelEditChanged(k); });
        connect(&m_btnMenus[k], &QPushButton::clicked, this, [this, k] { OnMenuButton(k + 1); });
    }
    connect(&m_listPattern, &MyListCtrl::FocusRowChanged, this, [this](int row) { OnRowFocusChanged(row); });
    if (auto* newPattern = BindControl<QPushButton>(SplitPatternsControl::NewPattern))
        connect(newPattern, &QPushButton::clicked, this, [this] { OnNewPattern(); });
    if (auto* deletePattern = BindControl<QPushButton>(SplitPatternsControl::DeletePattern))
        connect(deletePattern, &QPushButton::clicked, this, [this] { OnDeletePattern(); });

    // What the patterns take: a count beside each row, the count of addresses no row takes, and a
    // way to list only those.
    SubclassControl(CountListId, &m_listCounts);
    m_listCounts.Follow(m_listPattern);
    m_labelUnmatched = BindControl<QLabel>(UnmatchedLabelId);
    if (auto* unmatchedOnly = BindControl<QCheckBox>(UnmatchedOnlyCheckId))
        connect(unmatchedOnly, &QCheckBox::toggled, this, [this](bool on) { m_listAddr.ShowUnmatchedOnly(on); });
    if (auto* suggest = BindControl<QPushButton>(SuggestButtonId))
        connect(suggest, &QPushButton::clicked, this, [this] { OnSuggestPatterns(); });
    // A larger window: the address list and the pattern list share the new width and take the new
    // height; the count column and the buttons under the pattern list keep to its right edge; the
    // rest below moves down with the bottom.
    Anchor(&m_listAddr, {0, 0, 0.5, 1});
    Anchor(&m_listPattern, {0.5, 0, 1, 1});
    Anchor(&m_listCounts, {1, 0, 1, 1});
    for (int id : {SuggestButtonId, int(SplitPatternsControl::NewPattern), int(SplitPatternsControl::DeletePattern)})
        if (QWidget* button = Control(id))
            Anchor(button, {1, 1, 1, 1});

    // How a level text cuts is the first thing an operator gets wrong: 单元 ends a level at 单. In
    // short lines, so the tip stays narrower than the wizard.
    for (QLineEdit& edit : m_editLevels)
        edit.setToolTip(LevelEditHelp());
    return true;
}

QString DlgGetAddrSeparator::LevelEditHelp() {
    return QStringLiteral("本级在其文本中任一字符首次出现处结束：\n"
                          "写“单元”会在“单”处结束，应只写“元”。\n"
                          "[n]在一串阿拉伯数字末尾结束，\n"
                          "[c]在一串英文字母末尾结束。");
}

bool DlgGetAddrSeparator::OnEnterPage() {
    // The host paints its loading text while the page loads.
    if (QWidget* host = parentWidget())
        host->repaint();
    if (m_pWizardData && m_strLoadedCellName != m_pWizardData->m_strCellName) {
        m_strLoadedCellName = m_pWizardData->m_strCellName;
        LoadAddresses();
    }
    return WizardPageDialog::OnEnterPage();
}

void DlgGetAddrSeparator::ReleaseEntries() {
    m_listAddr.ShowEntries(nullptr);
    m_entries.clear();
}

void DlgGetAddrSeparator::TakeEntries(std::vector<AddressEntry>&& entries) {
    m_entries = std::move(entries);
    m_listAddr.ShowEntries(&m_entries);
}

void DlgGetAddrSeparator::LoadAddresses() {
    ReleaseEntries();
    TakeEntries(AddressEntryLoader::Load(AddressEntryLoader::Source::DpAddresses, m_strLoadedCellName));
    m_strCandidateChars = CollectCandidateChars(m_entries);
    ResetPatterns();
}

void DlgGetAddrSeparator::ResetPatterns() {
    ++m_resplitBlocked;
    m_loadingRow = true;
    for (QLineEdit& edit : m_editLevels)
        edit.clear();
    if (m_editNames)
        m_editNames->clear();
    m_loadingRow = false;
    m_quietSelect = true;
    m_listPattern.setRowCount(0);
    m_listPattern.AppendEmptyRow();
    m_listPattern.SelectRow(0);
    m_quietSelect = false;
    --m_resplitBlocked;
    ResplitAll();
}

void DlgGetAddrSeparator::ResplitAll() {
    if (m_resplitBlocked > 0)
        return;
    // Only the first seven rows take part; later rows stay in the list unused.
    std::vector<PatternRow> rows;
    const int used = std::min(m_listPattern.rowCount(), MaxPatterns);
    rows.reserve(used);
    for (int row = 0; row < used; ++row)
        rows.push_back(m_listPattern.Row(row));
    m_patternSet = BuildPatternSet(rows);
    CollectNames();

    WaitCursor wait;
    const SplitMatcher matcher(m_patternSet);
    m_listAddr.Resplit(matcher);
    if (m_labelCount)
        m_labelCount->setText(QStringLiteral("共%1项").arg(m_entries.size()));
    ShowCounts();
}

void DlgGetAddrSeparator::CollectNames() {
    m_levelNames.clear();
    for (int row = 0; row < m_patternSet.count; ++row)
        m_levelNames.push_back(ParseLevelNames(m_listPattern.CellText(row, NamesColumn).toStdU16String()));
}

std::vector<NamedPatternRow> DlgGetAddrSeparator::NamedRows() const {
    std::vector<NamedPatternRow> rows;
    for (int row = 0; row < m_patternSet.count; ++row)
        rows.push_back(NamedPatternRow{m_listPattern.Row(row), m_levelNames[static_cast<std::size_t>(row)]});
    return rows;
}

void DlgGetAddrSeparator::OnNamesEditChanged() {
    if (m_loadingRow || !m_editNames)
        return;
    const int row = m_listPattern.FirstSelectedRow();
    if (row < 0)
        return;
    m_listPattern.SetCellText(row, NamesColumn, m_editNames->text());
    CollectNames();
}

void DlgGetAddrSeparator::ShowCounts() {
    const AddressListModel& model = *m_listAddr.Model();
    // Rows after the seventh take part in nothing: they take no address.
    std::vector<int> counts(static_cast<std::size_t>(m_listPattern.rowCount()), 0);
    for (int row = 0; row < m_patternSet.count && row < m_listPattern.rowCount(); ++row)
        counts[static_cast<std::size_t>(row)] = model.EntriesTakenBy(row);
    m_listCounts.SetCounts(counts, MaxPatterns, MyListCtrl::UnusedRowText());
    m_listPattern.MarkRows(MaxPatterns);
    if (m_labelUnmatched)
        m_labelUnmatched->setText(QStringLiteral("未匹配%1项").arg(model.EntriesTakenBy(-1)));
}

void DlgGetAddrSeparator::OnLevelEditChanged(int column) {
    if (m_loadingRow)
        return;
    const int row = m_listPattern.FirstSelectedRow();
    if (row < 0)
        return;
    m_listPattern.SetCellText(row, column, m_editLevels[column].text());
    ResplitAll();
}

void DlgGetAddrSeparator::OnRowFocusChanged(int row) {
    if (m_quietSelect)
        return;
    LoadRowIntoEdits(row);
}

void DlgGetAddrSeparator::LoadRowIntoEdits(int row) {
    std::array<QString, MaxLevels> texts;
    for (int k = 0; k < MaxLevels; ++k)
        texts[k] = QString::fromStdU16String(ToDisplayForm(m_listPattern.CellText(row, k).toStdU16String()));
    const QString names = m_listPattern.CellText(row, NamesColumn);
    m_loadingRow = true;
    for (int k = 0; k < MaxLevels; ++k)
        m_editLevels[k].setText(texts[k]);
    if (m_editNames)
        m_editNames->setText(names);
    m_loadingRow = false;
    // Each edit's change writes its text into the selected row; all five at once, then one split.
    const int selected = m_listPattern.FirstSelectedRow();
    if (selected < 0)
        return;
    for (int k = 0; k < MaxLevels; ++k)
        m_listPattern.SetCellText(selected, k, m_editLevels[k].text());
    if (m_editNames)
        m_listPattern.SetCellText(selected, NamesColumn, m_editNames->text());
    ResplitAll();
}

void DlgGetAddrSeparator::SelectRowQuietly(int row) {
    m_quietSelect = true;
    m_listPattern.SelectRow(row);
    m_quietSelect = false;
}

void DlgGetAddrSeparator::OnNewPattern() {
    // No upper limit: rows after the seventh are kept but take no part in splitting.
    const int row = m_listPattern.AppendEmptyRow();
    SelectRowQuietly(row);
    LoadRowIntoEdits(row);
    m_editLevels[0].setFocus();
}

void DlgGetAddrSeparator::OnDeletePattern() {
    const int row = m_listPattern.FirstSelectedRow();
    if (row < 0)
        return;
    m_quietSelect = true;
    m_listPattern.removeRow(row);
    if (m_listPattern.rowCount() == 0)
        m_listPattern.AppendEmptyRow();
    const int next = std::min(row, m_listPattern.rowCount() - 1);
    m_listPattern.SelectRow(next);
    m_quietSelect = false;
    LoadRowIntoEdits(next);
}

bool DlgGetAddrSeparator::HoldsPatterns() const {
    for (int row = 0; row < m_listPattern.rowCount(); ++row)
        for (int column = 0; column < MaxLevels; ++column)
            if (!m_listPattern.CellText(row, column).isEmpty())
                return true;
    return false;
}

void DlgGetAddrSeparator::OnSuggestPatterns() {
    // No by default: Enter alone never throws away the operator's rows.
    if (HoldsPatterns() && !AskYesNo(this, QStringLiteral("模式列表中已有模式，用建议的模式替换它们吗？"),
                                     MB_ICONQUESTION | MB_DEFBUTTON2))
        return;
    std::vector<NamedPatternRow> rows;
    {
        WaitCursor wait;
        rows = SuggestNamedPatterns(m_entries);
    }
    if (rows.empty()) {
        MessageBoxService::Show(this, QStringLiteral("这些地址中找不到可以建议的模式。"), {},
                                MB_OK | MB_ICONINFORMATION);
        return;
    }
    // The new rows replace the list; the first is loaded into the edits, with one split.
    ++m_resplitBlocked;
    m_quietSelect = true;
    m_listPattern.setRowCount(0);
    for (const NamedPatternRow& named : rows) {
        const int row = m_listPattern.AppendEmptyRow();
        for (int column = 0; column < MaxLevels; ++column)
            m_listPattern.SetCellText(row, column, QString::fromStdU16String(named.levels[column]));
        m_listPattern.SetCellText(row, NamesColumn, QString::fromStdU16String(LevelNamesText(named.names)));
    }
    m_listPattern.SelectRow(0);
    m_quietSelect = false;
    --m_resplitBlocked;
    LoadRowIntoEdits(0);
    // The focus goes to the rows just filled: left on 建议模式, Enter would ask again.
    m_listPattern.setFocus(Qt::OtherFocusReason);
}

void DlgGetAddrSeparator::OnMenuButton(int level) {
    QLineEdit& edit = m_editLevels[level - 1];
    QPushButton& button = m_btnMenus[level - 1];
    edit.setFocus();
    button.setDefault(false);
    button.update();

    QMenu menu(this);
    CandidateMenu(m_strCandidateChars).Populate(menu);
    const QAction* chosen = menu.exec(button.mapToGlobal(QPoint(0, button.height())));
    if (chosen)
        OnMenuCommand(chosen->data().toInt());
}

void DlgGetAddrSeparator::OnMenuCommand(int command) {
    const QString text = CandidateMenu(m_strCandidateChars).InsertText(command);
    if (text.isEmpty())
        return;
    // The control that has the focus in this window: while a popup menu closes, the window may
    // not be active again yet, but it keeps its focus control.
    QWidget* focus = window()->focusWidget();
    for (QLineEdit& edit : m_editLevels) {
        if (focus == &edit) {
            edit.insert(text); // replaces the selection, or inserts at the caret
            return;
        }
    }
}
