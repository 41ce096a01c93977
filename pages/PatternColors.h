// The background colour of an address that pattern i matched, for the seven patterns of a set.
#pragma once

#include <QColor>

#include <array>

inline const std::array<QColor, 7> PatternColors = {
    QColor(192, 192, 192), // light grey
    QColor(255, 0, 0),     // red
    QColor(255, 255, 0),   // yellow
    QColor(0, 255, 0),     // green
    QColor(0, 255, 255),   // cyan
    QColor(0, 0, 255),     // blue
    QColor(255, 0, 255),   // magenta
};
