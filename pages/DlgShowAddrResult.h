// Page 6, the last page of the wizard: the tree of the unlinked-address split page. It behaves
// exactly as the DP result page; the host gives it page 5 as its source. Below the tree it shows
// what Finish would write now: the counts of a dry run of the whole commit, computed on every entry.
#pragma once

#include "pages/DlgShowDPResult.h"
#include "pages/rules/FinishPreview.h"
#include "wizard/ResourceIds.h"

#include <functional>

class QLabel;

class DlgShowAddrResult : public DlgShowDPResult {
    Q_OBJECT
public:
    explicit DlgShowAddrResult(QWidget* parent = nullptr);

    // As page 4, then the preview of Finish.
    bool OnEnterPage() override;

    // Set once by the host: runs the dry run over what Finish would read now.
    void SetPreviewSource(std::function<FinishPreview()> source) { m_previewSource = std::move(source); }

    // The preview's text: the dry run's counts and the addresses left out, or why it failed.
    static QString PreviewText(const FinishPreview& preview);

    // The preview's control id, for operator scripts (print 5012).
    static constexpr int PreviewLabelId = ResultTreeControl::Preview;

protected:
    bool OnInitDialog() override;
    int SourcePageNumber() const override;

private:
    void ShowPreview();

    std::function<FinishPreview()> m_previewSource;
    QLabel* m_labelPreview = nullptr;
};
