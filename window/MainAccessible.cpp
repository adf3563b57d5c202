// What a screen reader reads of the main window's own drawing: the two compared paths of
// the header, the summary badge in words, and the status line with the verdict of the
// selected row.
#include "window/MirraneDlg.h"

#include "foundation/LanguageKeys.h"
#include "foundation/TextFile.h"
#include "window/MainMetrics.h"

namespace {

enum MainPart { kFirstPathPart, kBadgePart, kSecondPathPart, kStatusPart, kMainPartCount };

}  // namespace

int CMirraneDlg::accessiblePartCount() const { return kMainPartCount; }

olAccessPart CMirraneDlg::accessiblePart(int index) const {
  const RECT client = getClientRect(m_hwnd);
  const MainMetrics metrics(m_font);
  const int left = client.left + getWindowRect(m_comparePanel.hwnd()).width();
  // The header in thirds: first path, badge, second path, as they are drawn.
  const int third = (client.right - left) / 3;
  const RECT header{left, client.top, client.right, client.top + metrics.headerHeight};
  olAccessPart part;
  switch (index) {
    case kFirstPathPart:
    case kSecondPathPart: {
      const int side = index == kFirstPathPart ? 0 : 1;
      if (!m_comparedPaths[side].empty())
        part.name = langText(side == 0 ? lang::accessible::kFirstPath : lang::accessible::kSecondPath,
                             m_comparedPaths[side]);
      part.rect = side == 0 ? RECT{header.left, header.top, header.left + third, header.bottom}
                            : RECT{header.right - third, header.top, header.right, header.bottom};
      break;
    }
    case kBadgePart: {
      // The badge's counts in words, with the count of equal items it leaves out.
      if (summaryBadge().text.empty()) break;
      const CompareResult& result = m_engine.result;
      const olstring equal = numberToText(std::max<int64_t>(0, m_list.rows().treeItems() - result.differing));
      const bool differs = result.differing != 0 || result.missingSecond != 0 || result.missingFirst != 0;
      if (!differs) part.name = langText(lang::accessible::kSummarySame, equal);
      else
        part.name = langText(lang::accessible::kSummary, numberToText(result.differing),
                             numberToText(result.missingSecond), numberToText(result.missingFirst), equal);
      part.rect = RECT{header.left + third, header.top, header.right - third, header.bottom};
      break;
    }
    case kStatusPart: {
      part.role = olAccessRole::statusBar;
      part.name = m_statusBadge.empty() ? m_statusText
                                        : langText(lang::accessible::kStatus, m_statusText,
                                                   describeVerdict(m_statusBadgeFlags));
      const POINT buttons = screenToClient(m_hwnd, POINT{getWindowRect(m_viewDiffsButton.hwnd()).left, 0});
      part.rect = RECT{left, client.bottom - metrics.barHeight, buttons.x, client.bottom};
      break;
    }
    default: break;
  }
  return part;
}
