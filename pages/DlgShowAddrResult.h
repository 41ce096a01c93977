// Page 6, the last page of the wizard: the tree of the unlinked-address split page. It behaves
// exactly as the DP result page; the host gives it page 5 as its source.
#pragma once

#include "DlgShowDPResult.h"

class DlgShowAddrResult : public DlgShowDPResult {
    Q_OBJECT
public:
    explicit DlgShowAddrResult(QWidget* parent = nullptr);
};
