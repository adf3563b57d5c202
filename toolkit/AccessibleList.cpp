// A toolkit list as a screen reader reads it: a table of rows, each row a few cells and a
// description, its selection, and the caret row as the reader's focus. A cell's interface
// is made when a reader asks for that cell and kept until the rows are built anew, so a
// list of a million rows costs readers only what they look at.
#include "toolkit/AccessibleInternal.h"

#include <climits>
#include <unordered_map>

#include "toolkit/ListView.h"
#include "toolkit/RowSelection.h"

namespace {

// A change of more rows than this is one event for the whole list.
constexpr int kRowsAnnouncedOneByOne = 32;
// A reader walking a huge list leaves cells behind: beyond this many, the cells far from the
// caret and the view are given up (a reader asks again for what it needs).
constexpr size_t kCellsKept = 2048;
constexpr int kRowsKeptAround = 256;

class olAccessibleList;

// Every list interface that exists, by its widget: the rows of a list are forgotten on a
// rebuild even while no reader listens (nothing is made to find out).
std::unordered_map<const QWidget*, olAccessibleList*>& madeLists() {
  static std::unordered_map<const QWidget*, olAccessibleList*> lists;
  return lists;
}

class olAccessibleCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
  olAccessibleCell(olAccessibleList* table, int row, int column) : m_table(table), m_row(row), m_column(column) {}

  bool isValid() const override;
  // A cell is no object of its own (the list's widget is the table's object).
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
  }

  bool isSelected() const override;
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return m_column; }
  int rowIndex() const override { return m_row; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override;

private:
  olAccessibleList* m_table;
  int m_row;
  int m_column;
};

class olAccessibleList : public QAccessibleWidget, public QAccessibleTableInterface {
public:
  explicit olAccessibleList(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Table), m_widget(widget) {
    madeLists()[widget] = this;
  }
  ~olAccessibleList() override {
    madeLists().erase(m_widget);
    forgetCells();
  }

  olListView* list() const { return dynamic_cast<olListView*>(boundObject(widget())); }
  QWidget* listWidget() const { return widget(); }
  int columns() const {
    const olListView* view = list();
    return view ? std::max(1, view->accessibleColumnCount()) : 1;
  }
  int rows() const {
    const olListView* view = list();
    return view ? view->rowCount() : 0;
  }
  bool hasFocus() const { return widget()->hasFocus(); }
  // The cell of the caret row that has the reader's focus, or -1.
  int focusIndex() const {
    const olListView* view = list();
    if (!view || view->currentRow() < 0) return -1;
    const int column = std::clamp(view->accessibleFocusColumn(view->currentRow()), 0, columns() - 1);
    return indexOf(view->currentRow(), column);
  }
  int indexOf(int row, int column) const {
    const int64_t index = int64_t(row) * columns() + column;
    return index <= INT_MAX ? static_cast<int>(index) : -1;
  }
  void forgetCells() {
    for (const auto& [index, id] : m_cells) QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
  }
  // Gives up the cells far from the caret and the view once there are too many. Called only
  // between a reader's questions, never while an answer holds cells.
  void pruneCells() {
    const olListView* view = list();
    if (m_cells.size() <= kCellsKept || !view) return;
    const int first = view->firstVisibleRow();
    const int last = first + view->wholeVisibleRows();
    const int caret = view->currentRow();
    auto near = [&](int row) {
      return (row >= first - kRowsKeptAround && row <= last + kRowsKeptAround) ||
             (caret >= 0 && row >= caret - kRowsKeptAround && row <= caret + kRowsKeptAround);
    };
    for (auto it = m_cells.begin(); it != m_cells.end();) {
      if (near(it->first / columns())) {
        ++it;
        continue;
      }
      QAccessible::deleteAccessibleInterface(it->second);
      it = m_cells.erase(it);
    }
  }
  size_t cellsMade() const { return m_cells.size(); }

  // QAccessibleInterface
  QString text(QAccessible::Text t) const override {
    const olListView* view = list();
    if (t == QAccessible::Description && view && widget()->accessibleDescription().isEmpty())
      return toQString(view->accessibleDescription());
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiSelectable = true;
    return state;
  }
  int childCount() const override {
    const int64_t cells = int64_t(rows()) * columns();
    return static_cast<int>(std::min<int64_t>(cells, INT_MAX));
  }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    return cellAt(index / columns(), index % columns());
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const QAccessibleTableCellInterface* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (!cell || child->parent() != this) return -1;
    return indexOf(cell->rowIndex(), cell->columnIndex());
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const olListView* view = list();
    if (!view) return nullptr;
    const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
    const int row = view->rowAt(local.y());
    const int width = std::max(1, getClientRect(handleOf(widget())).width());
    if (row < 0 || local.x() < 0 || local.x() >= width) return nullptr;
    return cellAt(row, std::min(columns() - 1, local.x() * columns() / width));
  }
  QAccessibleInterface* focusChild() const override {
    const int index = hasFocus() ? focusIndex() : -1;
    return index >= 0 ? child(index) : nullptr;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  // QAccessibleTableInterface
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || row >= rows() || column < 0 || column >= columns()) return nullptr;
    const int index = indexOf(row, column);
    auto found = m_cells.find(index);
    if (found == m_cells.end()) {
      auto* cell = new olAccessibleCell(const_cast<olAccessibleList*>(this), row, column);
      found = m_cells.emplace(index, QAccessible::registerAccessibleInterface(cell)).first;
    }
    return QAccessible::accessibleInterface(found->second);
  }
  int selectedCellCount() const override {
    const int64_t cells = int64_t(selectedRowCount()) * columns();
    return static_cast<int>(std::min<int64_t>(cells, INT_MAX));
  }
  // Every selected cell, made on demand: a reader that asks for a whole selection of a huge
  // list pays for it, a reader that does not pays nothing.
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows())
      for (int column = 0; column < columns(); ++column) cells.append(cellAt(row, column));
    return cells;
  }
  QString columnDescription(int column) const override {
    const olListView* view = list();
    return view && column >= 0 && column < columns() ? toQString(view->accessibleColumnName(column)) : QString();
  }
  QString rowDescription(int row) const override {
    const olListView* view = list();
    return view && row >= 0 && row < rows() ? toQString(view->accessibleRowDescription(row)) : QString();
  }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override {
    const olListView* view = list();
    return view ? static_cast<int>(view->selectedCount()) : 0;
  }
  int columnCount() const override { return columns(); }
  int rowCount() const override { return rows(); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override {
    QList<int> selected;
    if (const olListView* view = list()) {
      view->selection().forEachSelected(view->rowCount(), [&](int row) {
        selected.append(row);
        return true;
      });
    }
    return selected;
  }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override {
    const olListView* view = list();
    return view && view->isSelected(row);
  }
  // A reader adds a row to the selection or takes it out, as Ctrl+click does.
  bool selectRow(int row) override { return toggleRowTo(row, true); }
  bool unselectRow(int row) override { return toggleRowTo(row, false); }
  bool selectColumn(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override { forgetCells(); }

private:
  bool toggleRowTo(int row, bool selected) {
    olListView* view = list();
    if (!view || row < 0 || row >= view->rowCount()) return false;
    if (view->isSelected(row) != selected) view->setCursor(row, olCursorMove::toggle, olScrollAlign::nearest);
    return true;
  }

  const QWidget* m_widget;
  mutable std::unordered_map<int, QAccessible::Id> m_cells;
};

// ---- olAccessibleCell

bool olAccessibleCell::isValid() const {
  return m_table->isValid() && m_table->list() && m_row < m_table->rows() && m_column < m_table->columns();
}

QWindow* olAccessibleCell::window() const { return m_table->window(); }
QAccessibleInterface* olAccessibleCell::parent() const { return m_table; }
QAccessibleInterface* olAccessibleCell::table() const { return m_table; }

QString olAccessibleCell::text(QAccessible::Text t) const {
  const olListView* view = m_table->list();
  if (!view || m_row >= view->rowCount()) return {};
  if (t == QAccessible::Name) return toQString(view->accessibleCellText(m_row, m_column));
  // The row's description goes with each of its cells: a reader that speaks the focused
  // cell speaks what is known of the row.
  if (t == QAccessible::Description) return toQString(view->accessibleRowDescription(m_row));
  return {};
}

QRect olAccessibleCell::rect() const {
  const olListView* view = m_table->list();
  if (!view) return {};
  RECT row = view->rowRect(m_row);
  const int width = row.width();
  const int columns = m_table->columns();
  row.left = width * m_column / columns;
  row.right = width * (m_column + 1) / columns;
  return screenRect(m_table->listWidget(), row);
}

bool olAccessibleCell::isSelected() const {
  const olListView* view = m_table->list();
  return view && view->isSelected(m_row);
}

QAccessible::State olAccessibleCell::state() const {
  QAccessible::State state;
  const olListView* view = m_table->list();
  if (!view) return state;
  state.selectable = true;
  state.focusable = true;
  state.selected = view->isSelected(m_row);
  state.focused = m_table->hasFocus() && m_table->focusIndex() == m_table->indexOf(m_row, m_column);
  const int first = view->firstVisibleRow();
  state.offscreen = m_row < first || m_row > first + view->wholeVisibleRows();
  return state;
}

olAccessibleList* listInterfaceOf(HWND list) {
  QWidget* widget = widgetOf(list);
  if (!widget || !accessibilityActive()) return nullptr;
  return dynamic_cast<olAccessibleList*>(QAccessible::queryAccessibleInterface(widget));
}

}  // namespace

QAccessibleInterface* makeListInterface(QWidget* widget) { return new olAccessibleList(widget); }
bool isListInterface(QAccessibleInterface* iface) { return dynamic_cast<olAccessibleList*>(iface) != nullptr; }

void announceListCaret(HWND list) {
  olAccessibleList* table = listInterfaceOf(list);
  // The reader's focus follows the keyboard's: a list without it keeps it where it is.
  if (!table || !table->hasFocus()) return;
  table->pruneCells();
  const int index = table->focusIndex();
  QAccessibleInterface* focused = index >= 0 ? table->child(index) : table;
  if (!focused) return;
  QAccessibleEvent event(focused, QAccessible::Focus);
  sendAccessibleEvent(&event);
}

void announceListFocused(HWND list) {
  QWidget* widget = widgetOf(list);
  if (!widget || !accessibilityActive()) return;
  // Queued behind the delivery of the focus change; dropped with the widget.
  QMetaObject::invokeMethod(widget, [list] { announceListCaret(list); }, Qt::QueuedConnection);
}

void announceListSelection(HWND list, const olRowSelection& before, const olRowSelection& after, int rowCount) {
  olAccessibleList* table = listInterfaceOf(list);
  if (!table) return;
  std::vector<int> rows;
  if (!differingRows(before, after, rowCount, kRowsAnnouncedOneByOne, rows)) {
    QAccessibleEvent event(table, QAccessible::SelectionWithin);
    sendAccessibleEvent(&event);
    return;
  }
  for (int row : rows) {
    const QAccessible::Event type = after.isSelected(row) ? QAccessible::SelectionAdd : QAccessible::SelectionRemove;
    for (int column = 0; column < table->columns(); ++column) {
      QAccessibleInterface* cell = table->cellAt(row, column);
      if (!cell) continue;
      QAccessibleEvent event(cell, type);
      sendAccessibleEvent(&event);
    }
  }
}

void announceListRowsReset(HWND list) {
  auto found = madeLists().find(widgetOf(list));
  if (found == madeLists().end()) return;
  olAccessibleList* table = found->second;
  table->forgetCells();
  if (!accessibilityActive()) return;
  QAccessibleTableModelChangeEvent event(table->listWidget(), QAccessibleTableModelChangeEvent::ModelReset);
  sendAccessibleEvent(&event);
  announceListCaret(list);
}

size_t accessibleCellsMade(HWND list) {
  auto found = madeLists().find(widgetOf(list));
  return found == madeLists().end() ? 0 : found->second->cellsMade();
}
