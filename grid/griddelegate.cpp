#include "grid/griddelegate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <limits>

#include "grid/characterlimit.h"
#include "grid/grid.h"
#include "grid/gridmodel.h"

namespace {

constexpr int TextIndent = 2;  // pixels between a cell's left edge and its text

// Keys that leave the editor for the grid; the others (Left, Right, Home, End, ...) stay inside
// it, so the caret never leaves the cell at either end of the text.
bool LeavesEditor(int key) {
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
      return true;
    default:
      return false;
  }
}

}  // namespace

TGridDelegate::TGridDelegate(TGrid& grid) : QStyledItemDelegate(&grid), Grid(grid) {}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  const int row = index.row() + 1;
  const int column = index.column();
  Grid.NotifyEnteringRow(row);

  const QPalette& palette = option.palette;
  const bool active = index == Grid.currentIndex();
  const bool highlighted = active || (option.state & QStyle::State_Selected);
  TCellAttributes attrs;
  attrs.Background = palette.color(highlighted ? QPalette::Highlight : QPalette::Base);
  if (Grid.OnGetCellAttributes) Grid.OnGetCellAttributes(row, column, attrs);

  painter->save();
  painter->setClipRect(option.rect);
  painter->fillRect(option.rect, attrs.Background);

  QFont font = Grid.font();
  font.setBold(attrs.Bold);
  painter->setFont(font);
  painter->setPen(palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(option.rect.adjusted(TextIndent, 0, -TextIndent, 0),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    Grid.Model->CellView(index));

  if (active) {
    QPen frame(Qt::black);
    frame.setStyle(Grid.hasFocus() ? Qt::SolidLine : Qt::DashLine);
    painter->setPen(frame);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

QWidget* TGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                     const QModelIndex& index) const {
  auto* editor = new QLineEdit(parent);
  editor->setFrame(false);
  editor->setValidator(
      new TCharacterLimit(Grid.MaxLength(index.row() + 1, index.column()), editor));
  // The validator holds the limit; a line edit's own would cut a text at 32,767 units.
  editor->setMaxLength(std::numeric_limits<int>::max());
  editor->setFont(Grid.font());
  editor->setTextMargins(TextIndent - 1, 0, 0, 0);
  // A cell being edited shows window text on button face.
  QPalette palette = editor->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
  editor->setPalette(palette);
  return editor;
}

void TGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  static_cast<QLineEdit*>(editor)->setText(Grid.Model->CellText(index));
}

void TGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
  editor->setGeometry(option.rect);
}

bool TGridDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<QLineEdit*>(object);
  if (!editor) return QStyledItemDelegate::eventFilter(object, event);

  if (event->type() == QEvent::ShortcutOverride) {
    // Claims these keys from the window's shortcuts, so the press reaches the filter below.
    if (!LeavesEditor(static_cast<QKeyEvent*>(event)->key())) return false;
    event->accept();
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!LeavesEditor(key->key())) return false;
    Grid.keyPressEvent(key);
    return true;
  }
  if (event->type() == QEvent::FocusOut) {
    // The editor's own context menu, and switching to another window, take the focus without
    // ending the edit; it goes on when the window is active again.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
      if (w == editor) return false;
    Grid.FinishEdit();
    return false;
  }
  return false;
}
