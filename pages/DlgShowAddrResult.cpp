#include "DlgShowAddrResult.h"

DlgShowAddrResult::DlgShowAddrResult(QWidget* parent) : DlgShowDPResult(parent) {}
