#include "pages/DlgShowAddrResult.h"

#include "platform/ui/DialogTemplate.h"
#include "wizard/WaitCursor.h"

#include <QLabel>
#include <QTreeWidget>

namespace {
constexpr int PreviewHeight = 20; // taken from the bottom of the tree
}

DlgShowAddrResult::DlgShowAddrResult(QWidget* parent) : DlgShowDPResult(parent) {}

int DlgShowAddrResult::SourcePageNumber() const {
    return 5;
}

bool DlgShowAddrResult::OnInitDialog() {
    DlgShowDPResult::OnInitDialog();
    m_labelPreview = new QLabel(this);
    m_labelPreview->setObjectName(QStringLiteral("labelFinishPreview"));
    m_labelPreview->setProperty(DialogTemplate::ControlIdProperty, PreviewLabelId);
    // At the bottom, under the tree and the line of the addresses left out, which move up.
    if (QWidget* tree = GetTreeCtrl()) {
        const QRect area = tree->geometry();
        tree->setGeometry(area.adjusted(0, 0, 0, -PreviewHeight));
        int bottom = area.bottom();
        if (QWidget* leftOut = DialogTemplate::FindControl(this, LeftOutId)) {
            bottom = std::max(bottom, leftOut->geometry().bottom());
            leftOut->move(leftOut->x(), leftOut->y() - PreviewHeight);
        }
        m_labelPreview->setGeometry(area.x(), bottom - PreviewHeight + 4, area.width(), PreviewHeight - 4);
        Anchor(m_labelPreview, {0, 1, 1, 1});
    }
    return true;
}

bool DlgShowAddrResult::OnEnterPage() {
    const bool entered = DlgShowDPResult::OnEnterPage();
    ShowPreview();
    return entered;
}

void DlgShowAddrResult::ShowPreview() {
    if (!m_labelPreview)
        return;
    if (!m_previewSource) {
        m_labelPreview->clear();
        return;
    }
    WaitCursor wait;
    m_labelPreview->setText(PreviewText(m_previewSource()));
}

QString DlgShowAddrResult::PreviewText(const FinishPreview& preview) {
    if (!preview.outcome.ok)
        return QStringLiteral("完成时将无法写入：%1").arg(preview.outcome.failure);
    const CommitStats& stats = preview.outcome.stats;
    // A path that page 2 could not find is made at Finish: its new levels are named, as page 2 warned.
    const QString pathNodes =
        stats.pathNodesNew > 0 ? QStringLiteral("（其中新建小区路径节点 %1）").arg(stats.pathNodesNew) : QString();
    QString text = QStringLiteral("完成时将写入：新节点 %1%2，新关联 %3，移动地址 %4，替换地址 %5；"
                                  "未匹配而不写入的地址：第3页 %6，第5页 %7")
                       .arg(stats.nodesNew)
                       .arg(pathNodes)
                       .arg(stats.linksNew)
                       .arg(stats.moved)
                       .arg(stats.replaced)
                       .arg(preview.unmatchedDp)
                       .arg(preview.unmatchedAddr);
    // Canonical names at work: how many ways of writing became how many nodes.
    if (preview.merged.nodes > 0)
        text += QStringLiteral("；%1种写法合并为%2个节点")
                    .arg(static_cast<qulonglong>(preview.merged.forms))
                    .arg(static_cast<qulonglong>(preview.merged.nodes));
    return text;
}
