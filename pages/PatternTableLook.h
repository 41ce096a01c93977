// The look the pattern list and its count column share, so that their rows stay side by side:
// whole rows, one selected, no editing in place, a grid, fixed row heights, no row headings and
// headings that do not react to clicks.
#pragma once

class QTableWidget;

void ApplyPatternTableLook(QTableWidget& table);
