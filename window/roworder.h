#pragma once

#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct TRowStore;

enum class TSortOrder : std::uint8_t { None, Ascending, Descending };

// Store rows, a bit each: row n is bit n % 64 of word n / 64.
using TRowSet = std::vector<std::uint64_t>;

// Which file each row of the table shows: the listed files (store rows 1..RowCount) in scan
// order or sorted by a column, and of those only the ones a filter keeps. Sorting and filtering
// move no data and change no file: the view is a list of store rows, and none at all while the
// files are shown in scan order, unfiltered.
//
// A sort or a filter is asked for and computed meanwhile, the window's events running: a
// column's sort keys are made a slice at a time on the window's thread and sorted on a thread
// of their own, which reads nothing but those keys; a filter looks at the rows a slice at a
// time. When the new view is complete, `ready` is called, and Apply puts it in use, so that the
// owner decides when the rows may move. A sort orders the texts as they were when it began: an
// edit made after it does not move its row, as in a spreadsheet.
class TRowOrder {
 public:
  TRowOrder(const TRowStore& store, std::function<void()> ready);
  ~TRowOrder();
  TRowOrder(const TRowOrder&) = delete;
  TRowOrder& operator=(const TRowOrder&) = delete;

  // The view in use: the number of rows shown, the store row shown in row `row` (from 1; 0 for a
  // row that shows none) and the row that shows a store row (0 when none does).
  int Count() const { return Mapped() ? static_cast<int>(Rows().size()) : RowCount(); }
  int ToStore(int row) const {
    if (row < 1 || row > Count()) return 0;
    return Mapped() ? Rows()[static_cast<std::size_t>(row - 1)] : row;
  }
  int ToView(int storeRow) const;
  int SortColumn() const { return InUse.Column; }
  TSortOrder Order() const { return InUse.Order; }
  bool IsFiltered() const { return !InUse.Filter.isEmpty(); }

  // Asks for the rows in natural order of a column's texts (case aside, numbers by value, equal
  // texts in scan order), the reverse of it, or scan order (TSortOrder::None).
  void SortBy(int column, TSortOrder order);
  // Asks for the rows holding `text`, letter case aside, in a cell or in their file's path; an
  // empty text keeps every row. A text found before (a character taken back) is shown at once,
  // and one that holds a text found before is looked for only among the rows found for it.
  void FilterBy(const QString& text);
  // What was asked for last, ready or not.
  int WantedColumn() const { return Wanted.Column; }
  TSortOrder WantedOrder() const { return Wanted.Order; }

  // A new view waits for Apply.
  bool IsReady() const { return PendingSort || PendingFilter; }
  // A sort or filter is under way or waits for Apply.
  bool IsWorking() const { return SortJob || FilterJob || IsReady(); }
  void Apply();
  // Every file in scan order, unfiltered, nothing under way: for a new list.
  void Reset();

 private:
  struct TSortJob;
  struct TFilterJob;
  struct TViewState {
    int Column = -1;
    TSortOrder Order = TSortOrder::None;
    QString Filter;
  };

  int RowCount() const;
  // Names the list the store holds now: its scan and its length. A list made for another is
  // of no use.
  std::uint64_t List() const;
  // The view holds a list of rows, made over the store as it is now. A scan empties the store
  // and fills it under the view; until the view is reset, the files show in scan order.
  bool Mapped() const { return (IsFiltered() || !Sorted.empty()) && MadeFor == List(); }
  const std::vector<int>& Rows() const { return IsFiltered() ? Shown : Sorted; }

  void RunSlice();
  // Work done in a slice; both return whether their job is complete.
  bool MakeKeys(TSortJob& job);
  bool FindRows(TFilterJob& job);
  void StartSorting(TSortJob& job);
  void SortDone(std::uint64_t id);
  void CancelSort();
  // The shown rows: those of `kept` in the order in use.
  void ShowRows(const TRowSet& kept);
  // The same a part at a time: the order in use takes OrderSteps steps over a set (its words
  // in scan order, else the entries of the sorted list), and AppendInOrder appends the rows of
  // the steps [from, to).
  std::size_t OrderSteps(const TRowSet& kept) const;
  void AppendInOrder(const TRowSet& kept, std::size_t from, std::size_t to,
                     std::vector<int>& rows) const;
  // Puts a slice of the rows a filter found in the order in use; returns whether all are.
  bool OrderFound(TFilterJob& job);
  // Keeps what a text found, for the texts typed after it.
  void Remember(const QString& text, const TRowSet& rows, std::size_t count);

  const TRowStore& Store;
  std::function<void()> Ready;
  QTimer SliceTimer;

  TViewState InUse, Wanted;
  std::vector<int> Sorted;    // every store row in sorted order; empty in scan order
  std::vector<int> Shown;     // the rows the filter keeps, in the order in use
  std::uint64_t MadeFor = 0;  // the list the lists were made for

  std::unique_ptr<TSortJob> SortJob;
  std::unique_ptr<TFilterJob> FilterJob;
  std::uint64_t NextJobId = 1;
  // Complete and waiting for Apply.
  bool PendingSort = false;
  std::vector<int> PendingSorted;
  bool PendingFilter = false;
  TRowSet PendingShown;
  // The same rows in the order in use when OrderMade was PendingOrderedFor (0: none).
  std::vector<int> PendingOrdered;
  std::uint64_t PendingOrderedFor = 0;
  // Names the order in use: raised whenever it changes.
  std::uint64_t OrderMade = 1;

  // What the texts typed found, newest last, as long as the list and its texts stay as they
  // were: the store rows as a bit each, a few in all.
  struct TFound {
    QString Text;
    TRowSet Rows;
    std::size_t Count = 0;
  };
  std::vector<TFound> Earlier;
  std::uint64_t EarlierList = 0;
  unsigned EarlierRevision = 0;
};
