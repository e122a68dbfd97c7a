#pragma once

#include <QStringView>
#include <string_view>

// Natural name order, as file managers list names: letters without regard to case, and a run
// of digits by the number it makes, so "Track2" comes before "Track10" and "track3". Names that
// are equal by that rule are told apart by their leading zeros (fewer first), then by their
// characters' code points (upper case first): the order is total, and only equal names compare
// equal, so a sort by it gives one order whatever the order it started from.
//
// Names are UTF-8 bytes (a byte that is no part of a UTF-8 character counts as a character of
// its own, after every other) or UTF-16. Both give the same order for the same characters.
// Returns a negative number when a comes first, 0 when the names are equal, else a positive one.
int NaturalCompare(std::string_view a, std::string_view b);
int NaturalCompare(QStringView a, QStringView b);

struct TNaturalLess {
  bool operator()(std::string_view a, std::string_view b) const { return NaturalCompare(a, b) < 0; }
  bool operator()(QStringView a, QStringView b) const { return NaturalCompare(a, b) < 0; }
};
