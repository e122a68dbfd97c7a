// Many cells at once: one value for the selected cells of a column, the clipboard, fill, clear
// and numbering. Each goes through ApplyEdits, which applies the rules of a typed edit to every
// cell and keeps the changes as one step of the history.
#include <QClipboard>
#include <QGuiApplication>
#include <QStringList>
#include <algorithm>

#include "tags/textcodec.h"
#include "window/clipboardtext.h"
#include "window/editrules.h"
#include "window/messagebox.h"
#include "window/tagtable.h"

namespace {

bool InRanges(const std::vector<TGridRange>& ranges, int row, int column) {
  return std::any_of(ranges.begin(), ranges.end(), [&](const TGridRange& r) {
    return r.Top <= row && row <= r.Bottom && r.Left <= column && column <= r.Right;
  });
}

}  // namespace

std::vector<TGridRange> TTagTable::Selection() const {
  std::vector<TGridRange> ranges = Table.SelectedRanges();
  if (ranges.empty() && Table.ActiveRow() > 0) {
    const int row = Table.ActiveRow(), column = Table.ActiveColumn();
    ranges.push_back({row, column, row, column});
  }
  return ranges;
}

QString TTagTable::CellText(int row, int column) {
  if (!IsListed(row)) return {};
  if (TField(column) == TField::FileName) return FileNameText(row).toString();
  return Row(row).Text(column).toString();
}

std::optional<QString> TTagTable::ApplyEdits(const TEdits& edits, int shownRow, TField shownField) {
  SyncHistory();
  std::vector<std::string> texts = edits.Texts;
  // A row's cells are changed together: a tag kept whole for the history is kept once.
  const auto byRow = [](const TCellEdit& a, const TCellEdit& b) { return a.Row < b.Row; };
  std::vector<TCellEdit> sorted;
  if (!std::is_sorted(edits.Cells.begin(), edits.Cells.end(), byRow)) {
    sorted = edits.Cells;
    std::stable_sort(sorted.begin(), sorted.end(), byRow);
  }
  const std::vector<TCellEdit>& cells = sorted.empty() ? edits.Cells : sorted;

  TEditStep step;
  std::optional<QString> shownText;
  std::vector<QString> shownTexts(texts.size());
  const auto shown = [&](std::size_t text) -> const QString& {
    if (shownTexts[text].isNull()) shownTexts[text] = QString::fromStdString(texts[text]);
    return shownTexts[text];
  };
  struct TChange {
    TField Field;
    std::size_t Text;
    std::string Held;  // the value before
  };
  std::vector<TChange> changes;
  // Changes the cells of one row, keeping what they held in the step.
  const auto applyRow = [&](const TCellEdit* first, const TCellEdit* end, bool convert) {
    const int row = first->Row;
    TMP3Tag& tag = Tag(row);
    // A field that holds its new text already is left untouched.
    changes.clear();
    for (const TCellEdit* cell = first; cell != end; ++cell) {
      std::string held = tag.Get(cell->Field);
      if (held != texts[cell->Text]) changes.push_back({cell->Field, cell->Text, std::move(held)});
    }
    if (changes.empty()) return;
    const bool wasModified = tag.Modified(), hadTitle = tag.HasTitle(),
               wasVersion2 = tag.IsVersion2();
    // A value longer than a typed one may be would come back cut from Set: the tag is kept
    // whole. Only a year shows less than it holds.
    bool whole = convert;
    for (const TChange& change : changes)
      whole = whole || CharacterCount(change.Held) > Info(change.Field).Limit ||
              (change.Field == TField::Year && tag.Limit(change.Field) > Info(change.Field).Limit);
    if (whole) step.AddState(StoreRow(row), tag.State());
    if (convert) tag.ConvertToVersion2();
    for (const TChange& change : changes) {
      if (!whole) step.AddText(StoreRow(row), change.Field, change.Held);
      tag.Set(change.Field, texts[change.Text]);
    }
    // A row whose tag gained a valid title, or became version 2, shows the tag again: fields
    // that were hidden behind empty cells appear. The edited cells show the texts given, as
    // far as the tag took them; a track or a genre as the tag holds it.
    if ((!hadTitle && tag.HasTitle()) || (!wasVersion2 && tag.IsVersion2())) Refill(row);
    for (const TChange& change : changes) {
      const TTextRule rule = Info(change.Field).Rule;
      const QString text = rule == TTextRule::Track || rule == TTextRule::Genre
                               ? QString::fromStdString(tag.Get(change.Field))
                               : shown(change.Text);
      Row(row).SetText(int(change.Field), text);
      if (row == shownRow && change.Field == shownField) shownText = text;
    }
    ModifiedChanged(wasModified, tag.Modified());
  };

  // Row by row: the cells left alone are counted for the message at the end, a cell named twice
  // (overlapping selections) is changed once, and the rows a version 1 tag cannot hold wait for
  // the one question asked for all of them; the others are changed at once, each tag visited
  // while it is at hand.
  std::size_t readOnly = 0, cut = edits.CutSources, refused = 0;
  TVersion1Question question;
  std::vector<TCellEdit> row, waiting;
  std::size_t waitingRows = 0;
  for (std::size_t next = 0; next < cells.size();) {
    const int at = cells[next].Row;
    Store.PrefetchAhead(cells.size(), next,
                        [&](std::size_t cell) { return StoreRow(cells[cell].Row); });
    row.clear();
    TFieldSet named = 0;
    bool fits = true, locked = false;
    for (; next < cells.size() && cells[next].Row == at; ++next) {
      const TCellEdit& cell = cells[next];
      if (!IsListed(at) || cell.Field == TField::FileName || (named & Bit(cell.Field))) continue;
      named |= Bit(cell.Field);
      // The tag knows what its row shows: this pass need not look at the row.
      const TMP3Tag& tag = Tag(at);
      const std::string& text = texts[cell.Text];
      if (tag.ReadOnly()) {
        locked = true;
      } else if (tag.IsCut(cell.Field)) {
        ++cut;
      } else if (!edits.Typed && !FollowsRule(cell.Field, text)) {
        ++refused;
      } else {
        row.push_back(cell);
        if (tag.Fits(cell.Field, text)) continue;
        fits = false;
        question.Add(tag, cell.Field, text);
      }
    }
    readOnly += locked;
    if (row.empty()) continue;
    if (fits) {
      applyRow(row.data(), row.data() + row.size(), false);
    } else {
      waiting.insert(waiting.end(), row.begin(), row.end());
      ++waitingRows;
    }
  }
  if (waitingRows > 0) {
    const bool convert =
        MessageDlg(question.Text(waitingRows), TMsgKind::Confirm, TButtons::YesNo()) != TAnswer::No;
    if (!convert) {
      // What each block can hold instead; a text it can hold nothing of leaves its cell alone.
      std::vector<TCellEdit> kept;
      for (TCellEdit cell : waiting) {
        const TMP3Tag& tag = Tag(cell.Row);
        if (!tag.Fits(cell.Field, texts[cell.Text])) {
          const std::optional<std::string> form = BlockForm(tag, cell.Field, texts[cell.Text]);
          if (!form) continue;
          cell.Text = texts.size();
          texts.push_back(*form);
          shownTexts.emplace_back();
        }
        kept.push_back(cell);
      }
      waiting = std::move(kept);
    }
    for (std::size_t first = 0, end = 0; first < waiting.size(); first = end) {
      while (end < waiting.size() && waiting[end].Row == waiting[first].Row) ++end;
      applyRow(waiting.data() + first, waiting.data() + end, convert);
    }
  }
  History.Push(std::move(step));
  NoteUnsaved();
  Table.viewport()->update();

  QStringList left;
  if (readOnly > 0) left << ReadOnlyMessage(readOnly);
  if (cut > 0) left << CutMessage(cut);
  if (refused > 0) left << RuleMessage(refused);
  if (!left.isEmpty()) MessageDlg(left.join('\r'), TMsgKind::Information, TButtons::Ok());
  return shownText;
}

void TTagTable::CopyCells() {
  FinishEdit();
  const std::vector<TGridRange> ranges = Selection();
  if (ranges.empty()) return;
  // The rows and columns that hold a selected cell; a cell between them that is not selected
  // is copied empty, so the block keeps its shape.
  std::vector<int> columns;
  for (int column = 0; column < ColumnCount; ++column)
    if (!Table.IsColumnHidden(column) &&
        std::any_of(ranges.begin(), ranges.end(),
                    [&](const TGridRange& r) { return r.Left <= column && column <= r.Right; }))
      columns.push_back(column);
  TCellBlock block;
  for (const TRowSpan& span : RowsOf(ranges)) {
    for (int row = span.First; row <= span.Last && IsListed(row); ++row) {
      QStringList line;
      for (const int column : columns)
        line << (InRanges(ranges, row, column) ? CellText(row, column) : QString());
      block.push_back(line);
    }
  }
  QGuiApplication::clipboard()->setText(CopiedText(block));
}

void TTagTable::CutCells() {
  CopyCells();
  ClearCells();
}

void TTagTable::ClearCells() {
  FinishEdit();
  TEdits edits{{std::string()}, {}};
  for (const TGridRange& range : Selection())
    for (int row = range.Top; row <= range.Bottom && IsListed(row); ++row)
      for (int column = range.Left; column <= range.Right; ++column)
        edits.Cells.push_back({row, TField(column), 0});
  ApplyEdits(edits);
}

void TTagTable::PasteCells() {
  FinishEdit();
  const TCellBlock block = ParseCopiedText(QGuiApplication::clipboard()->text());
  if (block.empty()) return;
  int width = 0;
  for (const QStringList& line : block) width = std::max(width, int(line.size()));
  std::vector<int> shownColumns;
  for (int column = 0; column < ColumnCount; ++column)
    if (!Table.IsColumnHidden(column)) shownColumns.push_back(column);
  const std::vector<TPasteCell> cells =
      ::PasteCells(int(block.size()), width, Selection(), Table.ActiveRow(), Table.ActiveColumn(),
                   shownColumns, Table.RowLimit() - 1);
  TEdits edits;
  for (const QStringList& line : block)
    for (int column = 0; column < width; ++column)
      edits.Texts.push_back(column < line.size() ? line[column].toStdString() : std::string());
  for (const TPasteCell& cell : cells)
    edits.Cells.push_back(
        {cell.Row, TField(cell.Column), std::size_t(cell.BlockRow) * width + cell.BlockColumn});
  ApplyEdits(edits);
  // The cells pasted into are selected, as spreadsheets show them.
  if (cells.size() > 1 && (block.size() > 1 || width > 1)) {
    const auto [top, bottom] = std::minmax_element(
        cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.Row < b.Row; });
    const auto [left, right] =
        std::minmax_element(cells.begin(), cells.end(),
                            [](const auto& a, const auto& b) { return a.Column < b.Column; });
    Table.SetSelection({{top->Row, left->Column, bottom->Row, right->Column}});
  }
}

void TTagTable::FillDown() {
  FinishEdit();
  const std::vector<TGridRange> ranges = Selection();
  TEdits edits;
  for (int column = 0; column < ColumnCount; ++column) {
    if (Table.IsColumnHidden(column) || TField(column) == TField::FileName) continue;
    const std::vector<TRowSpan> spans = RowsOf(ranges, column);
    if (spans.empty()) continue;
    // A single selected row takes the value of the row above, as in spreadsheets.
    const bool oneRow = spans.size() == 1 && spans[0].First == spans[0].Last;
    const int source = oneRow ? spans[0].First - 1 : spans[0].First;
    if (!IsListed(source)) continue;
    // A text the listing cut would reach the other files cut.
    if (Tag(source).IsCut(TField(column))) {
      ++edits.CutSources;
      continue;
    }
    edits.Texts.push_back(Row(source).Text(column).toString().toStdString());
    for (const TRowSpan& span : spans)
      for (int row = span.First; row <= span.Last && IsListed(row); ++row)
        if (row != source) edits.Cells.push_back({row, TField(column), edits.Texts.size() - 1});
  }
  ApplyEdits(edits);
}

void TTagTable::NumberRows(bool withTotal) {
  FinishEdit();
  std::vector<int> rows;
  for (const TRowSpan& span : Table.SelectedRows())
    for (int row = span.First; row <= span.Last && IsListed(row); ++row) rows.push_back(row);
  if (rows.empty() && IsListed(Table.ActiveRow())) rows.push_back(Table.ActiveRow());
  if (rows.empty()) return;
  // The person sees the numbers given.
  SetColumnShown(int(TField::Track), true);
  TEdits edits;
  const std::string total = "/" + std::to_string(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    edits.Texts.push_back(std::to_string(i + 1) + (withTotal ? total : std::string()));
    edits.Cells.push_back({rows[i], TField::Track, i});
  }
  ApplyEdits(edits);
}
