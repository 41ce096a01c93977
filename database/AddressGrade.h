// The level number `grade` of an addr node. 1 to 6 are the public levels above a compound, 7 the
// compound (the cell) itself, 8 to 12 the inner levels the wizard writes below it. A node's grade
// is its parent's plus one.
#pragma once

namespace AddressGrade {
inline constexpr int City = 1;     // 市; its node has parent 0
inline constexpr int District = 2; // 区
inline constexpr int Town = 3;     // 镇
inline constexpr int Road = 4;     // 路
inline constexpr int Street = 5;   // 街
inline constexpr int Number = 6;   // 号, the cell's parent
inline constexpr int Cell = 7;
inline constexpr int FirstInner = 8;
inline constexpr int LastInner = 12;
} // namespace AddressGrade
