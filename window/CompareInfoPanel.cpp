#include "window/CompareInfoPanel.h"

#include "engine/ListingFormat.h"

#include "app/Settings.h"
#include "engine/Archive.h"
#include "foundation/CommandIds.h"
#include "foundation/LanguageKeys.h"
#include "foundation/SoftCheck.h"
#include "toolkit/Accessible.h"
#include "toolkit/FileDialog.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "window/Menus.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

namespace keys = lang::compare_options;

// The switches top to bottom, which is also their tab order: group by group, and in a group
// by control id.
const std::array<const CompareSwitch*, kCompareSwitchCount>& panelOrder() {
  static const auto order = [] {
    std::array<const CompareSwitch*, kCompareSwitchCount> sorted;
    for (size_t i = 0; i < kCompareSwitchCount; ++i) sorted[i] = &kCompareSwitches[i];
    std::sort(sorted.begin(), sorted.end(), [](const CompareSwitch* a, const CompareSwitch* b) {
      return std::pair(a->group, a->controlId) < std::pair(b->group, b->controlId);
    });
    return sorted;
  }();
  return order;
}

HWND makeControl(HWND parent, olstring_view className, uint32_t style, int id) {
  return createWindowEx(0, className, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, RECT{}, parent, id);
}

int heightOf(HWND hwnd) { return preferredSize(hwnd).cy; }

// The tolerance button goes after the last box of this group.
const CompareSwitch* lastOfGroup(SwitchGroup group) {
  const CompareSwitch* last = nullptr;
  for (const CompareSwitch* entry : panelOrder()) {
    if (entry->group == group) last = entry;
  }
  return last;
}

// The commands of the tolerance menu: the base plus the choice's index.
constexpr UINT kToleranceCommandBase = 32900;
// Automatic first; then the steps copies across file systems commonly need (FAT's two
// seconds first of all), and a generous minute for clocks that drift.
constexpr uint32_t kTimeToleranceChoices[] = {0, 1, 2, 3, 5, 10, 60};

olstring toleranceText(uint32_t seconds) {
  if (seconds == 0) return langText(keys::kTimeToleranceAuto);
  return langText(keys::kTimeToleranceSeconds, fromUtf8(std::to_string(seconds)));
}

}  // namespace

CCompareInfoPanel::CCompareInfoPanel(CompareEngine& engine) : m_engine(engine) {}

CCompareInfoPanel::~CCompareInfoPanel() = default;

olCheckBox& CCompareInfoPanel::checkBox(int controlId) {
  size_t row = 0;
  while (row < kCompareSwitchCount && kCompareSwitches[row].controlId != controlId) ++row;
  if (row == kCompareSwitchCount) return checkBox(control_id::kForceFile);
  return m_switchBoxes[row];
}

void CCompareInfoPanel::onAttached() {
  olScrollPanel::onAttached();
  setScrollPos(0);
  // Creation order is the tab order: each path box is followed by its browse button.
  const HWND panel = m_hwnd;
  const struct {
    olWnd* control;
    olstring_view className;
    uint32_t style;
    int id;
  } controls[] = {
      {&m_firstPath, u"Edit", ES_AUTOHSCROLL, control_id::kFirstPath},
      {&m_firstBrowse, u"Button", BS_PUSHBUTTON, control_id::kFirstBrowse},
      {&m_secondPath, u"Edit", ES_AUTOHSCROLL, control_id::kSecondPath},
      {&m_secondBrowse, u"Button", BS_PUSHBUTTON, control_id::kSecondBrowse},
      {&m_exclude, u"Edit", ES_AUTOHSCROLL, control_id::kExclude},
  };
  for (const auto& entry : controls) {
    const HWND control = makeControl(panel, entry.className, entry.style, entry.id);
    MIRRANE_CHECK(control && entry.control->attach(control), continue);
    sendMessage(control, WM_SETFONT, static_cast<WPARAM>(sendMessage(panel, WM_GETFONT)), 0);
  }
  for (const CompareSwitch* entry : panelOrder()) {
    const HWND control = makeControl(panel, u"Button", BS_AUTOCHECKBOX, entry->controlId);
    MIRRANE_CHECK(control && checkBox(entry->controlId).attach(control), continue);
    if (entry == lastOfGroup(SwitchGroup::what)) {
      const HWND button = makeControl(panel, u"Button", BS_PUSHBUTTON, control_id::kTimeTolerance);
      MIRRANE_CHECK(button && m_timeTolerance.attach(button), continue);
    }
  }
  m_firstBrowse.setGlyph(olGlyph::openFolder);
  m_secondBrowse.setGlyph(olGlyph::openFolder);
  m_firstPath.dropLineBreaksFromInput();
  m_secondPath.dropLineBreaksFromInput();
}

void CCompareInfoPanel::applyInfoTexts() {
  m_firstPath.setCueText(langText(keys::kPath0));
  m_secondPath.setCueText(langText(keys::kPath1));
  m_exclude.setCueText(langText(keys::kExclude));
  setWindowText(m_firstBrowse.hwnd(), langText(keys::kBrowse));
  setWindowText(m_secondBrowse.hwnd(), langText(keys::kBrowse));
  // Two buttons of one caption: each tells a screen reader which box it fills.
  setAccessibleDescription(m_firstBrowse.hwnd(), langText(keys::kPath0));
  setAccessibleDescription(m_secondBrowse.hwnd(), langText(keys::kPath1));
  for (const CompareSwitch& entry : kCompareSwitches)
    setWindowText(checkBox(entry.controlId).hwnd(), langText(entry.caption));
  setTimeTolerance(m_timeToleranceSeconds);
}

std::span<const uint32_t> CCompareInfoPanel::timeToleranceChoices() { return kTimeToleranceChoices; }

void CCompareInfoPanel::setTimeTolerance(uint32_t seconds) {
  m_timeToleranceSeconds = std::min(seconds, kMaxTimeTolerance);
  if (!m_timeTolerance.hwnd()) return;
  setWindowText(m_timeTolerance.hwnd(), langText(keys::kTimeTolerance, toleranceText(m_timeToleranceSeconds)));
  layoutInfoPanel();
}

void CCompareInfoPanel::chooseTimeTolerance() {
  std::vector<uint32_t> choices(std::begin(kTimeToleranceChoices), std::end(kTimeToleranceChoices));
  // A tolerance from a project file that the menu does not offer stays choosable.
  if (std::find(choices.begin(), choices.end(), m_timeToleranceSeconds) == choices.end()) {
    choices.insert(std::upper_bound(choices.begin(), choices.end(), m_timeToleranceSeconds), m_timeToleranceSeconds);
  }
  olMenu menu;
  if (!menu.create()) return;
  for (size_t i = 0; i < choices.size(); ++i) {
    const UINT command = kToleranceCommandBase + static_cast<UINT>(i);
    menu.appendItem(command, toleranceText(choices[i]));
    if (choices[i] == m_timeToleranceSeconds) menu.checkItem(command, true);
  }
  const RECT button = getWindowRect(m_timeTolerance.hwnd());
  const int chosen = menu.popup(m_hwnd, POINT{button.left, button.bottom}, TPM_RETURNCMD);
  const int index = chosen - static_cast<int>(kToleranceCommandBase);
  if (chosen > 0 && index >= 0 && static_cast<size_t>(index) < choices.size()) setTimeTolerance(choices[index]);
}

void CCompareInfoPanel::layoutInfoPanel() {
  if (!m_hwnd) return;
  // The bar takes width when it appears and gives it back when it goes: one more pass for
  // the new width, and only one, so that a content height right at the edge cannot make
  // the bar come and go forever.
  if (layoutColumn()) layoutColumn();
}

bool CCompareInfoPanel::layoutColumn() {
  const bool barBefore = isScrollBarVisible();
  // The font the panel was last given (a font change reaches it before it is laid out).
  const HFONT font = m_font ? m_font : reinterpret_cast<HFONT>(sendMessage(m_hwnd, WM_GETFONT));
  const RECT client = getClientRect(m_hwnd);
  RECT content = client.offset(0, -scrollPos());
  content.bottom = std::max(content.bottom, client.bottom);
  content = content.inflated(-dx(7, font), -dy(7, font));
  const int width = content.width();
  const int h = heightOf(m_firstPath.hwnd());
  const int gap = dy(4, font);
  const int group = dy(7, font);
  int y = content.top + dy(7, font) / 2;

  for (int side = 0; side < 2; ++side) {
    moveWindow(pathBox(side).hwnd(), content.left, y, std::max(0, width - h), h);
    moveWindow(browseButton(side), content.right - h, y, h, h);
    y += h + gap;
  }
  moveWindow(m_exclude.hwnd(), content.left, y, width, h);
  y += h + gap;
  // The switches one under another, a wider gap between two groups; a caption too long for
  // the column takes a second line.
  const CompareSwitch* previous = nullptr;
  int k = 0;
  for (const CompareSwitch* entry : panelOrder()) {
    if (previous) y += k + (entry->group != previous->group ? group : edge);
    olCheckBox& box = checkBox(entry->controlId);
    k = box.heightForWidth(width);
    moveWindow(box.hwnd(), content.left, y, width, k);
    previous = entry;
    if (entry == lastOfGroup(SwitchGroup::what) && m_timeTolerance.hwnd()) {
      y += k + gap;
      // Sized by its own caption in the panel's font, never by another control's height
      // of the moment: a new font then lays it out as a start with that font would.
      const SIZE wanted = preferredSize(m_timeTolerance.hwnd());
      const int buttonWidth = std::min(width, static_cast<int>(wanted.cx) + dx(8, font));
      const int buttonHeight = std::max(static_cast<int>(wanted.cy), lineHeight(font) + dy(6, font));
      moveWindow(m_timeTolerance.hwnd(), content.left, y, buttonWidth, buttonHeight);
      y += buttonHeight - k;
    }
  }
  const int lastBoxBottom = y + k;
  setContentHeight(std::max(0, lastBoxBottom + edge + dy(7, font) + scrollPos() - client.top));
  return isScrollBarVisible() != barBefore;
}

std::vector<HWND> CCompareInfoPanel::controlsInOrder() {
  std::vector<HWND> order{m_firstPath.hwnd(), m_firstBrowse.hwnd(), m_secondPath.hwnd(), m_secondBrowse.hwnd(),
                          m_exclude.hwnd()};
  for (const CompareSwitch* entry : panelOrder()) {
    order.push_back(checkBox(entry->controlId).hwnd());
    // The tolerance button stands under the last box of its group, so Tab meets it there.
    if (entry == lastOfGroup(SwitchGroup::what) && m_timeTolerance.hwnd()) order.push_back(m_timeTolerance.hwnd());
  }
  return order;
}

void CCompareInfoPanel::followForceFile() { enableWindow(m_exclude.hwnd(), !forceFileBox().isChecked()); }

olstring CCompareInfoPanel::browseHistory(BrowseKind kind) { return readBrowseHistory(static_cast<unsigned>(kind)); }

void CCompareInfoPanel::setBrowseHistory(BrowseKind kind, olstring_view path) {
  if (path.empty()) return;
  storeBrowseHistory(static_cast<unsigned>(kind), path);
}

bool CCompareInfoPanel::browse(int side, BrowseKind kind) {
  const olstring start = browseHistory(kind);
  olstring chosen;
  if (kind == BrowseKind::folder) {
    chosen = olFileDialog::pickFolder(m_hwnd, start);
  } else {
    const std::vector<olFileFilter> filters{
        {langText(lang::global::kExtArchive), archiveFilterPattern(u";", m_engine.settings.archiveExtensions)},
        {langText(lang::global::kExtListing), olstring(u"*") + listing_format::kSuffix},
        {langText(lang::global::kExtAll), u"*.*"},
    };
    chosen = olFileDialog::openFile(m_hwnd, filters, start);
  }
  if (chosen.empty()) return false;
  olEdit& box = pathBox(side);
  box.setText(chosen);
  box.selectAll();
  setBrowseHistory(kind, chosen);
  return true;
}

void CCompareInfoPanel::onBrowseButton(int side) {
  const RECT button = getWindowRect(browseButton(side));
  const int chosen = compareOptionsMenu().popup(m_hwnd, POINT{button.left, button.bottom}, TPM_RETURNCMD);
  if (chosen == static_cast<int>(menu_command::kBrowseFolder)) browse(side, BrowseKind::folder);
  else if (chosen == static_cast<int>(menu_command::kBrowseFile)) browse(side, BrowseKind::file);
}

LRESULT CCompareInfoPanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    switch (static_cast<int>(LOWORD(wParam))) {
      case control_id::kFirstBrowse: onBrowseButton(0); return 0;
      case control_id::kSecondBrowse: onBrowseButton(1); return 0;
      case control_id::kForceFile: followForceFile(); return 0;
      case control_id::kTimeTolerance: chooseTimeTolerance(); return 0;
      default: break;
    }
  }
  return olScrollPanel::windowProc(message, wParam, lParam);
}
