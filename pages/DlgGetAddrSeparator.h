// Page 3 of the wizard: the DP addresses of the cell and the split patterns that cut them. The
// operator edits up to seven patterns of up to five levels in the pattern list, or has them
// suggested from the addresses; after every change all addresses are split again and shown in the
// colour of the pattern that matched them, with how many each pattern takes and how many none
// takes. The entries and the pattern set stay readable for the result page and the commit.
#pragma once

#include "pages/AddrListBox.h"
#include "pages/MyListCtrl.h"
#include "pages/PatternCountList.h"
#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"
#include "wizard/ResourceIds.h"
#include "wizard/WizardPageDialog.h"

#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <array>
#include <vector>

class QLabel;

class DlgGetAddrSeparator : public WizardPageDialog {
    Q_OBJECT
public:
    explicit DlgGetAddrSeparator(QWidget* parent = nullptr);

    bool OnEnterPage() override;
    // Reloads the entries for the loaded cell name and resets the patterns.
    virtual void LoadAddresses();
    // Rebuilds the pattern set from the pattern list, splits every entry again and shows the result.
    void ResplitAll();

    // What the result page and the commit read: the entries in load order and the pattern set built
    // last. Both stay in place for the life of the page.
    const std::vector<AddressEntry>& Entries() const { return m_entries; }
    const SplitPatternSet& PatternSet() const { return m_patternSet; }
    // The canonical names of the rows in use, by pattern index (the result page names its nodes
    // with them); and every row in use with its names.
    const std::vector<LevelNames>& LevelNamesByPattern() const { return m_levelNames; }
    std::vector<NamedPatternRow> NamedRows() const;
    // The level texts of every pattern in use, internal form (page 5's candidate characters).
    const std::u16string& SeparatorText() const { return m_patternSet.SeparatorText; }
    const std::u16string& CandidateChars() const { return m_strCandidateChars; }
    const QString& LoadedCellName() const { return m_strLoadedCellName; }

    // The controls, for the wizard's operator scripts and for tests.
    MyListCtrl& PatternList() { return m_listPattern; }
    AddrListBox& AddressList() { return m_listAddr; }
    QLineEdit& LevelEdit(int level) { return m_editLevels[level - 1]; }
    QPushButton& MenuButton(int level) { return m_btnMenus[level - 1]; }
    QLineEdit* NamesEdit() { return m_editNames; }
    PatternCountList& CountList() { return m_listCounts; }

    // True when a row of the pattern list holds a level text (the operator's work, lost on Cancel).
    bool HoldsPatterns() const;
    // The level edits' hover text.
    static QString LevelEditHelp();

    // Menu commands: insert the candidate character of that command, "[n]" (30051) or "[c]"
    // (30052) into the level edit that has the focus.
    void OnMenuCommand(int command);

    static constexpr int FirstLevelEditId = SplitPatternsControl::FirstLevelEdit;
    static constexpr int FirstMenuButtonId = SplitPatternsControl::FirstMenuButton;
    static constexpr int SuggestButtonId = SplitPatternsControl::Suggest;
    static constexpr int UnmatchedLabelId = SplitPatternsControl::UnmatchedCount;
    static constexpr int UnmatchedOnlyCheckId = SplitPatternsControl::UnmatchedOnly;
    static constexpr int CountListId = SplitPatternsControl::RowCounts;
    static constexpr int NamesEditId = SplitPatternsControl::NamesEdit;
    // The pattern list's column after the five levels: the row's names, as LevelNamesText writes them.
    static constexpr int NamesColumn = MaxLevels;

protected:
    bool OnInitDialog() override;

    // The cell name the entries were loaded for; empty until the first load.
    QString m_strLoadedCellName;
    std::vector<AddressEntry> m_entries;
    std::u16string m_strCandidateChars;

    // Before a load: the address list lets go of the entries (an error box runs the event loop).
    void ReleaseEntries();
    // After a load: the new entries, listed in sorted order.
    void TakeEntries(std::vector<AddressEntry>&& entries);
    // Empties the level edits, leaves one empty pattern row selected and splits again.
    void ResetPatterns();

private:
    void OnLevelEditChanged(int column);
    // The names edit changed: the selected row takes its names; the cut stays as it is.
    void OnNamesEditChanged();
    void CollectNames();
    void OnRowFocusChanged(int row);
    void OnNewPattern();
    void OnDeletePattern();
    // Fills the pattern list with the rows suggested for the entries, after asking when it already
    // holds patterns.
    void OnSuggestPatterns();
    void ShowCounts();
    void OnMenuButton(int level);
    // Puts row `row` into the five level edits in display form; as the edits' own changes would,
    // this writes the five texts into the selected row and splits again, once.
    void LoadRowIntoEdits(int row);
    // Selects a row without the focus notification; the caller loads it.
    void SelectRowQuietly(int row);

    MyListCtrl m_listPattern;
    AddrListBox m_listAddr;
    std::array<QLineEdit, MaxLevels> m_editLevels;
    std::array<QPushButton, MaxLevels> m_btnMenus;
    QLabel* m_labelCount = nullptr;
    PatternCountList m_listCounts;
    QLabel* m_labelUnmatched = nullptr;
    SplitPatternSet m_patternSet;
    QLineEdit* m_editNames = nullptr;
    std::vector<LevelNames> m_levelNames;
    QPixmap m_bmpMenu;

    int m_resplitBlocked = 0;   // > 0 while several changes make one re-split
    bool m_loadingRow = false;  // the level edits are being set from a row
    bool m_quietSelect = false; // a row is being selected by the page itself
};
