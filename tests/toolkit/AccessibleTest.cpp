// What a screen reader learns of the toolkit's windows: each change of a list tells the
// reader what changed and no more, the list reads as a table whose cells are made only when
// asked for, and the drawn controls carry their names, states and values.
#include "tests/toolkit/GuiTest.h"
#include "toolkit/AccessibleInternal.h"
#include "toolkit/App.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edit.h"
#include "toolkit/ListView.h"
#include "toolkit/Progress.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Rows of two cells "row.column", described as "row N"; a fifth of the rows has its reader's
// focus in the second cell.
class SpokenList : public olListView {
public:
  int accessibleColumnCount() const override { return 2; }
  olstring accessibleCellText(int row, int column) const override {
    return fromUtf8(std::to_string(row) + "." + std::to_string(column));
  }
  olstring accessibleRowDescription(int row) const override { return fromUtf8("row " + std::to_string(row)); }
  int accessibleFocusColumn(int row) const override { return row % 5 == 4 ? 1 : 0; }
};

class ListOwner : public gui_test::SimpleDialog {
public:
  SpokenList list;
  void attachControls() override { list.create(m_hwnd, 300); }
  void layoutControls() override { moveWindow(list.hwnd(), 0, 40, 300, 200); }
};

// The events the toolkit raised, as "Focus 4.1", "Add 4.0", "Remove 3.1", "Within", "Reset".
std::vector<std::string> g_events;
void record(QAccessibleEvent* event) {
  static const std::pair<QAccessible::Event, const char*> kinds[] = {
      {QAccessible::Focus, "Focus"}, {QAccessible::SelectionAdd, "Add"}, {QAccessible::SelectionRemove, "Remove"},
      {QAccessible::SelectionWithin, "Within"}, {QAccessible::TableModelChanged, "Reset"}};
  std::string text = "other";
  for (const auto& [type, name] : kinds)
    if (event->type() == type) text = name;
  QAccessibleInterface* iface = event->accessibleInterface();
  if (iface && iface->role() == QAccessible::Cell) text += " " + iface->text(QAccessible::Name).toStdString();
  g_events.push_back(text);
}

std::unique_ptr<ListOwner> openList(int rows) {
  auto owner = std::make_unique<ListOwner>();
  if (!owner->createModeless(nullptr)) return nullptr;
  showWindow(owner->hwnd(), SW_SHOW);
  setActiveWindow(owner->hwnd());
  olRowSelection third;
  third.assign({3}, false);
  owner->list.resetRows(rows, third, 3, 3);
  setFocus(owner->list.hwnd());
  pumpMessages(20);
  return owner;
}

TEST(AccessibleList, EachChangeTellsTheReaderWhatChangedAndNoMore) {
  using Events = std::vector<std::string>;
  struct Case {
    const char* name;
    bool listFocused;
    std::function<void(ListOwner&)> act;
    Events want;
  };
  const Case cases[] = {
      {"Down moves the caret and the selection", true,
       [](ListOwner& o) { sendMessage(o.list.hwnd(), WM_KEYDOWN, VK_DOWN); },
       {"Remove 3.0", "Remove 3.1", "Add 4.0", "Add 4.1", "Focus 4.1"}},
      {"Ctrl+Space takes the caret's row out", true,
       [](ListOwner& o) { o.list.setCursor(3, olCursorMove::toggle, olScrollAlign::none); }, {"Remove 3.0", "Remove 3.1"}},
      {"select all is one event, whatever the rows", true, [](ListOwner& o) { o.list.selectAll(); }, {"Within"}},
      {"invert is one event", true, [](ListOwner& o) { o.list.invertSelection(); }, {"Within"}},
      {"Shift+End: one event for the rows, then the caret", true,
       [](ListOwner& o) { o.list.setCursor(199, olCursorMove::extend, olScrollAlign::bottom); }, {"Within", "Focus 199.1"}},
      {"the caret moves in a list without the keyboard focus", false,
       [](ListOwner& o) { o.list.selectRowAlone(6); }, {"Remove 3.0", "Remove 3.1", "Add 6.0", "Add 6.1"}},
      {"the list takes the keyboard focus", false, [](ListOwner& o) { setFocus(o.list.hwnd()); }, {"Focus 3.0"}},
      {"the rows are built anew", true,
       [](ListOwner& o) { o.list.resetRows(200, o.list.selection(), 3, 3); }, {"Reset", "Focus 3.0"}},
  };
  olAccessibleReader reader(record);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<ListOwner> owner = openList(200);
    ASSERT_TRUE(owner);
    if (!c.listFocused) setFocus(getDlgItem(owner->hwnd(), 100));
    pumpMessages(0);
    ASSERT_EQ(widgetOf(owner->list.hwnd())->hasFocus(), c.listFocused);
    g_events.clear();
    c.act(*owner);
    pumpMessages(0);
    EXPECT_EQ(g_events, c.want);
    owner->unbind(olUnbind::destroyWindow);
  }
}

TEST(AccessibleList, AReaderReadsATableWhoseCellsAreMadeOnlyWhenAsked) {
  olAccessibleReader reader(record);
  std::unique_ptr<ListOwner> owner = openList(100000);
  ASSERT_TRUE(owner);
  const HWND list = owner->list.hwnd();
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widgetOf(list));
  ASSERT_TRUE(iface && iface->tableInterface());
  QAccessibleTableInterface* table = iface->tableInterface();
  EXPECT_EQ(iface->role(), QAccessible::Table);
  const size_t focusedCell = accessibleCellsMade(list);  // the caret's, when the list took the focus
  owner->list.selectAll();
  EXPECT_EQ(table->rowCount(), 100000);
  EXPECT_EQ(table->columnCount(), 2);
  EXPECT_EQ(table->selectedRowCount(), 100000);
  EXPECT_EQ(accessibleCellsMade(list), focusedCell) << "selecting every row makes no cell";

  QAccessibleInterface* cell = table->cellAt(41, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text(QAccessible::Name), "41.1");
  EXPECT_EQ(cell->text(QAccessible::Description), "row 41");
  EXPECT_EQ(table->rowDescription(41), "row 41");
  EXPECT_TRUE(cell->state().selected);
  EXPECT_EQ(cell->parent(), iface);
  EXPECT_EQ(iface->indexOfChild(cell), 83);
  EXPECT_EQ(iface->child(83), cell) << "asked again, the same cell";
  EXPECT_EQ(accessibleCellsMade(list), focusedCell + 1);
  EXPECT_TRUE(table->unselectRow(41));
  EXPECT_FALSE(owner->list.isSelected(41)) << "a reader changes the selection as Ctrl+click does";

  // A reader following the caret down a long way holds a bounded number of cells.
  owner->list.selectRowAlone(0);
  for (int step = 0; step < 5000; ++step) sendMessage(list, WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(owner->list.currentRow(), 5000);
  EXPECT_LE(accessibleCellsMade(list), 2050u);
  owner->list.resetRows(10, {}, -1, -1);
  EXPECT_EQ(accessibleCellsMade(list), 0u) << "the cells of the old rows are forgotten";
  owner->unbind(olUnbind::destroyWindow);
}

TEST(AccessibleControls, DrawnControlsHaveTheirNamesStatesAndValues) {
  gui_test::SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  olButton_Switch toggle;
  olButton_customIcon icon;
  olEdit edit;
  olProgressCtrl bar;
  for (auto [object, className] : {std::pair<olWnd*, const char16_t*>{&toggle, u"Button"}, {&icon, u"Button"},
                                   {&edit, u"Edit"}, {&bar, u"msctls_progress32"}})
    ASSERT_TRUE(object->attach(createWindowEx(0, className, u"", WS_CHILD | WS_VISIBLE, RECT{}, dialog.hwnd(), 0)));
  auto read = [](const olWnd& control) { return QAccessible::queryAccessibleInterface(widgetOf(control.hwnd())); };
  olAccessibleReader reader(record);
  g_events.clear();

  setWindowText(toggle.hwnd(), u"&Differences");
  toggle.setChecked(true);
  EXPECT_EQ(read(toggle)->text(QAccessible::Name), "Differences");
  EXPECT_TRUE(read(toggle)->state().checkable && read(toggle)->state().checked);
  EXPECT_EQ(g_events, std::vector<std::string>{"other"}) << "the checked state's change";

  setWindowText(icon.hwnd(), u"Load project");
  EXPECT_EQ(read(icon)->text(QAccessible::Name), "Load project") << "named by its tip";
  edit.setCueText(u"First folder or file");
  edit.setText(u"/somewhere");
  EXPECT_EQ(read(edit)->text(QAccessible::Name), "First folder or file") << "the cue stays its name";

  QAccessibleValueInterface* value = read(bar)->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(read(bar)->role(), QAccessible::ProgressBar);
  bar.setIndeterminate(true);
  bar.setText(u"12 items found");
  EXPECT_EQ(read(bar)->text(QAccessible::Name), "12 items found");
  EXPECT_EQ(value->maximumValue().toDouble(), 0.0) << "busy";
  bar.setIndeterminate(false);
  bar.setRange(1000);
  g_events.clear();
  for (int done = 1; done <= 1000; ++done) bar.setPos(done);
  EXPECT_EQ(value->currentValue().toDouble(), 1000.0);
  EXPECT_EQ(value->maximumValue().toDouble(), 1000.0);
  EXPECT_EQ(g_events.size(), 2u * 100) << "a value and a name event each percent, not each step";
  dialog.unbind(olUnbind::destroyWindow);
}

}  // namespace
