// Page 5 of the wizard: the cell's standard addresses that carry an old-id link not covered by any
// of the cell's DP records, split by a second, independent set of patterns. Works as page 3; its
// candidate characters are page 3's current separator texts, fetched from the host on every entry.
#pragma once

#include "pages/DlgGetAddrSeparator.h"

class DlgGetAddrSeparator2 : public DlgGetAddrSeparator {
    Q_OBJECT
public:
    explicit DlgGetAddrSeparator2(QWidget* parent = nullptr);

    bool OnEnterPage() override;
    void LoadAddresses() override;

protected:
    bool OnInitDialog() override;
};
