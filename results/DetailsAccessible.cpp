// What a screen reader reads of the details dialog: the two paths as links that open the
// item, and every further line as one text: its label, the values of both sides, and its
// mark (equal, not compared, different) in words.
#include "results/DetailsDlg.h"

#include "foundation/LanguageKeys.h"
#include "toolkit/Accessible.h"

namespace {

LanguageKey labelOf(DetailKind kind) {
  switch (kind) {
    case DetailKind::type: return lang::accessible::kDetailType;
    case DetailKind::size: return lang::accessible::kDetailSize;
    case DetailKind::time: return lang::accessible::kDetailTime;
    case DetailKind::attributes: return lang::accessible::kDetailAttr;
    case DetailKind::listing: return lang::accessible::kDetailListing;
    case DetailKind::path:
    case DetailKind::content: break;
  }
  return lang::accessible::kDetailPath;
}

olstring markWords(DetailMark mark) {
  switch (mark) {
    case DetailMark::notCompared: return langText(lang::accessible::kMarkIgnored);
    case DetailMark::different: return langText(lang::accessible::kMarkDifferent);
    case DetailMark::equal: break;
  }
  return langText(lang::accessible::kMarkEqual);
}

// A line in words: the content line says its outcome alone, the others their label and
// what each side shows (a side that shows nothing is left out).
olstring lineWords(const DetailLine& line) {
  if (line.spansBothCells()) return line.text[0];
  const olstring label = langText(labelOf(line.kind));
  if (line.text[1].empty()) return langText(lang::accessible::kDetailFirst, label, line.text[0]);
  if (line.text[0].empty()) return langText(lang::accessible::kDetailSecond, label, line.text[1]);
  return langText(lang::accessible::kDetailLine, label, line.text[0], line.text[1]);
}

}  // namespace

void CDetailsDlg::nameLinks() {
  if (m_details.lines.empty()) return;
  const DetailLine& paths = m_details.lines.front();
  for (int side = 0; side < 2; ++side) {
    setAccessibleName(m_links[side].hwnd(),
                      langText(side == 0 ? lang::accessible::kFirstPath : lang::accessible::kSecondPath, paths.text[side]));
    setAccessibleDescription(m_links[side].hwnd(), markWords(paths.mark));
  }
}

int CDetailsDlg::plainPathCount() const {
  int count = 0;
  for (int side = 0; side < 2; ++side) count += hasLink(side) ? 0 : 1;
  return count;
}

int CDetailsDlg::accessiblePartCount() const {
  return m_details.lines.empty() ? 0 : static_cast<int>(m_details.lines.size()) - 1 + plainPathCount();
}

olAccessPart CDetailsDlg::accessiblePart(int index) const {
  olAccessPart part;
  if (index < 0 || index >= accessiblePartCount()) return part;
  const int plainPaths = plainPathCount();
  if (index < plainPaths) {
    // A side without the item says so as a text; the other side's path is its link.
    const DetailLine& paths = m_details.lines.front();
    const int side = index == 0 && !hasLink(0) ? 0 : 1;
    part.name = langText(side == 0 ? lang::accessible::kFirstPath : lang::accessible::kSecondPath, paths.text[side]);
    part.description = markWords(paths.mark);
    part.rect = paths.cell[side];
    return part;
  }
  const DetailLine& line = m_details.lines[size_t(index - plainPaths + 1)];
  part.name = lineWords(line);
  part.description = markWords(line.mark);
  part.rect = RECT{line.cell[0].left, line.cell[0].top, line.cell[1].right, line.cell[0].bottom};
  return part;
}
