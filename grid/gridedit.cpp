// The grid's keyboard and mouse handling and its editing protocol.
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

#include "grid/grid.h"
#include "grid/gridmodel.h"
#include "grid/gridnavigation.h"

namespace {

// Holds a flag of the grid for a scope, exceptions included, unless a handler destroyed the grid.
class TBusy {
 public:
  TBusy(TGrid* grid, bool& flag) : Grid(grid), Flag(flag) { Flag = true; }
  ~TBusy() {
    if (Grid) Flag = false;
  }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

 private:
  QPointer<TGrid> Grid;
  bool& Flag;
};

// A key starts an edit when its text is one the editor takes: a printable character (one
// outside the basic plane arrives as a surrogate pair), a formatting or a private-use character.
bool StartsEdit(const QKeyEvent& event) {
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString text = event.text();
  if (text.isEmpty()) return false;
  char32_t first = text.at(0).unicode();
  if (text.size() > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
    first = QChar::surrogateToUcs4(text.at(0), text.at(1));
  const QChar::Category category = QChar::category(first);
  return QChar::isPrint(first) || category == QChar::Other_Format ||
         category == QChar::Other_PrivateUse;
}

}  // namespace

bool TGrid::IsEditing() const { return Editor != nullptr; }

void TGrid::FinishEdit() { AcceptEdit(); }

void TGrid::StartEdit(const QString& initial) {
  const QPersistentModelIndex index = currentIndex();
  if (!index.isValid() || Editor || AskingBeginEdit || EndingEdit) return;
  if (OnBeginEdit) {
    QPointer<TGrid> self(this);
    bool allow = true;
    {
      TBusy busy(this, AskingBeginEdit);
      OnBeginEdit(index.row() + 1, index.column(), initial, allow);
    }
    // The handler may have run a modal dialog, with the table changing under it meanwhile.
    if (!self || !allow || !index.isValid() || index != currentIndex() || Editor) return;
  }
  if (!QTableView::edit(index, AllEditTriggers, nullptr)) return;
  Editor = qobject_cast<QLineEdit*>(indexWidget(index));
  EditIndex = index;
  if (!Editor) return;
  if (initial.isEmpty()) {
    Editor->deselect();
    Editor->end(false);
  } else {
    Editor->insert(initial);  // replaces the selected cell text, as a typed key does
  }
}

bool TGrid::AcceptEdit() {
  if (!Editor) return true;
  if (EndingEdit) return false;
  QPointer<TGrid> self(this);
  const int row = EditIndex.row() + 1;
  const int column = EditIndex.column();
  QString text = Editor->text();
  bool allow = true;
  if (OnEndEdit) {
    TBusy busy(this, EndingEdit);
    OnEndEdit(text, row, column, allow);
  }
  if (!self || !Editor) return true;  // the editor was dropped meanwhile: its row went away
  if (!allow) return false;
  if (EditIndex.isValid()) Model->StoreText(EditIndex, text, MaxLength(row, column));
  DropEditor();
  return true;
}

void TGrid::DropEditor() {
  QLineEdit* editor = Editor;
  Editor = nullptr;
  EditIndex = QPersistentModelIndex();
  if (!editor) return;
  // A modal box may hold the focus now; the grid takes it back when its window is active again.
  const bool focused = editor->hasFocus() || window()->focusWidget() == editor;
  QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
  if (focused) setFocus();
}

void TGrid::MoveTo(int modelRow, int column) {
  const QModelIndex target = Model->index(modelRow, column);
  if (!target.isValid()) return;
  if (Editor && target != EditIndex && !AcceptEdit()) return;
  setCurrentIndex(target);
}

void TGrid::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  event->accept();
  if (key == Qt::Key_Escape && Editor) {
    DropEditor();
    return;
  }
  if (key == Qt::Key_F2 && mods == Qt::NoModifier) {
    StartEdit();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  const QModelIndex current = currentIndex();
  const std::vector<int> shown = ShownColumns();  // moves count shown columns only
  if (current.isValid() && !shown.empty()) {
    const int column = static_cast<int>(
        std::lower_bound(shown.begin(), shown.end(), current.column()) - shown.begin());
    const TCellPos from{current.row(), column};
    const TGridExtent extent{Model->rowCount(), static_cast<int>(shown.size()), PageRows()};
    const bool extend = ExtendsSelection(key, event->modifiers());
    const Qt::KeyboardModifiers moveMods =
        extend ? event->modifiers() & ~Qt::ShiftModifier : event->modifiers();
    if (const auto to = NavigationTarget(key, moveMods, from, extent)) {
      if (*to == from && !(Editor && ConfirmsEdit(key, event->modifiers()))) return;
      if (Editor && !AcceptEdit()) return;
      if (extend)
        ExtendTo(Model->index(to->Row, shown[to->Column]));
      else
        MoveTo(to->Row, shown[to->Column]);
      return;
    }
  }
  if (!Editor && StartsEdit(*event)) {
    StartEdit(event->text());
    return;
  }
  event->ignore();
}

void TGrid::inputMethodEvent(QInputMethodEvent* event) {
  // A character composed by an input method starts an edit as a typed one does; Qt's own
  // handling would search the column for it instead.
  event->accept();
  if (!Editor && !event->commitString().isEmpty()) StartEdit(event->commitString());
}

void TGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPersistentModelIndex index = indexAt(event->position().toPoint());
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && index.isValid() && index == currentIndex()) StartEdit();
}

bool TGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // Qt's forced edits (the public edit() slot) pass the begin-edit handler as F2 does.
  if (trigger != AllEditTriggers) return QTableView::edit(index, trigger, event);
  if (!index.isValid()) return false;
  MoveTo(index.row(), index.column());
  StartEdit();
  return Editor != nullptr;
}
