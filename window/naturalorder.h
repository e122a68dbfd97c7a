#pragma once

#include <QStringView>
#include <string>
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

// Appends the sort key of a text to `key`: bytes whose order (unsigned, a key before its longer
// keys) is NaturalCompare's order of the texts, equal keys for equal texts only. A sort of many
// texts compares keys, with no case folding or number reading at each comparison. The key holds
// the text's characters case folded and its numbers by value, a 0 byte, then what tells texts
// apart that are equal by those: letter case and leading zeros.
void AppendNaturalKey(QStringView text, std::string& key);

struct TNaturalLess {
  bool operator()(std::string_view a, std::string_view b) const { return NaturalCompare(a, b) < 0; }
  bool operator()(QStringView a, QStringView b) const { return NaturalCompare(a, b) < 0; }
};
