#include "tests/grid/gridfixture.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QTest>

#include "tests/common/typing.h"

namespace {
const std::vector<int> MaxLengths{255, 255, 255, 4, 255};
}

void TGridTest::SetUp() {
  Window = std::make_unique<QWidget>();
  auto* layout = new QHBoxLayout(Window.get());
  Grid = new TGrid;
  Other = new QLineEdit;
  Other->setFixedWidth(80);
  layout->addWidget(Grid);
  layout->addWidget(Other);
  Grid->SetColumns({"Title", "Artist", "Album", "Year", "Comment"}, {150, 150, 150, 36, 150},
                   MaxLengths);
  Grid->OnGetCellData = [this](int row, int column) { return Storage(row, column); };
  Grid->OnSetCellData = [this](int row, int column, const QString& text) {
    Stored.emplace_back(row, column);
    if (!Storage(row, column).isNull()) SetCell(row, column, text);
  };
  Grid->OnBeginEdit = [this](int row, int column, const QString&, bool& allow) {
    BeginEdits.emplace_back(row, column);
    if (DuringBeginEdit) DuringBeginEdit();
    allow = AllowBegin;
  };
  Grid->OnEndEdit = [this](QString& text, int row, int column, bool& allow) {
    EndEdits.push_back({text, row, column});
    if (DuringEndEdit) DuringEndEdit(text, allow);
  };
  Grid->OnEnteringRow = [this](int row) { Entered.push_back(row); };
  List(5);
  Window->resize(900, 300);
  Window->show();
  QApplication::setActiveWindow(Window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  Grid->setFocus();
  Entered.clear();
}

void TGridTest::TearDown() {
  Window.reset();
  QApplication::processEvents();
}

void TGridTest::List(int rows) {
  Cells.assign(rows + 1, {});
  for (int row = 1; row <= rows; ++row) {
    Cells[row].resize(Columns);
    for (int column = 0; column < Columns; ++column)
      SetCell(row, column, QStringLiteral("r%1c%2").arg(row).arg(column));
  }
  Grid->SetRowLimit(rows + 1);
}

// A null view for a cell without storage; an empty cell is an empty, non-null view.
QStringView TGridTest::Storage(int row, int column) const {
  if (row < 1 || row >= static_cast<int>(Cells.size()) || column < 0 || column >= Columns)
    return {};
  const std::u16string& text = Cells[row][column];
  return QStringView(text.c_str(), static_cast<qsizetype>(text.size()));
}

QString TGridTest::Cell(int row, int column) const { return Storage(row, column).toString(); }

void TGridTest::SetCell(int row, int column, const QString& text) {
  // Always a new buffer, so a text read from the old one after a change is a sanitizer error.
  std::u16string fresh(reinterpret_cast<const char16_t*>(text.utf16()),
                       static_cast<std::size_t>(text.size()));
  fresh.reserve(32);
  Cells[row][column].swap(fresh);
}

QLineEdit* TGridTest::Editor() const {
  // A closed editor is hidden at once and deleted later.
  for (QLineEdit* editor : Grid->findChildren<QLineEdit*>())
    if (editor->isVisible()) return editor;
  return nullptr;
}

void TGridTest::Key(int key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = QApplication::focusWidget();
  QTest::keyClick(target ? target : Grid, static_cast<Qt::Key>(key), modifiers);
}

void TGridTest::Type(const QString& text) { TypeText(Grid, text); }

QPoint TGridTest::CellCentre(int row, int column) const {
  return Grid->visualRect(Grid->model()->index(row - 1, column)).center();
}

void TGridTest::Click(int row, int column, Qt::KeyboardModifiers modifiers,
                      Qt::MouseButton button) {
  QTest::mouseClick(Grid->viewport(), button, modifiers, CellCentre(row, column));
}

void TGridTest::DoubleClick(int row, int column) {
  QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, CellCentre(row, column));
  QTest::mouseDClick(Grid->viewport(), Qt::LeftButton, {}, CellCentre(row, column));
}
