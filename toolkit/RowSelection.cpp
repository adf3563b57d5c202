#include "toolkit/RowSelection.h"

#include <algorithm>
#include <cstddef>

namespace {

// The complement rule applies to lists of this many rows or more.
constexpr int kComplementMinimumRows = 100;

}  // namespace

int64_t olRowSelection::selectedCount(int rowCount) const {
  if (rowCount <= 0) return 0;
  return m_inverted ? rowCount - m_size : m_size;
}

size_t olRowSelection::lowerRange(int row) const {
  auto it = std::lower_bound(m_ranges.begin(), m_ranges.end(), row,
                             [](const Range& range, int value) { return range.last < value; });
  return static_cast<size_t>(it - m_ranges.begin());
}

bool olRowSelection::contains(int row) const {
  const size_t at = lowerRange(row);
  return at < m_ranges.size() && m_ranges[at].first <= row;
}

void olRowSelection::clear() {
  m_ranges.clear();
  m_size = 0;
  m_inverted = false;
}

void olRowSelection::selectAll() {
  clear();
  m_inverted = true;
}

void olRowSelection::selectOnly(int row) {
  clear();
  if (row >= 0) insert(row);
}

void olRowSelection::selectOnlyRange(int a, int b) {
  clear();
  if (a > b) std::swap(a, b);
  if (b < 0) return;
  a = std::max(a, 0);
  m_ranges.push_back({a, b});
  m_size = int64_t(b) - a + 1;
}

void olRowSelection::insert(int row) {
  const size_t at = lowerRange(row);
  if (at < m_ranges.size() && m_ranges[at].first <= row) return;
  ++m_size;
  const bool joinsNext = at < m_ranges.size() && m_ranges[at].first == row + 1;
  const bool joinsPrevious = at > 0 && m_ranges[at - 1].last == row - 1;
  if (joinsPrevious && joinsNext) {
    m_ranges[at - 1].last = m_ranges[at].last;
    m_ranges.erase(m_ranges.begin() + static_cast<std::ptrdiff_t>(at));
  } else if (joinsPrevious) {
    m_ranges[at - 1].last = row;
  } else if (joinsNext) {
    m_ranges[at].first = row;
  } else {
    m_ranges.insert(m_ranges.begin() + static_cast<std::ptrdiff_t>(at), Range{row, row});
  }
}

void olRowSelection::erase(int row) {
  const size_t at = lowerRange(row);
  if (at >= m_ranges.size() || m_ranges[at].first > row) return;
  --m_size;
  Range& range = m_ranges[at];
  if (range.first == range.last) {
    m_ranges.erase(m_ranges.begin() + static_cast<std::ptrdiff_t>(at));
  } else if (range.first == row) {
    ++range.first;
  } else if (range.last == row) {
    --range.last;
  } else {
    const Range after{row + 1, range.last};
    range.last = row - 1;
    m_ranges.insert(m_ranges.begin() + static_cast<std::ptrdiff_t>(at) + 1, after);
  }
}

std::vector<olRowSelection::Range> olRowSelection::rowsOutside(int rowCount) const {
  std::vector<Range> rest;
  int next = 0;
  for (const Range& range : m_ranges) {
    if (range.first >= rowCount) break;
    if (range.first > next) rest.push_back({next, range.first - 1});
    next = range.last + 1;
  }
  if (next < rowCount) rest.push_back({next, rowCount - 1});
  return rest;
}

void olRowSelection::complement(int rowCount) {
  m_ranges = rowsOutside(rowCount);
  m_size = 0;
  for (const Range& range : m_ranges) m_size += int64_t(range.last) - range.first + 1;
  m_inverted = !m_inverted;
}

void olRowSelection::setSelected(int row, bool selected, int rowCount) {
  if (row < 0 || row >= rowCount) return;
  // In the set means selected, unless the selection is inverted.
  if (selected != m_inverted) insert(row);
  else erase(row);
  if (rowCount >= kComplementMinimumRows && m_size * 4 >= int64_t(rowCount) * 3) complement(rowCount);
}

void olRowSelection::assign(std::vector<int> sortedRows, bool inverted) {
  clear();
  m_inverted = inverted;
  for (int row : sortedRows) {
    if (!m_ranges.empty() && m_ranges.back().last + 1 == row) {
      m_ranges.back().last = row;
    } else if (m_ranges.empty() || m_ranges.back().last < row) {
      m_ranges.push_back({row, row});
    } else {
      continue;  // a repeated row
    }
    ++m_size;
  }
}

int olRowSelection::firstSelected(int rowCount) const {
  if (rowCount <= 0) return -1;
  if (!m_inverted) return m_ranges.empty() || m_ranges.front().first >= rowCount ? -1 : m_ranges.front().first;
  int candidate = 0;
  for (const Range& range : m_ranges) {
    if (range.first > candidate) break;
    candidate = range.last + 1;
  }
  return candidate < rowCount ? candidate : -1;
}

int olRowSelection::lastSelected(int rowCount) const {
  if (rowCount <= 0) return -1;
  if (!m_inverted) {
    for (auto it = m_ranges.rbegin(); it != m_ranges.rend(); ++it)
      if (it->first < rowCount) return std::min(it->last, rowCount - 1);
    return -1;
  }
  int candidate = rowCount - 1;
  for (auto it = m_ranges.rbegin(); it != m_ranges.rend(); ++it) {
    if (it->first > candidate) continue;
    if (it->last < candidate) break;
    candidate = it->first - 1;
  }
  return candidate;
}

void olRowSelection::forEachSelected(int rowCount, const std::function<bool(int)>& visit) const {
  if (!m_inverted) {
    for (const Range& range : m_ranges)
      for (int row = range.first; row <= range.last && row < rowCount; ++row)
        if (!visit(row)) return;
    return;
  }
  int next = 0;
  auto emitUpTo = [&](int end) {
    for (; next < end; ++next)
      if (!visit(next)) return false;
    return true;
  };
  for (const Range& range : m_ranges) {
    if (!emitUpTo(std::min(range.first, rowCount))) return;
    next = std::max(next, range.last + 1);
  }
  emitUpTo(rowCount);
}

void olRowSelection::forEachInSet(const std::function<void(int)>& visit) const {
  for (const Range& range : m_ranges)
    for (int row = range.first; row <= range.last; ++row) visit(row);
}

std::vector<olRowSelection::Range> olRowSelection::selectedRanges(int rowCount) const {
  if (m_inverted) return rowsOutside(rowCount);
  std::vector<Range> runs;
  for (const Range& range : m_ranges) {
    if (range.first >= rowCount) break;
    runs.push_back({range.first, std::min(range.last, rowCount - 1)});
  }
  return runs;
}

bool differingRows(const olRowSelection& a, const olRowSelection& b, int rowCount, int limit, std::vector<int>& rows) {
  rows.clear();
  // Every run's start and end flip whether a row is held by exactly one of the two; an edge
  // both selections share flips it twice, so it cancels.
  std::vector<int> edges;
  for (const olRowSelection* selection : {&a, &b}) {
    for (const olRowSelection::Range& run : selection->selectedRanges(rowCount)) {
      edges.push_back(run.first);
      edges.push_back(run.last + 1);
    }
  }
  std::sort(edges.begin(), edges.end());
  std::vector<olRowSelection::Range> differing;
  int64_t count = 0;
  bool inside = false;
  int start = 0;
  for (size_t i = 0; i < edges.size();) {
    size_t same = i;
    while (same < edges.size() && edges[same] == edges[i]) ++same;
    if ((same - i) % 2 == 1) {
      if (inside) {
        differing.push_back({start, edges[i] - 1});
        count += int64_t(edges[i]) - start;
        if (count > limit) return false;
      } else {
        start = edges[i];
      }
      inside = !inside;
    }
    i = same;
  }
  for (const olRowSelection::Range& run : differing)
    for (int row = run.first; row <= run.last; ++row) rows.push_back(row);
  return true;
}

bool olRowSelection::operator==(const olRowSelection& other) const {
  if (m_inverted != other.m_inverted || m_size != other.m_size || m_ranges.size() != other.m_ranges.size())
    return false;
  for (size_t i = 0; i < m_ranges.size(); ++i)
    if (m_ranges[i].first != other.m_ranges[i].first || m_ranges[i].last != other.m_ranges[i].last) return false;
  return true;
}
