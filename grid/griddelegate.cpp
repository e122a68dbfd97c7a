#include "grid/griddelegate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <cstdlib>
#include <limits>

#include "grid/characterlimit.h"
#include "grid/grid.h"
#include "grid/gridmodel.h"

namespace {

constexpr int TextIndent = 2;    // pixels between a cell's left edge and its text
constexpr int ModifiedMark = 5;  // side of the triangle that marks an unsaved cell
constexpr int TintAlpha = 128;   // of 255: how much highlight covers a selected cell's colour

// The cell's colour seen through the highlight colour laid over it half transparent.
QColor Tinted(const QColor& under, const QColor& highlight) {
  const auto mix = [](int a, int b) { return (a * (255 - TintAlpha) + b * TintAlpha) / 255; };
  return QColor(mix(under.red(), highlight.red()), mix(under.green(), highlight.green()),
                mix(under.blue(), highlight.blue()));
}

// Of the palette's two text colours, the one that stands out more on the background.
QColor Contrasting(const QColor& background, const QPalette& palette) {
  const QColor text = palette.color(QPalette::Text);
  const QColor highlighted = palette.color(QPalette::HighlightedText);
  const int gray = qGray(background.rgb());
  return std::abs(qGray(text.rgb()) - gray) >= std::abs(qGray(highlighted.rgb()) - gray)
             ? text
             : highlighted;
}

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
  const bool selected = option.state & QStyle::State_Selected;
  TCellAttributes attrs;
  attrs.Background = palette.color(active || selected ? QPalette::Highlight : QPalette::Base);
  if (Grid.OnGetCellAttributes) Grid.OnGetCellAttributes(row, column, attrs);
  // The active cell shows its own colour inside the selection, as spreadsheets draw it; the
  // other selected cells are tinted, so the owner's colour still tells them apart.
  const QColor background = selected && !active
                                ? Tinted(attrs.Background, palette.color(QPalette::Highlight))
                                : attrs.Background;
  QColor ink = palette.color(QPalette::Text);
  if (active || selected) ink = Contrasting(background, palette);

  painter->save();
  painter->setClipRect(option.rect);
  painter->fillRect(option.rect, background);

  QFont font = Grid.font();
  font.setBold(attrs.Bold);
  font.setItalic(attrs.Modified);
  painter->setFont(font);
  painter->setPen(ink);
  painter->drawText(option.rect.adjusted(TextIndent, 0, -TextIndent, 0),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    Grid.Model->CellView(index));

  if (attrs.Modified) {
    const QPoint corner = option.rect.topRight();
    const QPoint mark[] = {corner, corner + QPoint(-ModifiedMark, 0),
                           corner + QPoint(0, ModifiedMark)};
    painter->setPen(Qt::NoPen);
    painter->setBrush(ink);
    painter->drawPolygon(mark, 3);
  }

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
  editor->setValidator(new TCharacterLimit(Grid.MaxLength(index.row() + 1, index.column()), editor,
                                           Grid.ColumnCharacters(index.column()),
                                           Grid.Model->CellText(index)));
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
