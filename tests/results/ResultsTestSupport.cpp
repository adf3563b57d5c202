#include "tests/results/ResultsTestSupport.h"

#include "foundation/TextFile.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "results/ResultRows.h"
#include "toolkit/App.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using testing_support::writeFileBytes;

namespace results_test {

namespace {

constexpr int64_t kFixedTime = 1700000000;

void writeSame(const testing_support::TempFolder& temp, const std::string& relative, const std::string& bytes) {
  writeFileBytes(temp.path("a/" + relative), bytes);
  writeFileBytes(temp.path("b/" + relative), bytes);
}

}  // namespace

ComparedTrees::ComparedTrees() {
  const std::string block(4096, 'x');
  writeFileBytes(temp.path("a/deep/one/two/changed.txt"), block + "first");
  writeFileBytes(temp.path("b/deep/one/two/changed.txt"), block + "secnd");
  writeSame(temp, "deep/one/untouched.txt", "same");
  writeSame(temp, "same/x.txt", "x");
  writeFileBytes(temp.path("b/deep/one/two/new.txt"), "new");
  writeFileBytes(temp.path("b/onlysecond/inner.txt"), "inner");
  writeFileBytes(temp.path("a/thing"), "a file");
  writeFileBytes(temp.path("b/thing/child.txt"), "in a folder");
  for (const char* name : {"alpha.txt", "Beta.txt", "bravo.txt", "readonly.txt", "touched.txt"}) writeSame(temp, name, name);
  writeFileBytes(temp.path("a/Case.txt"), "case");
  writeFileBytes(temp.path("b/case.txt"), "case");
  writeFileBytes(temp.path("a/onlyfirst.txt"), "only first");
  // Binary content (not compared as text), so that different sizes settle it.
  writeFileBytes(temp.path("a/sizeonly.bin"), std::string("\0\0\0\0\1", 5));
  writeFileBytes(temp.path("b/sizeonly.bin"), std::string("\0\0\0\0\1\2\3\4\5\6", 10));
  for (const char* side : {"a/", "b/"}) {
    for (const char* file : {"deep/one/two/changed.txt", "deep/one/untouched.txt", "same/x.txt", "alpha.txt", "Beta.txt",
                             "bravo.txt", "readonly.txt", "touched.txt", "onlyfirst.txt", "sizeonly.bin", "thing",
                             "Case.txt", "case.txt", "onlysecond/inner.txt", "thing/child.txt", "deep/one/two/new.txt"}) {
      const std::string path = temp.path(std::string(side) + file);
      if (testing_support::exists(path)) testing_support::setModifiedTime(path, kFixedTime);
    }
  }
  testing_support::setModifiedTime(temp.path("b/touched.txt"), kFixedTime + 3600);
  testing_support::setMode(temp.path("a/readonly.txt"), 0444);
  engine.options.modifyTime = true;
  engine.options.attr = true;
  engine.options.autoSkip = true;
}

bool ComparedTrees::compare() {
  engine.options.path0 = fromUtf8(first());
  engine.options.path1 = fromUtf8(second());
  if (!engine.worker.startWorker(engine)) return false;
  engine.worker.waitFinished();
  return engine.worker.exitCode() == 0;
}

void buildWideTree(CompareResult& result, int folders, int filesPerFolder) {
  resetResult(result);
  result.givenPath[0] = result.displayRoot[0] = u"/nowhere/first";
  result.givenPath[1] = result.displayRoot[1] = u"/nowhere/second";
  int64_t serial = 0;
  for (int f = 0; f < folders; ++f) {
    const olstring folderName = u"folder " + fromUtf8(std::to_string(100000 + f));
    CompareItem* folder = nullptr;
    for (int side = 0; side < 2; ++side)
      folder = addEntry(result.root, side, folderName, 0, 13300000000000000000ull, kFolderAttribute);
    for (int i = 0; i < filesPerFolder; ++i, ++serial) {
      const olstring name = u"file " + fromUtf8(std::to_string(1000000 + i)) + u".dat";
      CompareItem* file = nullptr;
      for (int side = 0; side < 2; ++side)
        file = addEntry(*folder, side, name, 1000 + serial % 977 + (serial % 10 == 0 ? side : 0), 13300000000000000000ull, 0);
      if (serial % 10 == 0) {
        file->flags = ItemFlags::kContentDiffers;
        ++result.differing;
      }
    }
  }
}

std::string itemName(const CompareItem& item) {
  return toUtf8(item.side[0].present() ? item.side[0].name : item.side[1].name);
}

std::vector<std::string> rowNames(const ResultRows& rows, bool withDepth) {
  std::vector<std::string> names;
  for (size_t row = 0; row < rows.size(); ++row) {
    std::string name = itemName(*rows.item(row));
    if (withDepth) name += "@" + std::to_string(rows.item(row)->depth);
    names.push_back(name);
  }
  return names;
}

int rowOf(const mrnListView& list, const std::string& name) {
  for (size_t row = 0; row < list.rows().size(); ++row)
    if (itemName(*list.rows().item(row)) == name) return static_cast<int>(row);
  return -1;
}

// ---- the harness window

namespace {
constexpr int kHarnessEditId = 100;
}

ListHarness::ListHarness() {
  beginTemplate(300, 200, olTemplate::popup, 3);
  addTemplateItem(kTemplateEdit, kHarnessEditId, 0, 0, 80, 12, WS_TABSTOP);
  addTemplateItem(kTemplateButton, IDOK, 0, 0, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP);
  addTemplateItem(kTemplateButton, IDCANCEL, 0, 0, 50, 14, WS_TABSTOP);
  addTemplateStyle(WS_THICKFRAME);
}

ListHarness::~ListHarness() {
  if (olApp::instance() && olApp::instance()->mainWindow() == this) olApp::instance()->setMainWindow(nullptr);
}

bool ListHarness::open(const CompareResult* result, int width, int height) {
  if (!createModeless(nullptr)) return false;
  olApp::instance()->setMainWindow(this);
  list.setResult(result);
  // The list follows the stored view mode, as it does in the main window.
  list.setRowFilter([] { return viewMode() == kViewAllItems ? RowFilter::allItems : RowFilter::differencesOnly; });
  setWindowPos(m_hwnd, HWND_TOP, 40, 40, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  showWindow(m_hwnd, SW_SHOW);
  setWindowText(getDlgItem(m_hwnd, IDOK), u"Compare");
  setWindowText(getDlgItem(m_hwnd, IDCANCEL), u"Close");
  pumpMessages(20);
  return true;
}

void ListHarness::attachControls() {
  list.create(m_hwnd, control_id::kResultsList);
  edit.attachDlgItem(m_hwnd, kHarnessEditId);
}

void ListHarness::layoutControls() {
  const RECT client = getClientRect(m_hwnd);
  listHeight = client.height() - 40;
  moveWindow(list.hwnd(), 0, 0, client.width(), listHeight);
  moveWindow(edit.hwnd(), 8, listHeight + 8, 200, 24);
  moveWindow(getDlgItem(m_hwnd, IDOK), client.width() - 200, listHeight + 8, 90, 24);
  moveWindow(getDlgItem(m_hwnd, IDCANCEL), client.width() - 100, listHeight + 8, 90, 24);
}

LRESULT ListHarness::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == control_id::kResultsList) {
      notifications.push_back(HIWORD(wParam));
      return 0;
    }
    if (LOWORD(wParam) == IDOK) {
      ++compareCommands;  // what the main window's compare button would start
      return 0;
    }
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}

// ---- fixtures

ComparedTrees* SharedTreesTest::trees = nullptr;

void SharedTreesTest::SetUpTestSuite() {
  trees = new ComparedTrees;
  ASSERT_TRUE(trees->compare());
}

void SharedTreesTest::TearDownTestSuite() {
  delete trees;
  trees = nullptr;
}

void ListTest::SetUp() {
  setViewMode(kViewAllItems);
  ASSERT_TRUE(harness.open(&trees->engine.result));
  list().rebuildRows(FindText::clear);
}

std::vector<int> ListTest::selectedRows() {
  std::vector<int> rows;
  list().selection().forEachSelected(list().rowCount(), [&](int selected) {
    rows.push_back(selected);
    return true;
  });
  return rows;
}

}  // namespace results_test
