#include "results/DetailsDlg.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "engine/CompareJob.h"
#include "engine/TimeRule.h"
#include "foundation/ByteSize.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "foundation/SoftCheck.h"
#include "foundation/WebPages.h"
#include "platform/Locale.h"
#include "results/ItemPaths.h"
#include "results/ResultRows.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "toolkit/Shell.h"
#include "toolkit/Theme.h"
#include "toolkit/ToolTip.h"

namespace {

// Verdict bits that leave nothing to compare between the sides: one is missing, or a
// folder meets a file.
constexpr uint32_t kNothingToPair = ItemFlags::kMissing | ItemFlags::kTypeDiffers;

constexpr int kMinimumLineHeight = 24;
// Room between a text and the icon before it, and between the two cells and the centre.
constexpr int kIconGap = 2;
constexpr int kCellGap = 12;

struct Sides {
  bool hasItem[2];
  bool isFile[2];
  bool anyFolder;
  bool anyFile;
};

Sides sidesOf(const CompareItem& item) {
  Sides sides{};
  for (int s = 0; s < 2; ++s) {
    // The root's sides are named too, but it has no path of its own below the root.
    sides.hasItem[s] = !itemRelativePath(item, s).empty();
    sides.isFile[s] = sides.hasItem[s] && !item.side[s].isFolder();
    sides.anyFolder = sides.anyFolder || (sides.hasItem[s] && item.side[s].isFolder());
    sides.anyFile = sides.anyFile || sides.isFile[s];
  }
  return sides;
}

// Size, time and attributes are compared only between two files.
bool pairedFiles(const CompareItem& item, const Sides& sides) {
  return (item.flags & kNothingToPair) == 0 && !sides.anyFolder;
}

DetailMark pathMark(const CompareItem& item, const CompareOptions& options) {
  if ((item.flags & (ItemFlags::kMissing | ItemFlags::kNameCase | ItemFlags::kNameForm)) != 0) {
    return DetailMark::different;
  }
  // Names the compare did not hold against each other: letter case ignored, or two files
  // compared as files whatever their names.
  const bool namesDiffer = item.side[0].name != item.side[1].name;
  if (namesDiffer && (!options.compareCase || options.forceFile)) return DetailMark::notCompared;
  return DetailMark::equal;
}

// Time and attributes: different when the compare found them so, grey when it was told not
// to look.
DetailMark optionalMark(const CompareItem& item, const Sides& sides, uint32_t differsFlag, bool compared) {
  if (!pairedFiles(item, sides)) return DetailMark::equal;
  if ((item.flags & differsFlag) != 0) return DetailMark::different;
  return compared ? DetailMark::equal : DetailMark::notCompared;
}

DetailMark sizeMark(const CompareItem& item, const Sides& sides) {
  if (!pairedFiles(item, sides) || item.side[0].size == item.side[1].size) return DetailMark::equal;
  // Sizes may differ while the content is the same: text compared without its line ends.
  return (item.flags & ItemFlags::kContentDiffers) != 0 ? DetailMark::different : DetailMark::notCompared;
}

// The type of a side for a name the desktop has no type for: "QQQ file", "File", "Folder".
olstring unknownTypeName(olstring_view name, bool isFolder) {
  if (isFolder) return langText(lang::details::kFolderType);
  const olstring_view dotted = extensionPart(name);
  // A leading dot marks a hidden name, not an extension.
  if (dotted.size() < 2 || dotted.size() == name.size()) return langText(lang::details::kFileType);
  olstring extension(dotted.substr(1));
  for (char16_t& unit : extension) unit = platform::upperCaseUnit(unit);
  return langText(lang::details::kExtensionType, extension);
}

olstring sizeLineText(const SideInfo& side) {
  const uint64_t bytes = side.size > 0 ? static_cast<uint64_t>(side.size) : 0;
  return byteSizeText(bytes) + u" (" + sizeText(side.size) + u")";
}

DetailLine makeLine(DetailKind kind, olstring first, olstring second, DetailMark mark) {
  DetailLine line;
  line.kind = kind;
  line.text[0] = std::move(first);
  line.text[1] = std::move(second);
  line.mark = mark;
  return line;
}

void addPathAndTypeLines(const CompareResult& result, const CompareItem& item, const Sides& sides,
                         DetailsRecord& record) {
  static constexpr LanguageKey kMissingText[2] = {lang::diff::kFirstMissing, lang::diff::kSecondMissing};
  DetailLine path = makeLine(DetailKind::path, {}, {}, pathMark(item, result.options));
  DetailLine type = makeLine(DetailKind::type, {}, {}, (item.flags & ItemFlags::kTypeDiffers) != 0 ? DetailMark::different
                                                                                  : DetailMark::equal);
  for (int s = 0; s < 2; ++s) {
    if (!sides.hasItem[s]) {
      path.text[s] = langText(kMissingText[s]);
      continue;
    }
    path.text[s] = itemShownPath(result, item, s);
    const bool isFolder = item.side[s].isFolder();
    olFileTypeInfo info = fileTypeInfo(item.side[s].name, isFolder ? olItemKind::folder : olItemKind::file);
    type.text[s] = info.typeName.empty() ? unknownTypeName(item.side[s].name, isFolder) : std::move(info.typeName);
    record.icon[s] = std::move(info.icon);
  }
  record.lines.push_back(std::move(path));
  record.lines.push_back(std::move(type));
}

void addFileLines(const CompareResult& result, const CompareItem& item, const Sides& sides, DetailsRecord& record) {
  if (!sides.anyFile) return;
  const CompareOptions& options = result.options;
  DetailLine size = makeLine(DetailKind::size, {}, {}, sizeMark(item, sides));
  DetailLine time =
      makeLine(DetailKind::time, {}, {}, optionalMark(item, sides, ItemFlags::kTimeDiffers, options.modifyTime));
  DetailLine attributes =
      makeLine(DetailKind::attributes, {}, {}, optionalMark(item, sides, ItemFlags::kAttrDiffers, options.attr));
  bool anyAttributes = false;
  for (int s = 0; s < 2; ++s) {
    if (!sides.isFile[s]) continue;
    const SideInfo& side = item.side[s];
    size.text[s] = sizeLineText(side);
    time.text[s] = platform::dateTimeWithSecondsText(side.modified);
    attributes.text[s] = attrText(side.attributes);
    anyAttributes = anyAttributes || !attributes.text[s].empty();
  }
  record.lines.push_back(std::move(size));
  const DetailMark timeMark = time.mark;
  record.lines.push_back(std::move(time));
  // By how much, and which side is newer: the texts above show whole seconds only, and a
  // difference forgiven by the time step or the hour shift is still a difference to see.
  const int64_t delta = pairedFiles(item, sides) ? modifiedDelta(item.side[0], item.side[1]) : 0;
  if (delta != 0) {
    olstring text = langText(delta > 0 ? lang::details::kTimeSecondNewer : lang::details::kTimeFirstNewer,
                             timeDeltaText(delta));
    if (!text.empty()) {
      record.lines.push_back(makeLine(DetailKind::time, std::move(text), olstring(kSpansBothCells), timeMark));
    }
  }
  if (anyAttributes) record.lines.push_back(std::move(attributes));
}

// Where a side from a listing comes from: the machine and the time it was saved (also
// where the listing lacks the item: that is where it was looked for).
void addListingLine(const CompareResult& result, DetailsRecord& record) {
  if (!result.isListing(0) && !result.isListing(1)) return;
  DetailLine line = makeLine(DetailKind::listing, {}, {}, DetailMark::notCompared);
  for (int s = 0; s < 2; ++s) {
    const ListingOrigin* origin = result.listing[s].get();
    if (origin == nullptr) continue;
    line.text[s] = langText(lang::details::kListingSource, origin->host,
                            platform::dateTimeWithSecondsText(origin->started));
  }
  record.lines.push_back(std::move(line));
}

olstring sideText(int side) { return langText(side == 0 ? lang::details::kSideFirst : lang::details::kSideSecond); }

// Why the content did not decide by itself, or empty when it did.
olstring reasonText(const CompareItem& item, const ContentExplanation& explanation) {
  using namespace lang::details;
  switch (explanation.reason) {
    case ContentReason::none: break;
    case ContentReason::sizesDiffer:
      return langText((item.flags & ItemFlags::kContentSkipped) != 0 ? kExplainSizesQuick : kExplainSizes);
    case ContentReason::alreadyDiffers: return langText(kExplainAlready);
    case ContentReason::specialFile: return langText(kExplainSpecial);
    case ContentReason::unreadable:
      return langText(kExplainUnreadable, errorText(explanation.errorCode), sideText(explanation.side));
    case ContentReason::changed: return langText(kExplainChanged, sideText(explanation.side));
    case ContentReason::noMemory: return langText(kExplainNoMemory);
    case ContentReason::notHashed: return langText(kExplainNotHashed, sideText(explanation.side));
  }
  return {};
}

olstring differenceText(const CompareItem& item, const ContentExplanation& explanation) {
  using namespace lang::details;
  const auto& at = explanation.firstDifference;
  const auto& line = explanation.line;
  if (explanation.way == ContentWay::text) {
    // An offset at a file's end is no byte of it: that text ended where the other goes on.
    for (int ended = 0; ended < 2; ++ended) {
      if (item.side[ended].size < 0 || at[ended] < static_cast<uint64_t>(item.side[ended].size)) continue;
      const int other = 1 - ended;
      return langText(kExplainEnds, sideText(ended), groupedNumberText(line[ended]), groupedNumberText(at[ended]),
                      sideText(other), groupedNumberText(line[other]), groupedNumberText(at[other]));
    }
    if (line[0] == line[1] && at[0] == at[1]) return langText(kExplainLine, groupedNumberText(line[0]), groupedNumberText(at[0]));
    return langText(kExplainLines, groupedNumberText(line[0]), groupedNumberText(at[0]), groupedNumberText(line[1]),
                    groupedNumberText(at[1]));
  }
  if (explanation.way == ContentWay::sampled) {
    return langText(kExplainOffsetSampled, groupedNumberText(at[0]), groupedNumberText(explanation.blocksCompared),
                    groupedNumberText(explanation.blocksTotal));
  }
  return langText(kExplainOffset, groupedNumberText(at[0]));
}

// The line under the content line: what decided the verdict, so that the user need not take
// "identical" or "differs" on trust.
olstring explanationText(const CompareResult& result, const CompareItem& item) {
  using namespace lang::details;
  const ContentExplanation explanation = explainContent(result, item);
  if (explanation.reason != ContentReason::none) return reasonText(item, explanation);
  if (explanation.differenceFound) return differenceText(item, explanation);
  const auto& bytes = explanation.bytesCompared;
  switch (explanation.way) {
    case ContentWay::hash:
      if (bytes[0] == 0 && bytes[1] == 0) return langText(kExplainHashedListed);
      return langText(kExplainHashed, byteSizeText(bytes[0] + bytes[1]));
    case ContentWay::sampled:
      return langText(kExplainSampled, groupedNumberText(explanation.blocksCompared),
                      groupedNumberText(explanation.blocksTotal),
                      percentText(explanation.blocksCompared, explanation.blocksTotal));
    case ContentWay::notRead: return {};
    case ContentWay::bytes:
    case ContentWay::text: break;
  }
  // A difference is always found somewhere; one without a place has nothing to explain.
  if ((item.flags & ItemFlags::kContentDiffers) != 0) return {};
  if (bytes[0] == 0 && bytes[1] == 0) return langText(kExplainEmpty);
  if (bytes[0] != bytes[1]) return langText(kExplainEqualText, byteSizeText(bytes[0]), byteSizeText(bytes[1]));
  return langText(kExplainEqual, byteSizeText(bytes[0]));
}

void addContentLine(const CompareResult& result, const CompareItem& item, const Sides& sides, DetailsRecord& record) {
  if (!pairedFiles(item, sides)) return;
  // The option as it was for this compare: content a quick compare never read must not be
  // called identical because the option has been switched off since.
  const olstring_view category = dataCategory(item, result.options.autoSkip);
  if (category.empty()) return;
  olstring text = langText(lang::details::kSection, category);
  if (text.empty()) return;
  DetailMark mark = DetailMark::equal;
  if (category == lang::details::kDataIgnore.key) mark = DetailMark::notCompared;
  if (category == lang::details::kDataDiff.key) mark = DetailMark::different;
  record.lines.push_back(makeLine(DetailKind::content, std::move(text), olstring(kSpansBothCells), mark));
  olstring explanation = explanationText(result, item);
  if (!explanation.empty())
    record.lines.push_back(
        makeLine(DetailKind::content, std::move(explanation), olstring(kSpansBothCells), mark));
  // A listing holds hashes, not text: the user must not take line ends for forgiven.
  if (item.contentMode == ContentMode::hashed && mark != DetailMark::notCompared) {
    olstring hashed = langText(lang::details::kDataHashed);
    if (!hashed.empty())
      record.lines.push_back(
          makeLine(DetailKind::content, std::move(hashed), olstring(kSpansBothCells), DetailMark::notCompared));
  }
}

// Tops and heights for the UI font; the cells' left and right edges follow the window's
// width (CDetailsDlg::layoutControls).
void placeLines(DetailsRecord& record) {
  const int height = std::max(kMinimumLineHeight, lineHeight(uiFont()) + 4);
  const olMargins& margins = uiMargins();
  int top = margins.vertical;
  for (size_t i = 0; i < record.lines.size(); ++i) {
    const int lineHeightHere = i == 0 ? std::max(height, record.iconHeight) : height;
    for (RECT& cell : record.lines[i].cell) cell = RECT{margins.horizontal, top, margins.horizontal, top + lineHeightHere};
    top += lineHeightHere;
  }
}

}  // namespace

olstring timeDeltaText(int64_t nanoseconds) {
  constexpr uint64_t kPerSecond = 1000000000;
  const uint64_t magnitude = nanoseconds < 0 ? 0 - static_cast<uint64_t>(nanoseconds) : static_cast<uint64_t>(nanoseconds);
  uint64_t seconds = magnitude / kPerSecond;
  const uint64_t fraction = magnitude % kPerSecond;
  olstring text;
  const auto part = [&text](uint64_t value, olstring_view unit) {
    if (!text.empty()) text += u' ';
    text += fromUtf8(std::to_string(value));
    text += u' ';
    text += unit;
  };
  const struct {
    uint64_t seconds;
    olstring_view unit;
  } units[] = {{86400, u"d"}, {3600, u"h"}, {60, u"min"}};
  for (const auto& unit : units) {
    if (seconds >= unit.seconds) part(seconds / unit.seconds, unit.unit);
    seconds %= unit.seconds;
  }
  if (seconds == 0 && fraction == 0) return text;
  if (!text.empty()) text += u' ';
  text += fromUtf8(std::to_string(seconds));
  if (fraction != 0) {
    char digits[10];
    std::snprintf(digits, sizeof digits, "%09llu", static_cast<unsigned long long>(fraction));
    std::string decimals(digits, 9);
    while (decimals.back() == '0') decimals.pop_back();
    text += platform::decimalSeparator();
    text += fromUtf8(decimals);
  }
  text += u" s";
  return text;
}

bool buildDetails(const CompareResult& result, const CompareItem* item, DetailsRecord& record) {
  record = DetailsRecord();
  if (!item) return false;
  record.item = item;
  const Sides sides = sidesOf(*item);
  addPathAndTypeLines(result, *item, sides, record);
  addListingLine(result, record);
  addFileLines(result, *item, sides, record);
  addContentLine(result, *item, sides, record);
  if (!record.icon[0].isNull() || !record.icon[1].isNull()) record.iconWidth = record.iconHeight = smallIconSize();
  placeLines(record);
  return true;
}

// ---- CDetailsDlg

CDetailsDlg::CDetailsDlg(const CompareResult& result, DetailsRecord details)
    : m_result(result), m_details(std::move(details)) {
  beginTemplate(300, 170, olTemplate::popup, 4);
  addTemplateStyle(WS_THICKFRAME);
  addTemplateItem(kTemplateButton, IDCANCEL, 243, 149, 50, 14);
  addTemplateItem(kTemplateButton, control_id::kDetailsHelp, 7, 149, 25, 14);
  for (int id : {control_id::kDetailsFirstLink, control_id::kDetailsSecondLink})
    addTemplateItem(kTemplateButton, id, 0, 0, 1, 1);
}

CDetailsDlg::~CDetailsDlg() = default;

LRESULT CDetailsDlg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_MOUSEMOVE: setHotLink(linkAt(point)); break;
    case WM_MOUSELEAVE: setHotLink(kNoLink); break;
    case WM_LBUTTONDOWN:
      if (const int side = linkAt(point); side != kNoLink) {
        openSide(side);
        return 0;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == control_id::kDetailsHelp) {
        openHelp();
        return 0;
      }
      if (LOWORD(wParam) == control_id::kDetailsFirstLink || LOWORD(wParam) == control_id::kDetailsSecondLink) {
        openSide(LOWORD(wParam) == control_id::kDetailsFirstLink ? 0 : 1);
        return 0;
      }
      break;
    case WM_HELP: openHelp(); return 0;
    default: break;
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}

void CDetailsDlg::attachControls() {
  MIRRANE_CHECK(m_closeButton.attachDlgItem(m_hwnd, IDCANCEL), return);
  MIRRANE_CHECK(m_helpButton.attachDlgItem(m_hwnd, control_id::kDetailsHelp), return);
  MIRRANE_CHECK(m_links[0].attachDlgItem(m_hwnd, control_id::kDetailsFirstLink), return);
  MIRRANE_CHECK(m_links[1].attachDlgItem(m_hwnd, control_id::kDetailsSecondLink), return);
}

bool CDetailsDlg::onInitDialog() {
  olBaseDlg::onInitDialog();
  trackMouseHover(m_hwnd);
  // Tab goes as the dialog reads: the two paths, then the buttons from left to right.
  setTabOrder({m_links[0].hwnd(), m_links[1].hwnd(), m_helpButton.hwnd(), m_closeButton.hwnd()});
  setFocus(m_closeButton.hwnd());
  return false;
}

void CDetailsDlg::initPlacement() {
  const SIZE button = standardButtonSize(m_font);
  constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  setWindowPos(m_closeButton.hwnd(), HWND_TOP, 0, 0, button.cx, button.cy, kSizeOnly);
  setWindowPos(m_helpButton.hwnd(), HWND_TOP, 0, 0, button.cx / 2, button.cy, kSizeOnly);
  // Room for three blocks of a margin, three lines of text and some air, above the buttons;
  // more when there are more lines (a side from a listing adds two).
  const int linesBottom = m_details.lines.empty() ? 0 : m_details.lines.back().cell[0].bottom;
  const int clientHeight = std::max(button.cy + 3 * (uiMargins().vertical + 3 * lineHeight(m_font) + 12),
                                    linesBottom + 3 * uiMargins().vertical + button.cy);
  const int clientWidth = static_cast<int>(std::lround(1.6 * clientHeight));
  SIZE size = windowSizeForClient(m_hwnd, SIZE{clientWidth, clientHeight});
  const RECT fromTemplate = getWindowRect(m_hwnd);
  size.cx = std::max(size.cx, fromTemplate.width());
  size.cy = std::max(size.cy, fromTemplate.height());
  setMinTrackSize(size.cx, size.cy);
  // A path cut in the middle may hide what matters most (the archive an item lies in), so
  // the dialog opens wide enough for the longer path where the screen has room; it can
  // still be made as small as above.
  const HWND owner = getOwner(m_hwnd);
  const int widest = windowSizeForClient(m_hwnd, SIZE{clientWidthForPaths(), clientHeight}).cx;
  const int screenRoom = monitorWorkArea(owner ? owner : m_hwnd).width() * 9 / 10;
  size.cx = std::max(size.cx, std::min(widest, screenRoom));
  setWindowPos(m_hwnd, HWND_TOP, 0, 0, size.cx, size.cy, kSizeOnly);
  centreOnOwner(m_hwnd, owner);
}

int CDetailsDlg::clientWidthForPaths() const {
  if (m_details.lines.empty()) return 0;
  int text = 0;
  int spanning = 0;
  for (const olstring& path : m_details.lines.front().text) {
    text = std::max(text, m_details.iconWidth + kIconGap + textExtent(path, m_font).cx);
  }
  // Where a listing's side comes from is a long text too, and no less worth reading whole,
  // as is where two files first differ.
  for (const DetailLine& line : m_details.lines) {
    if (&line == &m_details.lines.front()) continue;
    if (line.spansBothCells()) {
      spanning = std::max(spanning, textExtent(line.text[0], m_font).cx);
      continue;
    }
    for (const olstring& cell : line.text) text = std::max(text, textExtent(cell, m_font).cx);
  }
  // Each half holds a margin, (an icon, its gap,) the text and the gap to the centre; a few
  // pixels more keep the text's last glyph off the cell's edge. A line across both cells
  // has the margins alone beside it.
  constexpr int kSlack = 4;
  return std::max(2 * (uiMargins().horizontal + text + kSlack + kCellGap),
                  2 * uiMargins().horizontal + spanning + kSlack);
}

void CDetailsDlg::layoutControls() {
  const RECT client = getClientRect(m_hwnd);
  const olMargins& margins = uiMargins();
  const RECT close = getWindowRect(m_closeButton.hwnd());
  const RECT help = getWindowRect(m_helpButton.hwnd());
  moveWindow(m_closeButton.hwnd(), client.right - margins.horizontal - close.width(),
             client.bottom - margins.vertical - close.height(), close.width(), close.height());
  moveWindow(m_helpButton.hwnd(), client.left + margins.horizontal, client.bottom - margins.vertical - help.height(),
             help.width(), help.height());
  const int centre = (client.left + client.right) / 2;
  for (DetailLine& line : m_details.lines) {
    line.cell[0].left = client.left + margins.horizontal;
    line.cell[0].right = centre - kCellGap;
    line.cell[1].left = centre + kCellGap;
    line.cell[1].right = client.right - margins.horizontal;
  }
  placeLinks();
  invalidateRect(m_hwnd);
}

void CDetailsDlg::placeLinks() {
  for (int side = 0; side < 2; ++side) {
    const HWND link = m_links[side].hwnd();
    const RECT rect = linkRect(side);
    if (!link) continue;
    if (!hasLink(side) || rect.isEmpty()) {
      showWindow(link, SW_HIDE);
      continue;
    }
    moveWindow(link, rect.left, rect.top, rect.width(), rect.height());
    showWindow(link, SW_SHOWNOACTIVATE);
  }
  nameLinks();
}

void CDetailsDlg::loadTexts() {
  setWindowText(m_hwnd, cleanLabel(langText(lang::menu_listview::kDetails)));
  setWindowText(m_closeButton.hwnd(), langText(lang::global::kClose));
  setWindowText(m_helpButton.hwnd(), u"?");
}

void CDetailsDlg::reloadTexts() {
  DetailsRecord fresh;
  if (buildDetails(m_result, m_details.item, fresh)) m_details = std::move(fresh);
  olBaseDlg::reloadTexts();
}

RECT CDetailsDlg::linesArea() const {
  RECT area = getClientRect(m_hwnd);
  const RECT close = getWindowRect(m_closeButton.hwnd());
  area.bottom -= close.height() + 2 * uiMargins().vertical;
  return area;
}

int CDetailsDlg::pathTextLeft(int side) const {
  return m_details.lines.front().cell[side].left + m_details.iconWidth + kIconGap;
}

olstring CDetailsDlg::shownPathText(int side) const {
  const DetailLine& line = m_details.lines.front();
  return elideText(line.text[side], line.cell[side].right - pathTextLeft(side), olElide::path, m_font);
}

bool CDetailsDlg::hasLink(int side) const {
  return !m_details.lines.empty() && m_details.item && !itemRelativePath(*m_details.item, side).empty();
}

RECT CDetailsDlg::linkRect(int side) const {
  if (!hasLink(side)) return {};
  const RECT& cell = m_details.lines.front().cell[side];
  const int textRight = pathTextLeft(side) + textExtent(shownPathText(side), m_font).cx;
  return RECT{cell.left, cell.top, std::min(textRight, cell.right), cell.bottom};
}

int CDetailsDlg::linkAt(POINT point) const {
  for (int side = 0; side < 2; ++side)
    if (linkRect(side).contains(point)) return side;
  return kNoLink;
}

void CDetailsDlg::setHotLink(int side) {
  if (side == m_hotLink) return;
  m_hotLink = side;
  setWindowCursor(m_hwnd, side == kNoLink ? olCursor::arrow : olCursor::hand);
  // A path cut to fit its cell is shown whole in the tip: the part cut out may be the one
  // that matters, such as the archive an item lies in.
  const olstring* whole = side == kNoLink ? nullptr : &m_details.lines.front().text[side];
  if (whole && shownPathText(side) != *whole) {
    olToolTipCtrl::shared().addTool(m_hwnd, *whole);
  } else {
    olToolTipCtrl::shared().removeTool(m_hwnd);
  }
  invalidateRect(m_hwnd);
}

void CDetailsDlg::openHelp() const { openUrl(webPageUrl(kDetailsHelpPage)); }

void CDetailsDlg::openSide(int side) const {
  // A path that vanished since the compare opens nothing, without a message.
  const olstring path = itemOpenPath(m_result, *m_details.item, side);
  if (!path.empty()) openPath(path);
}

void CDetailsDlg::paintClient(HDC dc, const RECT&) {
  const RECT area = linesArea();
  const COLORREF background = themeColour(olThemeSlot::window);
  fillSolidRect(dc, area, background);
  drawEdges(dc, area, themeColour(olThemeSlot::frame), kSideBottom, 1);

  const COLORREF colours[] = {themeColour(olThemeSlot::text), themeColour(olThemeSlot::greyText),
                              differenceColour(background)};
  const COLORREF separator = themeColour(olThemeSlot::subtle);
  constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  selectFont(dc, m_font);
  for (size_t i = 0; i < m_details.lines.size(); ++i) {
    const DetailLine& line = m_details.lines[i];
    setTextColour(dc, colours[static_cast<int>(line.mark)]);
    const RECT across{line.cell[0].left, line.cell[0].top, line.cell[1].right, line.cell[0].bottom};
    if (line.spansBothCells()) {
      RECT text = across;
      drawText(dc, elideText(line.text[0], text.width(), olElide::end, m_font), text, kFormat);
      continue;
    }
    for (int side = 0; side < 2; ++side) {
      const RECT& cell = line.cell[side];
      if (i != 0) {
        RECT text = cell;
        drawText(dc, elideText(line.text[side], cell.width(), olElide::end, m_font), text, kFormat);
        continue;
      }
      const int iconTop = cell.top + (cell.height() - m_details.iconHeight) / 2;
      m_details.icon[side].draw(dc, RECT{cell.left, iconTop, cell.left + m_details.iconWidth,
                                         iconTop + m_details.iconHeight});
      // The path under the mouse or with the focus reads as a link; the focus is framed.
      const bool focused = m_links[side].hasFocus();
      dc->save();
      QFont font = dc->font();
      font.setUnderline(side == m_hotLink || focused);
      dc->setFont(font);
      RECT text{pathTextLeft(side), cell.top, cell.right, cell.bottom};
      drawText(dc, shownPathText(side), text, kFormat);
      if (focused) {
        QPen pen(toQColor(themeColour(olThemeSlot::accent)));
        pen.setStyle(Qt::DotLine);
        dc->setPen(pen);
        dc->setBrush(Qt::NoBrush);
        dc->drawRect(toQRect(linkRect(side)).adjusted(0, 0, -1, -1));
      }
      dc->restore();
    }
    drawEdges(dc, across, separator, kSideBottom, 1);
  }
}

bool runDetailsDialog(const CompareResult& result, const CompareItem* item) {
  DetailsRecord details;
  if (!buildDetails(result, item, details)) return false;
  CDetailsDlg dialog(result, std::move(details));
  return dialog.runModal() != -1;
}
