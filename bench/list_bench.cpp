// Measures the results list on a million items: building the rows in each view, rebuilding
// after a view switch, the memory the rows take, painting a full 1080-pixel page at the
// top, middle and end, select all then invert, and a find that matches nothing. Each
// figure is printed beside the budget it is held to. Run: build/bench/list_bench [items]
#include "app/Settings.h"
#include "bench/ListBench.h"
#include "engine/CompareTree.h"
#include "platform/Text.h"
#include "results/ListView.h"
#include "results/ResultRows.h"
#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/Theme.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

using list_bench::BenchWindow;
using list_bench::Timing;

constexpr int kRuns = 5;

Timing timeRuns(const std::function<void()>& prepare, const std::function<void()>& work) {
  return list_bench::timeRuns(kRuns, prepare, work);
}

void report(const char* what, Timing timing, double budget) {
  std::printf("%-44s %9.2f ms (worst %8.2f)   budget %6.0f ms  %s\n", what, timing.median, timing.worst, budget,
              timing.worst <= budget ? "ok" : "OVER");
}

// Top folders of sub-folders of files, both sides present. Every tenth file of every
// other top folder differs in content, so the differences-only view drops half the tree
// and keeps a deep path to each difference.
int64_t buildTree(CompareResult& result, int64_t wanted) {
  resetResult(result);
  result.givenPath[0] = result.displayRoot[0] = u"/nowhere/first";
  result.givenPath[1] = result.displayRoot[1] = u"/nowhere/second";
  constexpr int kTop = 100;
  constexpr int kSub = 10;
  const int files = static_cast<int>(std::max<int64_t>(1, wanted / (kTop * kSub) - 1));
  int64_t items = 0;
  for (int top = 0; top < kTop; ++top) {
    const olstring topName = u"folder " + fromUtf8(std::to_string(1000 + top));
    CompareItem* topItem = nullptr;
    for (int side = 0; side < 2; ++side) topItem = addEntry(result.root, side, topName, 0, 0, kFolderAttribute);
    ++items;
    for (int sub = 0; sub < kSub; ++sub) {
      const olstring subName = u"part " + fromUtf8(std::to_string(100 + sub));
      CompareItem* subItem = nullptr;
      for (int side = 0; side < 2; ++side) subItem = addEntry(*topItem, side, subName, 0, 0, kFolderAttribute);
      ++items;
      for (int i = 0; i < files; ++i) {
        const olstring name = u"file " + fromUtf8(std::to_string(1000000 + i)) + u".dat";
        const bool differs = top % 2 == 0 && i % 10 == 0;
        CompareItem* file = nullptr;
        for (int side = 0; side < 2; ++side)
          file = addEntry(*subItem, side, name, 4096 + i % 977 + (differs ? side : 0), 13300000000000000000ull, 0);
        ++items;
        if (differs) {
          file->flags = ItemFlags::kContentDiffers;
          ++result.differing;
        }
      }
    }
  }
  return items;
}

size_t heapInUse() { return mallinfo2().uordblks; }

}  // namespace

int main(int argc, char** argv) {
  const int64_t wanted = argc > 1 ? std::max(1000LL, std::atoll(argv[1])) : 1000000;

  list_bench::Session session("mirrane-list-bench", argc, argv);
  if (!session.ready()) return 2;

  int status = 0;
  {
    CompareResult result;
    const int64_t items = buildTree(result, wanted);
    std::printf("list_bench: %lld items, %lld differing, %d runs each (median, worst)\n",
                static_cast<long long>(items), static_cast<long long>(result.differing), kRuns);

    struct Mode {
      const char* name;
      RowFilter filter;
      RowShape shape;
    };
    const Mode modes[] = {{"buildRows all items", RowFilter::allItems, RowShape::tree},
                          {"buildRows differences, tree", RowFilter::differencesOnly, RowShape::tree},
                          {"buildRows differences, flat", RowFilter::differencesOnly, RowShape::flat}};
    for (const Mode& mode : modes) {
      ResultRows rows;
      size_t count = 0;
      const Timing timing = timeRuns([&] { rows.clear(); },
                                     [&] {
                                       buildRows(result.root, rows, mode.filter, mode.shape);
                                       count = rows.size();
                                     });
      report((std::string(mode.name) + " (" + std::to_string(count) + " rows)").c_str(), timing, 300);
    }

    {
      ResultRows rows;
      malloc_trim(0);
      const size_t before = heapInUse();
      buildRows(result.root, rows, RowFilter::allItems, RowShape::tree);
      const double perRow = static_cast<double>(heapInUse() - before) / static_cast<double>(rows.size());
      std::printf("%-44s %9.2f bytes           budget %6d bytes %s\n", "memory of the rows, all items", perRow, 16,
                  perRow <= 16 ? "ok" : "OVER");
      if (perRow > 16) status = 1;
    }

    BenchWindow window;
    if (!window.createModeless(nullptr)) return 2;
    setWindowPos(window.hwnd(), HWND_TOP, 0, 0, 1920, 1080, SWP_NOZORDER | SWP_NOACTIVATE);
    showWindow(window.hwnd(), SW_SHOW);
    pumpMessages(20);
    mrnListView& list = window.list;
    list.setResult(&result);
    list.setRowFilter([] { return viewMode() == kViewAllItems ? RowFilter::allItems : RowFilter::differencesOnly; });
    setViewMode(kViewAllItems);
    list.rebuildRows(FindText::clear);
    pumpMessages(20);

    // A selection of items to carry across the switch: every thousandth row.
    auto selectSome = [&] {
      std::vector<int> chosen;
      for (int row = 0; row < list.rowCount(); row += 1000) chosen.push_back(row);
      list.selectRows(std::move(chosen), olScrollAlign::none);
      list.setCursor(list.rowCount() / 2, olCursorMove::caretOnly, olScrollAlign::none);
    };
    // Each switch starts from the other view with some of its rows selected.
    for (int target : {kViewDifferences, kViewAllItems}) {
      const int from = target == kViewAllItems ? kViewDifferences : kViewAllItems;
      const auto prepare = [&] {
        setViewMode(from);
        list.rebuildRows(FindText::keep);
        selectSome();
      };
      const auto work = [&] {
        setViewMode(target);
        list.rebuildRows(FindText::keep);
      };
      report(target == kViewAllItems ? "rebuildRows, differences to all items" : "rebuildRows, all items to differences",
             timeRuns(prepare, work), 300);
    }

    updateWindow(list.hwnd());  // the first paint measures the columns once
    const int pageRows = list.wholeVisibleRows();
    struct Place {
      const char* name;
      int position;
    };
    const Place places[] = {{"top", 0}, {"middle", list.maximumScrollPos() / 2}, {"end", list.maximumScrollPos()}};
    for (const Place& place : places) {
      list.setScrollPos(place.position);
      const std::string what = "paint a 1080 px page (" + std::to_string(pageRows) + " rows), " + place.name;
      report(what.c_str(), timeRuns([&] { invalidateRect(list.hwnd()); }, [&] { updateWindow(list.hwnd()); }), 8);
    }

    report("select all then invert", timeRuns([&] { list.deselectAll(); },
                                              [&] {
                                                list.selectAll();
                                                list.invertSelection();
                                              }),
           50);
    if (list.selectedCount() != 0) status = 1;

    list.setFindText(u"no such name");
    report("find next, no match", timeRuns([&] { list.selectRowAlone(0); }, [&] { list.findInList(); }), 200);
    list.clearRows();
    destroyWindow(window.hwnd());
  }
  return status;
}
