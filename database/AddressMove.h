// An address that moves below another node with a new name and grade, and the one statement that
// moves a batch of them (Statements::MoveAddrs: a case list per column).
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

struct AddressMove {
    uint32_t address;
    QString name;
    int grade;
    uint32_t parent;
};

// Literal values of one move in that statement: its id in three case lists and the in list, and
// its name, grade and parent.
inline constexpr std::size_t AddressMoveLiterals = 7;

// Throws std::logic_error for no moves, as FormatList does.
QString FormatAddressMoves(const std::vector<AddressMove>& moves);
