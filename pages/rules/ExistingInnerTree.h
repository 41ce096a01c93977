// The page-1 question: does an inner address tree already hang below some node of this name?
#pragma once

#include <QString>

class ExistingInnerTree {
public:
    // The number of nodes of grade above 7 whose parent bears exactly this name; 0 when the count
    // cannot be read (the database layer has reported why).
    static int CountInnerNodes(const QString& cellName);
};
