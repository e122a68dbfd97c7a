#include <QHash>
#include <QHeaderView>
#include <QRegularExpression>
#include <QShortcut>
#include <QTest>
#include <set>

#include "tests/grid/gridfixture.h"

namespace {

using TGridSelection = TGridTest;
using TCells = std::set<std::pair<int, int>>;

TCells CellsOf(const std::vector<TGridRange>& ranges) {
  TCells cells;
  std::size_t count = 0;  // overlapping ranges would have the owner act on a cell twice
  for (const TGridRange& r : ranges)
    for (int row = r.Top; row <= r.Bottom; ++row)
      for (int column = r.Left; column <= r.Right; ++column, ++count) cells.emplace(row, column);
  EXPECT_EQ(count, cells.size());
  return cells;
}

TEST_F(TGridSelection, KeysAndClicksSelectAsInASpreadsheet) {
  List(30);
  const int page = Grid->viewport()->height() / TGrid::RowHeight;
  // Steps: key sequences, "<click|shift|ctrl|right>@row,column", "drag@row,column,row,column".
  const auto run = [this](const QString& steps) {
    const QHash<QString, Qt::KeyboardModifiers> mods{{"shift", Qt::ShiftModifier},
                                                     {"ctrl", Qt::ControlModifier}};
    for (const QString& step : steps.split(' ')) {
      const QStringList parts = step.split(QRegularExpression("[@,]"));
      if (parts.size() == 1) {  // through the window system, so that the modifiers are held
        const QKeyCombination key = QKeySequence(step)[0];
        QTest::keyClick(Window->windowHandle(), key.key(), key.keyboardModifiers());
        continue;
      }
      const QPoint from = CellCentre(parts[1].toInt(), parts[2].toInt());
      const QPoint to = parts.size() > 3 ? CellCentre(parts[3].toInt(), parts[4].toInt()) : from;
      const Qt::MouseButton button = parts[0] == "right" ? Qt::RightButton : Qt::LeftButton;
      QTest::mousePress(Grid->viewport(), button, mods.value(parts[0]), from);
      QTest::mouseMove(Grid->viewport(), to);
      QTest::mouseRelease(Grid->viewport(), button, mods.value(parts[0]), to);
    }
  };
  const struct {
    const char* Steps;  // from the active cell (3, 1)
    std::vector<TGridRange> Selected;
    std::pair<int, int> Active;
  } cases[] = {
      {"Shift+Down Shift+Down", {{3, 1, 5, 1}}, {5, 1}},
      {"Shift+Right Shift+Down", {{3, 1, 4, 2}}, {4, 2}},
      {"Shift+Down Shift+Up Shift+Up", {{2, 1, 3, 1}}, {2, 1}},
      {"Shift+Ctrl+End", {{3, 1, 30, 4}}, {30, 4}},
      {"Shift+Num+PgDown", {{3, 1, 3 + page, 1}}, {3 + page, 1}},
      {"Shift+Down Down", {{5, 1, 5, 1}}, {5, 1}},
      {"Shift+Down Ctrl+Home", {{1, 0, 1, 0}}, {1, 0}},
      {"Shift+Down Tab", {{4, 2, 4, 2}}, {4, 2}},
      {"Shift+Down Shift+Backtab", {{4, 0, 4, 0}}, {4, 0}},
      {"Ctrl+A", {{1, 0, 30, 4}}, {3, 1}},
      {"click@5,2", {{5, 2, 5, 2}}, {5, 2}},
      {"Down shift@6,3", {{4, 1, 6, 3}}, {6, 3}},
      {"Shift+Down ctrl@7,3", {{3, 1, 4, 1}, {7, 3, 7, 3}}, {7, 3}},
      {"Shift+Down Shift+Right ctrl@4,2", {{3, 1, 3, 2}, {4, 1, 4, 1}}, {4, 2}},
      {"ctrl@7,3 shift@8,4", {{3, 1, 3, 1}, {7, 3, 8, 4}}, {8, 4}},
      {"drag@2,0,4,2 Shift+Down", {{2, 0, 5, 2}}, {5, 2}},
      {"Shift+Down right@8,3", {{8, 3, 8, 3}}, {8, 3}},
      {"Shift+Down right@3,1", {{3, 1, 4, 1}}, {4, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Steps);
    Grid->scrollToTop();
    Grid->SetActiveCell(3, 1);
    run(c.Steps);
    EXPECT_EQ(CellsOf(Grid->SelectedRanges()), CellsOf(c.Selected));
    EXPECT_EQ(Active(), c.Active);
  }
  EXPECT_TRUE(BeginEdits.empty());
}

TEST_F(TGridSelection, TheOwnerSetsAndReadsTheSelection) {
  List(20);
  int changes = 0;
  Grid->OnSelectionChange = [&] { ++changes; };
  Grid->SetSelection({{2, 0, 4, 1}, {5, 3, 6, 3}, {9, 0, 9, 0}, {18, 2, 99, 2}});
  EXPECT_EQ(Grid->SelectedRows(), (std::vector<TRowSpan>{{2, 6}, {9, 9}, {18, 20}}));
  EXPECT_TRUE(Grid->IsCellSelected(20, 2));  // cut at the last row
  EXPECT_FALSE(Grid->IsCellSelected(4, 2));
  Grid->SetSelection({});
  EXPECT_TRUE(Grid->SelectedRanges().empty());
  EXPECT_EQ(changes, 2);
}

TEST_F(TGridSelection, CtrlAOverAMillionRowsIsOneRange) {
  Grid->SetRowLimit(1'000'001);
  Grid->SetActiveCell(500'000, 2);
  Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Grid->SelectedRanges(), (std::vector<TGridRange>{{1, 0, 1'000'000, 4}}));
  Key(Qt::Key_Home, Qt::ShiftModifier | Qt::ControlModifier);
  Grid->RepaintNow();
  EXPECT_EQ(Grid->SelectedRanges(), (std::vector<TGridRange>{{1, 0, 500'000, 2}}));
}

TEST_F(TGridSelection, HiddenColumnsAreSkippedAndKeepTheirWidths) {
  Grid->SetColumns({"A", "B", "C", "D", "E", "F", "G", "H"}, {40, 41, 42, 43, 44, 45, 46, 47}, {});
  for (int column : {2, 5}) Grid->SetColumnHidden(column, true);
  EXPECT_EQ(Grid->ColumnWidth(2), 42);
  Grid->SetColumnWidth(5, 77);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  EXPECT_EQ(Active(), std::make_pair(1, 3));
  Key(Qt::Key_End);
  Key(Qt::Key_Home, Qt::ShiftModifier);
  EXPECT_EQ(Grid->SelectedRanges(),
            (std::vector<TGridRange>{{1, 0, 1, 1}, {1, 3, 1, 4}, {1, 6, 1, 7}}));
  Grid->SetColumnHidden(5, false);
  EXPECT_EQ(Grid->horizontalHeader()->sectionSize(5), 77);
  Grid->SetColumnHidden(0, true);  // the active column: the right neighbour takes over
  EXPECT_EQ(Active(), std::make_pair(1, 1));
  for (int column : {1, 3, 4, 5, 6, 7}) Grid->SetColumnHidden(column, true);
  EXPECT_FALSE(Grid->IsColumnHidden(7));  // the last shown column stays
  EXPECT_EQ(Active(), std::make_pair(1, 7));
}

TEST_F(TGridSelection, HeaderAndContextMenuClicksGoToTheOwner) {
  std::vector<int> clicks, menus;
  Grid->OnHeaderClick = [&](int column) { clicks.push_back(column); };
  Grid->OnHeaderContextMenu = [&](int column, const QPoint&) { menus.push_back(column); };
  Grid->OnCellContextMenu = [&](const QPoint&) { menus.push_back(100); };
  QHeaderView* header = Grid->horizontalHeader();
  const QPoint heading(header->sectionViewportPosition(2) + 10, 10);
  Grid->SetActiveCell(2, 1);
  Type("typed");
  const QImage unsorted = header->grab().toImage();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
  EXPECT_EQ(clicks, std::vector<int>{2});
  EXPECT_EQ(Cell(2, 1), "typed");  // the edit ends before the owner sorts
  EXPECT_EQ(Grid->SelectedRanges(), (std::vector<TGridRange>{{2, 1, 2, 1}}));
  EXPECT_EQ(header->grab().toImage(), unsorted);  // only the owner sets the indicator
  Grid->SetSortIndicator(2, Qt::DescendingOrder);
  EXPECT_NE(header->grab().toImage(), unsorted);
  for (auto [widget, pos] : {std::pair{header->viewport(), heading},
                             {header->viewport(), QPoint(header->length() + 5, 10)},
                             {Grid->viewport(), CellCentre(3, 0)}}) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
  }
  EXPECT_EQ(menus, (std::vector<int>{2, -1, 100}));
}

TEST_F(TGridSelection, TheOwnersKeysReachTheWindowAndTheEditorKeepsItsOwn) {
  // Key sequence, and whether an open editor keeps it for its text.
  const std::pair<const char*, bool> keys[] = {
      {"Ctrl+C", true}, {"Ctrl+X", true},       {"Ctrl+V", true},
      {"Ctrl+Z", true}, {"Ctrl+Shift+Z", true}, {"Ctrl+Y", true},
      {"Delete", true}, {"Ctrl+D", false},      {"Ctrl+F", false}};
  for (const auto& [sequence, editorKeeps] : keys) {
    SCOPED_TRACE(sequence);
    QShortcut shortcut(QKeySequence(sequence), Window.get());
    int fired = 0;
    QObject::connect(&shortcut, &QShortcut::activated, [&] { ++fired; });
    const QKeyCombination key = QKeySequence(sequence)[0];
    Key(key.key(), key.keyboardModifiers());
    EXPECT_EQ(fired, 1);
    Key(Qt::Key_F2);
    Key(key.key(), key.keyboardModifiers());
    EXPECT_EQ(fired, editorKeeps ? 1 : 2);
    Key(Qt::Key_Escape);
  }
  EXPECT_EQ(BeginEdits.size(), std::size(keys));  // F2 only
}

TEST_F(TGridSelection, SelectedCellsShowTheirRowColourAndModifiedCellsAMark) {
  const QColor red(255, 0, 0);
  const QColor teal(0, 128, 128);
  Grid->OnGetCellAttributes = [&](int row, int column, TCellAttributes& attrs) {
    attrs.Background = row % 2 ? teal : red;
    attrs.Modified = column == 4;
  };
  SetCell(5, 3, Cell(5, 4));
  Grid->SetActiveCell(2, 0);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_End, Qt::ShiftModifier);
  Grid->RepaintNow();
  const QImage image = Grid->viewport()->grab().toImage();
  const auto cell = [&](int row, int column) {
    return Grid->visualRect(Grid->model()->index(row - 1, column));
  };
  const auto colour = [&](int row) {
    return image.pixelColor(cell(row, 1).right() - 4, cell(row, 1).bottom() - 3);
  };
  // Tinted: neither the highlight alone nor the row colour alone, and the rows still differ.
  for (const QColor& c : {colour(2), colour(3)})
    EXPECT_NE(c, Grid->palette().color(QPalette::Highlight));
  EXPECT_NE(colour(2), red);
  EXPECT_GT(colour(2).red(), colour(3).red());
  EXPECT_EQ(colour(4), red);                                  // not selected
  EXPECT_NE(image.copy(cell(5, 4)), image.copy(cell(5, 3)));  // same text, one modified
}

}  // namespace
