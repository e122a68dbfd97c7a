// Measures sorting and filtering in the table as the window runs them: the Scan button's work
// over a corpus, then for each column a click on its heading (ascending), a second (descending)
// and a third (scan order), then a word typed into the filter a character at a time, a
// character taken back, and the filter cleared, in five rounds.
//
// For each step: the time until the new rows are shown, and the longest the window's events
// waited meanwhile (a timer asks to run every millisecond; the gap is the longest time between
// two of its runs). Goals at 1,000,000 files: a sort under 1 s, each filter keystroke under
// 100 ms, no event gap over 16 ms. Also the heap the view keeps per row, the most it took while
// it worked, and the heap a listed file costs in all (row store, tag object, path, view) with
// the list sorted and filtered, the columns shown by default (goal: at most 600 bytes).
//
//   order_bench <corpus folder> [sort | filter]     (both by default)

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "grid/grid.h"
#include "scan/folderscan.h"
#include "tags/fields.h"
#include "window/commentform.h"
#include "window/rowstore.h"
#include "window/tagtable.h"

namespace {

long long HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long long>(info.uordblks + info.hblkhd);
}

constexpr int FilterRounds = 5;

struct TStep {
  double Ms = 0;
  double GapMs = 0;
  long long PeakHeap = 0;  // above the heap at the start
};

// Runs the window's events until the view has no work left, as the event loop would.
TStep Measure(TTagTable& table, const std::function<void()>& act) {
  QElapsedTimer clock, sinceProbe;
  TStep step;
  const long long heapBefore = HeapInUse();
  QTimer probe, heapProbe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    step.GapMs = std::max(step.GapMs, sinceProbe.nsecsElapsed() / 1e6);
    sinceProbe.start();
  });
  // Reading the heap's use walks its lists: not every millisecond.
  heapProbe.setInterval(25);
  QObject::connect(&heapProbe, &QTimer::timeout,
                   [&] { step.PeakHeap = std::max(step.PeakHeap, HeapInUse() - heapBefore); });
  clock.start();
  sinceProbe.start();
  probe.start();
  heapProbe.start();
  act();
  while (table.GetView().IsWorking())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  step.Ms = clock.nsecsElapsed() / 1e6;
  // The act itself ran before the first event: it counts as a gap too.
  step.GapMs = std::max(step.GapMs, sinceProbe.nsecsElapsed() / 1e6);
  return step;
}

void Print(const char* what, const TStep& step) {
  std::printf("  %-34s %8.1f ms   longest event gap %5.1f ms   heap at most +%lld MiB\n", what,
              step.Ms, step.GapMs, step.PeakHeap >> 20);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: order_bench <corpus folder>\n");
    return 2;
  }
  TRowStore store;
  TGrid grid;
  TCommentForm commentForm;
  TTagTable table(store, grid, commentForm, [](const QString&) {});
  TFolderScan scan(store, grid, nullptr);
  grid.resize(800, 600);
  grid.show();

  const long long empty = HeapInUse();
  QElapsedTimer clock;
  clock.start();
  scan.Scan(argv[1], TScanScope::FolderTree);
  std::printf("order_bench: %d files scanned in %.1f s, %lld heap bytes per listed file\n",
              store.RowCount, clock.nsecsElapsed() / 1e9, (HeapInUse() - empty) / store.RowCount);
  if (store.RowCount < 2) return 1;
  QCoreApplication::processEvents();

  const std::string part = argc >= 3 ? argv[2] : "";
  for (int column = 0; column < TTagTable::ColumnCount && part != "filter"; ++column) {
    const std::string name(Info(TField(column)).Heading);
    const long long heap = HeapInUse();
    Print((name + ": ascending").c_str(), Measure(table, [&] { table.TableHeaderClick(column); }));
    std::printf("    the sorted view keeps %.1f bytes per row\n",
                static_cast<double>(HeapInUse() - heap) / store.RowCount);
    Print((name + ": descending").c_str(), Measure(table, [&] { table.TableHeaderClick(column); }));
    Print((name + ": scan order").c_str(), Measure(table, [&] { table.TableHeaderClick(column); }));
  }

  if (part == "sort") return 0;
  // Typed into a list sorted by title, as a person would narrow a sorted list. The words are
  // typed in several rounds, each as after an edit (nothing found before is of use), as one
  // round's times vary; each step's median and its longest event gap in any round end the list.
  Measure(table, [&] { table.TableHeaderClick(0); });
  std::vector<std::pair<std::string, std::vector<TStep>>> steps;
  for (int round = 0; round < FilterRounds; ++round) {
    ++store.Revision;
    std::size_t at = 0;
    const auto step = [&](const std::string& what, const TStep& step) {
      if (round == 0) steps.emplace_back(what, std::vector<TStep>());
      steps[at++].second.push_back(step);
      Print(what.c_str(), step);
    };
    for (const QString& word : {QStringLiteral("velvet"), QStringLiteral("qxz")}) {
      const long long heap = HeapInUse();
      for (int length = 1; length <= word.size(); ++length) {
        const QString text = word.left(length);
        const TStep measured = Measure(table, [&] { table.SetFilter(text); });
        step("filter \"" + text.toStdString() + "\": " +
                 std::to_string(table.GetView().Count()) + " rows",
             measured);
      }
      std::printf("    the filtered view keeps %.1f bytes per listed row\n",
                  static_cast<double>(HeapInUse() - heap) / store.RowCount);
      const QString back = word.left(word.size() - 1);
      const TStep measured = Measure(table, [&] { table.SetFilter(back); });
      step("filter back to \"" + back.toStdString() + "\": " +
               std::to_string(table.GetView().Count()) + " rows",
           measured);
      step("filter cleared", Measure(table, [&] { table.SetFilter(QString()); }));
    }
  }
  std::printf("  over %d rounds: the median time, and the longest event gap of any round\n",
              FilterRounds);
  for (auto& [what, measured] : steps) {
    std::sort(measured.begin(), measured.end(),
              [](const TStep& a, const TStep& b) { return a.Ms < b.Ms; });
    double gap = 0;
    for (const TStep& one : measured) gap = std::max(gap, one.GapMs);
    std::printf("  %-34s %8.1f ms   longest event gap %5.1f ms\n", what.c_str(),
                measured[measured.size() / 2].Ms, gap);
  }
  Measure(table, [&] { table.SetFilter(QStringLiteral("e")); });
  std::printf(
      "  sorted by title, %d of %d rows shown: %lld heap bytes per listed file in all (row "
      "store, tag object, path, view; goal: at most 600)\n",
      table.GetView().Count(), store.RowCount, (HeapInUse() - empty) / store.RowCount);
  return 0;
}
