// The table's keys and context menus: the cell commands with the keys spreadsheets give them,
// and the columns shown or hidden from the headings' menu.
#include <QAction>
#include <QMenu>

#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

// A command of the table: its keys work while the table (or its cell editor, which keeps the
// text-editing keys for itself) has the focus, and it runs inside the user-action boundary.
QAction* AddCommand(TGrid& table, const QString& text, const QList<QKeySequence>& keys,
                    std::function<void()> handler) {
  auto* action = new QAction(text, &table);
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(action, &QAction::triggered, &table,
                   [handler = std::move(handler)] { RunUserAction(handler); });
  table.addAction(action);
  return action;
}

}  // namespace

void TTagTable::CreateActions() {
  using K = QKeySequence;
  UndoAction = AddCommand(Table, QStringLiteral("Undo"), {K(K::Undo)}, [this] { Undo(); });
  // Ctrl+Shift+Z as in Qt's own editors, Ctrl+Y as in spreadsheets.
  RedoAction = AddCommand(Table, QStringLiteral("Redo"),
                          {K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), K(Qt::CTRL | Qt::Key_Y)},
                          [this] { Redo(); });
  CutAction = AddCommand(Table, QStringLiteral("Cut"), {K(K::Cut)}, [this] { CutCells(); });
  CopyAction = AddCommand(Table, QStringLiteral("Copy"), {K(K::Copy)}, [this] { CopyCells(); });
  PasteAction = AddCommand(Table, QStringLiteral("Paste"), {K(K::Paste)}, [this] { PasteCells(); });
  ClearAction =
      AddCommand(Table, QStringLiteral("Delete"), {K(Qt::Key_Delete)}, [this] { ClearCells(); });
  FillDownAction = AddCommand(Table, QStringLiteral("Fill down"), {K(Qt::CTRL | Qt::Key_D)},
                              [this] { FillDown(); });
  NumberAction = AddCommand(Table, QStringLiteral("Number the selected rows"),
                            {K(Qt::CTRL | Qt::Key_T)}, [this] { NumberRows(false); });
  NumberOfTotalAction =
      AddCommand(Table, QStringLiteral("Number the selected rows of their total (1/12)"),
                 {K(Qt::CTRL | Qt::SHIFT | Qt::Key_T)}, [this] { NumberRows(true); });
  SelectAllAction = AddCommand(Table, QStringLiteral("Select all"), {K(K::SelectAll)}, [this] {
    FinishEdit();
    Table.SelectAll();
  });
}

std::unique_ptr<QMenu> TTagTable::MakeCellMenu() {
  auto menu = std::make_unique<QMenu>(&Table);
  UndoAction->setEnabled(CanUndo());
  RedoAction->setEnabled(CanRedo());
  menu->addActions({UndoAction, RedoAction});
  menu->addSeparator();
  menu->addActions({CutAction, CopyAction, PasteAction, ClearAction});
  menu->addSeparator();
  menu->addActions({FillDownAction, NumberAction, NumberOfTotalAction});
  menu->addSeparator();
  menu->addAction(SelectAllAction);
  // The keys work whatever the menu showed last.
  QObject::connect(menu.get(), &QMenu::aboutToHide, &Table, [this] {
    UndoAction->setEnabled(true);
    RedoAction->setEnabled(true);
  });
  return menu;
}

std::unique_ptr<QMenu> TTagTable::MakeHeaderMenu() {
  auto menu = std::make_unique<QMenu>(&Table);
  int shown = 0;
  for (int column = 0; column < ColumnCount; ++column) shown += !Table.IsColumnHidden(column);
  for (int column = 0; column < ColumnCount; ++column) {
    const std::string_view heading = Info(TField(column)).Heading;
    QAction* action = menu->addAction(QString::fromUtf8(heading.data(), qsizetype(heading.size())));
    action->setCheckable(true);
    action->setChecked(!Table.IsColumnHidden(column));
    // The last column shown stays.
    action->setEnabled(Table.IsColumnHidden(column) || shown > 1);
    QObject::connect(action, &QAction::toggled, &Table, [this, column](bool checked) {
      RunUserAction([&] { SetColumnShown(column, checked); });
    });
  }
  return menu;
}

void TTagTable::SetColumnShown(int column, bool shown) { Table.SetColumnHidden(column, !shown); }
