// Measures the results list of 100,000 rows with a screen reader listening and without one,
// side by side in the same run: scrolling through the whole list a page at a time (each page
// painted), moving the caret with the Down key, selecting all then inverting, and extending
// the selection from the top to the end. "With a reader" stands in for the platform's bridge:
// every event the list raises is received, its object looked up and its name and state read,
// as a bridge does before it sends the event on. Run: build/bench/list_access_bench [rows]
#include "app/Settings.h"
#include "bench/ListBench.h"
#include "engine/CompareTree.h"
#include "platform/Text.h"
#include "results/ListView.h"
#include "results/ResultRows.h"
#include "toolkit/AccessibleInternal.h"

#include <QAccessible>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr int kCaretSteps = 1000;
constexpr int kScrollSteps = 200;

double medianRun(const std::function<void()>& prepare, const std::function<void()>& work) {
  return list_bench::timeRuns(kRuns, prepare, work).median;
}

// Files in folders of a hundred, every tenth file differing.
void buildTree(CompareResult& result, int wanted) {
  resetResult(result);
  result.givenPath[0] = result.displayRoot[0] = u"/nowhere/first";
  result.givenPath[1] = result.displayRoot[1] = u"/nowhere/second";
  constexpr int kPerFolder = 100;
  for (int folder = 0; folder * (kPerFolder + 1) < wanted; ++folder) {
    const olstring folderName = u"folder " + fromUtf8(std::to_string(10000 + folder));
    CompareItem* parent = nullptr;
    for (int side = 0; side < 2; ++side) parent = addEntry(result.root, side, folderName, 0, 0, kFolderAttribute);
    for (int i = 0; i < kPerFolder; ++i) {
      const olstring name = u"file " + fromUtf8(std::to_string(100000 + i)) + u".dat";
      const bool differs = i % 10 == 0;
      CompareItem* file = nullptr;
      for (int side = 0; side < 2; ++side)
        file = addEntry(*parent, side, name, 4096 + i + (differs ? side : 0), 13300000000000000000ull, 0);
      if (differs) {
        file->flags = ItemFlags::kContentDiffers;
        ++result.differing;
      }
    }
  }
}

// The reader's side of each event: what the platform's bridge asks before it sends it on.
int64_t g_events = 0;
void readEvent(QAccessibleEvent* event) {
  ++g_events;
  if (QAccessibleInterface* iface = event->accessibleInterface()) {
    volatile qsizetype sink = iface->text(QAccessible::Name).size();
    (void)sink;
    (void)iface->state();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int wanted = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 100000;

  list_bench::Session session("mirrane-access-bench", argc, argv);
  if (!session.ready()) return 2;
  {
    CompareResult result;
    buildTree(result, wanted);
    list_bench::BenchWindow window;
    if (!window.createModeless(nullptr)) return 2;
    setWindowPos(window.hwnd(), HWND_TOP, 0, 0, 1920, 1080, SWP_NOZORDER | SWP_NOACTIVATE);
    showWindow(window.hwnd(), SW_SHOW);
    setActiveWindow(window.hwnd());
    mrnListView& list = window.list;
    list.setResult(&result);
    list.setRowFilter([] { return RowFilter::allItems; });
    list.rebuildRows(FindText::clear);
    setFocus(list.hwnd());
    pumpMessages(20);
    updateWindow(list.hwnd());
    const int rows = list.rowCount();
    const int page = list.wholeVisibleRows();
    std::printf("list_access_bench: %d rows, %d a page, %d runs each (median); the reader reads every event\n", rows,
                page, kRuns);
    std::printf("%-46s %12s %12s %12s\n", "", "no reader", "with reader", "events");

    struct Measure {
      const char* name;
      std::function<void()> prepare;
      std::function<void()> work;
    };
    const Measure measures[] = {
        {"scroll top to end in 200 steps, each painted", [&] { list.setScrollPos(0); },
         [&] {
           for (int step = 1; step <= kScrollSteps; ++step) {
             list.setScrollPos(static_cast<int>(int64_t(list.maximumScrollPos()) * step / kScrollSteps));
             updateWindow(list.hwnd());
           }
         }},
        {"Down key, 1,000 rows", [&] { list.selectRowAlone(0); },
         [&] {
           for (int step = 0; step < kCaretSteps; ++step) sendMessage(list.hwnd(), WM_KEYDOWN, VK_DOWN);
         }},
        {"select all, then invert", [&] { list.selectRowAlone(0); },
         [&] {
           list.selectAll();
           list.invertSelection();
         }},
        {"extend from the top to the end (Shift+End)", [&] { list.selectRowAlone(0); },
         [&] { list.setCursor(rows - 1, olCursorMove::extend, olScrollAlign::bottom); }},
    };
    for (const Measure& measure : measures) {
      const double off = medianRun(measure.prepare, measure.work);
      olAccessibleReader reader(readEvent);
      int64_t events = 0;
      const double on = medianRun(
          [&] {
            measure.prepare();
            g_events = 0;
          },
          [&] {
            measure.work();
            events += g_events;
          });
      const int64_t eventsPerRun = events / kRuns;
      std::printf("%-46s %9.3f ms %9.3f ms %12lld\n", measure.name, off, on, static_cast<long long>(eventsPerRun));
    }
    {
      // A reader that follows the caret through a fifth of the list keeps a bounded number
      // of cells, whatever the length of its walk.
      olAccessibleReader reader(readEvent);
      list.selectRowAlone(0);
      for (int step = 0; step < rows / 5; ++step) sendMessage(list.hwnd(), WM_KEYDOWN, VK_DOWN);
      std::printf("%-46s %12zu cells held by the reader\n", "after Down through 20 % of the rows",
                  accessibleCellsMade(list.hwnd()));
    }
    list.clearRows();
    destroyWindow(window.hwnd());
  }
  return 0;
}
