#pragma once

#include <QColor>

// Row colours of the table, also shown in the legend.
namespace TagColours {
inline const QColor Invalid{255, 0, 0};     // no valid tag: red
inline const QColor Version1{0, 255, 255};  // aqua
inline const QColor Version2{0, 128, 128};  // teal
inline const QColor ReadOnly{0, 128, 0};    // green, drawn bold
}  // namespace TagColours
