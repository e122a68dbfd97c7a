#include "grid/gridnavigation.h"

#include <algorithm>

namespace {

TCellPos Clamped(TCellPos pos, const TGridExtent& extent) {
  return {std::clamp(pos.Row, 0, extent.Rows - 1), std::clamp(pos.Column, 0, extent.Columns - 1)};
}

}  // namespace

std::optional<TCellPos> NavigationTarget(int key, Qt::KeyboardModifiers modifiers, TCellPos from,
                                         const TGridExtent& extent) {
  // Keypad keys carry their own modifier; they act as the main keys.
  const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
  const bool ctrl = mods == Qt::ControlModifier;
  const int lastRow = extent.Rows - 1;
  const int lastColumn = extent.Columns - 1;
  TCellPos to = from;

  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (key == Qt::Key_Tab && mods == Qt::ShiftModifier)
        --to.Column;
      else if (mods == Qt::NoModifier)
        ++to.Column;
      return Clamped(to, extent);
    case Qt::Key_Backtab:
      // Shift+Tab arrives as Backtab, with Shift or (through focus chaining) without it.
      if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) --to.Column;
      return Clamped(to, extent);
    default:
      break;
  }

  // The remaining keys move with or without Shift or Ctrl; Alt and Meta belong to others.
  if (mods & (Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
  switch (key) {
    case Qt::Key_Left:
      to.Column = ctrl ? 0 : from.Column - 1;
      break;
    case Qt::Key_Right:
      to.Column = ctrl ? lastColumn : from.Column + 1;
      break;
    case Qt::Key_Up:
      to.Row = ctrl ? 0 : from.Row - 1;
      break;
    case Qt::Key_Down:
      to.Row = ctrl ? lastRow : from.Row + 1;
      break;
    case Qt::Key_PageUp:
      to.Row = ctrl ? 0 : from.Row - extent.Page;
      break;
    case Qt::Key_PageDown:
      to.Row = ctrl ? lastRow : from.Row + extent.Page;
      break;
    case Qt::Key_Home:
      to = {ctrl ? 0 : from.Row, 0};
      break;
    case Qt::Key_End:
      to = {ctrl ? lastRow : from.Row, lastColumn};
      break;
    default:
      return std::nullopt;
  }
  return Clamped(to, extent);
}

bool ConfirmsEdit(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return mods == Qt::NoModifier || mods == Qt::ShiftModifier;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return mods == Qt::NoModifier;
    default:
      return false;
  }
}

bool ExtendsSelection(int key, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::ShiftModifier) || (modifiers & (Qt::AltModifier | Qt::MetaModifier)))
    return false;
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}
