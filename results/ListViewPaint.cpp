// How the results list draws a row: background, difference frame, the middle line, and
// each side's tree lines, glyph, name and the right-aligned columns of its table.
#include "results/ListView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <array>

#include "foundation/LanguageKeys.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "toolkit/Theme.h"

using namespace ItemFlags;

namespace {

// One column of a side, right of the name: a column is one row of kColumns.
struct ListColumn {
  // The text a side of an item shows; an empty text draws nothing but keeps the room.
  olstring (*text)(const SideInfo& side);
  // The mark of highlightsOf that draws the text in the difference colour.
  bool RowHighlights::*highlight;
  // The widest text the rows give the column on a side, so that it lines up down the whole
  // list (an empty text leaves the column out); nullptr for a column as wide as each row's
  // own text.
  olstring (*widest)(const ResultRows& rows, int side);
};

// Laid out from the right edge of a side, first row outermost; a narrow side gives up the
// last row first, and the name keeps at least kMinimumNameWidth.
constexpr ListColumn kColumns[] = {
    {[](const SideInfo& side) { return side.isFolder() ? olstring() : sizeText(side.size); }, &RowHighlights::size,
     [](const ResultRows& rows, int side) { return sizeText(rows.largestSize(side)); }},
    {[](const SideInfo& side) { return attrText(side.attributes); }, &RowHighlights::attributes,
     [](const ResultRows& rows, int side) {
       return rows.attributesSeen(side) != 0 ? attrText(rows.attributesSeen(side)) : olstring();
     }},
    {[](const SideInfo& side) { return timeText(side.modified); }, &RowHighlights::time, nullptr},
};
constexpr size_t kColumnCount = std::size(kColumns);

// The glyph squares of files and missing items, and the folder outline.
constexpr int kSquareSize = 8;
constexpr int kFolderWidth = 15;
constexpr int kFolderHeight = 14;
// A name keeps at least this much room before the columns give way, from the left.
constexpr int kMinimumNameWidth = 48;
// Indentation stops growing where a name would have fewer average characters than this.
constexpr int kNameRoomCharacters = 12;
// A modification time whose text is as wide as such texts come (28 December 2026, 22:48),
// to keep room for the time column that is as wide as each row's own text.
constexpr uint64_t kWideTimeSample = (1798498080ULL + 11644473600ULL) * 10000000ULL;

// The colours one row is drawn in.
struct RowColours {
  COLORREF background;
  COLORREF text;
  COLORREF secondary;
  COLORREF difference;
  COLORREF frame;
  COLORREF window;
  COLORREF folderFill;
};

RowColours rowColours(unsigned state) {
  RowColours c;
  const bool selected = state & kRowSelected;
  const bool focused = state & kRowFocused;
  c.window = themeColour(olThemeSlot::window);
  if (selected) c.background = themeColour(focused ? olThemeSlot::selection : olThemeSlot::subtle);
  else if (state & kRowHot) c.background = themeColour(olThemeSlot::hover);
  else c.background = c.window;
  c.text = themeColour(olThemeSlot::text);
  c.secondary = themeColour(olThemeSlot::secondary);
  c.frame = themeColour(olThemeSlot::frame);
  if (isSystemTheme()) {
    // The platform's highlight wants its own text colour.
    if (selected && focused) c.text = c.secondary = contrastingText(c.background);
    c.folderFill = themeColour((selected || (state & kRowHot)) ? olThemeSlot::frame : olThemeSlot::face);
  } else {
    c.folderFill = themeColour(olThemeSlot::subtle);
  }
  c.difference = differenceColour(c.background);
  return c;
}

void fill(HDC dc, int x, int y, int width, int height, COLORREF colour) {
  dc->fillRect(x, y, width, height, toQColor(colour));
}

// Dots one pixel apart, on the pixels whose content position is even, so that the lines
// of neighbouring rows join whatever the scroll position.
void dottedVertical(QPolygon& dots, int x, int top, int bottom, int scroll) {
  for (int y = top + ((top + scroll) & 1); y < bottom; y += 2) dots << QPoint(x, y);
}
void dottedHorizontal(QPolygon& dots, int left, int right, int y) {
  for (int x = left + (left & 1); x < right; x += 2) dots << QPoint(x, y);
}

void drawSquare(HDC dc, const RECT& cell, COLORREF colour, const RowColours& colours) {
  const int x = cell.left + (cell.width() - kSquareSize) / 2;
  const int y = cell.top + (cell.height() - kSquareSize) / 2;
  if (!isSystemTheme()) fill(dc, x - 1, y - 1, kSquareSize + 2, kSquareSize + 2, colours.window);
  fill(dc, x, y, kSquareSize, kSquareSize, colour);
}

void drawFolder(HDC dc, const RECT& cell, COLORREF outline, COLORREF fillColour) {
  const double left = cell.left + (cell.width() - kFolderWidth) / 2.0 + 0.5;
  const double top = cell.top + (cell.height() - kFolderHeight) / 2.0 + 0.5;
  const double w = kFolderWidth - 1, h = kFolderHeight - 1;
  QPainterPath path;
  path.moveTo(left, top + h);
  path.lineTo(left, top + 1);
  path.lineTo(left + w * 0.38, top + 1);
  path.lineTo(left + w * 0.5, top + h * 0.22);
  path.lineTo(left + w, top + h * 0.22);
  path.lineTo(left + w, top + h);
  path.closeSubpath();
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  QPen pen(toQColor(outline), 1.5);
  pen.setJoinStyle(Qt::RoundJoin);
  dc->setPen(pen);
  dc->setBrush(toQColor(fillColour));
  dc->drawPath(path);
  dc->restore();
}

void drawColumnText(HDC dc, const QString& text, int left, int right, const RECT& row, COLORREF colour,
                    Qt::Alignment align) {
  if (right <= left || text.isEmpty()) return;
  dc->setPen(toQColor(colour));
  dc->drawText(QRect(left, row.top, right - left, row.height()), int(align | Qt::AlignVCenter | Qt::TextSingleLine),
               text);
}

}  // namespace

const std::vector<int>& mrnListView::columnWidths(HDC dc, int side) {
  if (!m_columnsValid) {
    const QFontMetrics metrics(dc->font());
    for (int s = 0; s < 2; ++s) {
      m_columnWidths[s].assign(kColumnCount, 0);
      for (size_t i = 0; i < kColumnCount; ++i)
        if (kColumns[i].widest) m_columnWidths[s][i] = metrics.horizontalAdvance(toQString(kColumns[i].widest(m_rows, s)));
    }
    m_columnsValid = true;
  }
  return m_columnWidths[side];
}

void mrnListView::paintTreeLines(HDC dc, int row, int left, const RECT& rowArea, COLORREF colour, int depthCap) const {
  const CompareItem& item = *m_rows.item(size_t(row));
  if (item.depth < 1) return;
  const int indent = m_indentWidth;
  const int depth = std::min(item.depth, depthCap);
  if (depth < 1) return;
  auto column = [&](int level) { return left + level * indent - indent / 2; };
  QPolygon dots;
  const int scroll = scrollPos();
  const int middle = rowArea.top + rowArea.height() / 2;
  const bool last = m_rows.isLastShownChild(size_t(row));
  dottedVertical(dots, column(depth), rowArea.top, last ? middle + 1 : rowArea.bottom, scroll);
  dottedHorizontal(dots, column(depth) + 2, left + depth * indent + (indent - kSquareSize) / 2 - 1, middle);
  // Every ancestor that has a later sibling carries its line on through this row; those
  // deeper than the indentation goes stand in the deepest column, which is drawn already.
  for (int up = m_rows.parentRow(size_t(row)); up >= 0; up = m_rows.parentRow(size_t(up))) {
    const int level = m_rows.item(size_t(up))->depth;
    if (level < 1) break;
    if (level >= depth) continue;
    if (!m_rows.isLastShownChild(size_t(up))) dottedVertical(dots, column(level), rowArea.top, rowArea.bottom, scroll);
  }
  dc->setPen(QPen(toQColor(colour), 0));
  dc->drawPoints(dots);
}

int mrnListView::depthCap(HDC dc, int halfWidth) {
  const QFontMetrics metrics(dc->font());
  // The columns every row of a side lines up (the widest of both sides) and a time text.
  int columns = metrics.horizontalAdvance(toQString(timeText(kWideTimeSample)));
  int lined = 0;
  for (int side = 0; side < 2; ++side) {
    int width = 0;
    for (int each : columnWidths(dc, side))
      if (each > 0) width += each + uiMargins().gapHorizontal;
    lined = std::max(lined, width);
  }
  columns += lined + uiMargins().gapHorizontal;
  const int nameRoom = kNameRoomCharacters * metrics.averageCharWidth();
  const int room = halfWidth - m_indentWidth - kPadding - nameRoom;
  // Where the columns leave no such room the name has the side to itself (they give way).
  const int levels = room - columns >= 0 ? (room - columns) / m_indentWidth : room / m_indentWidth;
  return std::max(0, levels);
}

void mrnListView::paintSide(HDC dc, const CompareItem& item, int row, int side, const RECT& half, const RECT& rowArea,
                            unsigned state, int cap) {
  const RowColours colours = rowColours(state);
  const SideInfo& info = item.side[side];
  const bool flat = m_rows.isFlat();
  // Deep items stop moving right where their names would lose their room.
  const int depth = flat ? 0 : std::min(std::max(item.depth, 0), cap);
  if (!flat) paintTreeLines(dc, row, half.left, rowArea, colours.secondary, cap);
  const int cellLeft = half.left + depth * m_indentWidth;
  const RECT cell{cellLeft, rowArea.top, cellLeft + m_indentWidth, rowArea.bottom};
  if (cell.left >= half.right) return;
  if (!info.present()) {
    drawSquare(dc, cell, colours.difference, colours);
    return;
  }
  const COLORREF glyphColour = (item.flags & kTypeDiffers) ? colours.difference : colours.secondary;
  if (info.isFolder()) drawFolder(dc, cell, glyphColour, colours.folderFill);
  else drawSquare(dc, cell, glyphColour, colours);

  // The columns from the right edge, each a gap apart.
  const RowHighlights highlights = highlightsOf(item);
  const std::vector<int>& lined = columnWidths(dc, side);
  const int gap = uiMargins().gapHorizontal;
  const QFontMetrics metrics(dc->font());
  const int nameLeft = cell.right + kPadding;
  std::array<olstring, kColumnCount> texts;
  std::array<int, kColumnCount> widths;
  for (size_t i = 0; i < kColumnCount; ++i) {
    texts[i] = kColumns[i].text(info);
    widths[i] = kColumns[i].widest ? lined[i] : metrics.horizontalAdvance(toQString(texts[i]));
  }
  auto nameRight = [&] {
    int right = half.right;
    for (int width : widths)
      if (width > 0) right -= width + gap;
    return right;
  };
  for (size_t i = kColumnCount; i-- > 0;)
    if (nameRight() - nameLeft < kMinimumNameWidth) widths[i] = 0;

  int right = half.right;
  for (size_t i = 0; i < kColumnCount; ++i) {
    if (widths[i] <= 0) continue;
    drawColumnText(dc, toQString(texts[i]), right - widths[i], right, rowArea,
                   highlights.*kColumns[i].highlight ? colours.difference : colours.secondary, Qt::AlignRight);
    right -= widths[i] + gap;
  }
  if (right <= nameLeft) return;
  const int nameWidth = right - nameLeft;
  const olstring name = flat ? itemRelativePath(item, side) : info.name.str();
  // A path keeps its last part (the item's own name) whole when it is cut.
  const QString shown = flat ? toQString(elideText(name, nameWidth, olElide::path, m_font))
                             : metrics.elidedText(toQString(name), Qt::ElideRight, nameWidth);
  drawColumnText(dc, shown, nameLeft, right, rowArea, highlights.name ? colours.difference : colours.text,
                 Qt::AlignLeft);
}

void mrnListView::paintRow(HDC dc, int row, const RECT& rect, unsigned state) {
  const CompareItem* item = rowItem(row);
  if (!item) return;
  const RowColours colours = rowColours(state);
  if (colours.background != colours.window) fill(dc, rect.left, rect.top, rect.width(), rect.height(), colours.background);
  if (m_rows.filter() == RowFilter::allItems && item->flags != 0) {
    // A run of differing rows is framed as one block, with a line between its rows.
    drawEdges(dc, rect, colours.difference, kSideTop, 1);
    const CompareItem* next = rowItem(row + 1);
    if (!next || next->flags == 0) drawEdges(dc, rect, colours.difference, kSideBottom, 1);
  }
  const int middle = rect.left + rect.width() / 2;
  fill(dc, middle, rect.top, 1, rect.height(), colours.frame);
  const int margin = uiMargins().halfHorizontal;
  const RECT first{rect.left + margin, rect.top, middle - margin, rect.bottom};
  const RECT second{middle + 1 + margin, rect.top, rect.right - margin, rect.bottom};
  const int cap = depthCap(dc, std::min(first.width(), second.width()));
  // Each half draws inside itself: nothing of one side may run across the middle line.
  for (const auto& [side, area] : {std::pair{0, RECT{rect.left, rect.top, middle, rect.bottom}},
                                   std::pair{1, RECT{middle + 1, rect.top, rect.right, rect.bottom}}}) {
    dc->save();
    dc->setClipRect(toQRect(area), Qt::IntersectClip);
    paintSide(dc, *item, row, side, side == 0 ? first : second, rect, state, cap);
    dc->restore();
  }
  if ((state & kRowSelected) && (state & kRowHot)) drawEdges(dc, rect, colours.secondary, kSideLeft, 1);
  if ((state & kRowCurrent) && (state & kRowFocused)) {
    // The caret: a dotted outline, as keyboard users know it.
    dc->save();
    QPen pen(toQColor(colours.secondary), 0, Qt::DotLine);
    dc->setPen(pen);
    dc->setBrush(Qt::NoBrush);
    dc->drawRect(QRect(rect.left, rect.top, rect.width() - 1, rect.height() - 1));
    dc->restore();
  }
}

void mrnListView::paintEmpty(HDC dc, const RECT& client) {
  const olstring text = emptyText();
  if (text.empty()) return;
  const olMargins& margins = uiMargins();
  const int width = client.width() - 2 * margins.horizontal;
  if (width <= 0) return;
  // Wrapped, not cut: the hint says what to do, and a cut one says it in part.
  const QRect area(client.left + margins.horizontal, client.top + margins.vertical, width,
                   std::max(0, client.height() - 2 * margins.vertical));
  dc->setPen(toQColor(themeColour(olThemeSlot::secondary)));
  dc->drawText(area, int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap), toQString(text));
}
