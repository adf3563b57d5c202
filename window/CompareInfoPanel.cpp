#include "window/CompareInfoPanel.h"

#include "engine/ListingFormat.h"

#include "app/Settings.h"
#include "engine/Archive.h"
#include "foundation/LanguageKeys.h"
#include "foundation/SoftCheck.h"
#include "toolkit/FileDialog.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "window/MenuCommands.h"
#include "window/Menus.h"

namespace {

namespace keys = lang::compare_options;

struct BoxText {
  int controlId;
  LanguageKey text;
};

// Every check box with its caption, in tab order.
constexpr BoxText kBoxTexts[] = {
    {control_id::kForceFile, keys::kForceFile}, {control_id::kCase, keys::kCase},
    {control_id::kModifyTime, keys::kMtime},    {control_id::kAttributes, keys::kAttr},
    {control_id::kAdjustPath, keys::kAdjustPath}, {control_id::kAutoSkip, keys::kAutoSkip},
    {control_id::kTextMode, keys::kTextMode},
};

HWND makeControl(HWND parent, olstring_view className, uint32_t style, int id) {
  return createWindowEx(0, className, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, RECT{}, parent, id);
}

int heightOf(HWND hwnd) { return preferredSize(hwnd).cy; }

}  // namespace

CCompareInfoPanel::CCompareInfoPanel(CompareEngine& engine) : m_engine(engine) {}

CCompareInfoPanel::~CCompareInfoPanel() = default;

const std::array<SwitchBox, 7>& CCompareInfoPanel::switchBoxes() {
  static const std::array<SwitchBox, 7> boxes{{
      {control_id::kForceFile, &CompareOptions::forceFile},
      {control_id::kCase, &CompareOptions::compareCase},
      {control_id::kModifyTime, &CompareOptions::modifyTime},
      {control_id::kAttributes, &CompareOptions::attr},
      {control_id::kAdjustPath, &CompareOptions::adjustPath},
      {control_id::kAutoSkip, &CompareOptions::autoSkip},
      {control_id::kTextMode, &CompareOptions::textMode},
  }};
  return boxes;
}

olCheckBox& CCompareInfoPanel::checkBox(int controlId) {
  switch (controlId) {
    case control_id::kCase: return m_case;
    case control_id::kModifyTime: return m_modifyTime;
    case control_id::kAttributes: return m_attributes;
    case control_id::kAdjustPath: return m_adjustPath;
    case control_id::kAutoSkip: return m_autoSkip;
    case control_id::kTextMode: return m_textMode;
    default: return m_forceFile;
  }
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
  for (const BoxText& box : kBoxTexts) {
    const HWND control = makeControl(panel, u"Button", BS_AUTOCHECKBOX, box.controlId);
    MIRRANE_CHECK(control && checkBox(box.controlId).attach(control), continue);
  }
  m_firstBrowse.setGlyph(olGlyph::openFolder);
  m_secondBrowse.setGlyph(olGlyph::openFolder);
}

void CCompareInfoPanel::applyInfoTexts() {
  m_firstPath.setCueText(langText(keys::kPath0));
  m_secondPath.setCueText(langText(keys::kPath1));
  m_exclude.setCueText(langText(keys::kExclude));
  setWindowText(m_firstBrowse.hwnd(), langText(keys::kBrowse));
  setWindowText(m_secondBrowse.hwnd(), langText(keys::kBrowse));
  for (const BoxText& box : kBoxTexts) setWindowText(checkBox(box.controlId).hwnd(), langText(box.text));
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
  const HFONT font = reinterpret_cast<HFONT>(sendMessage(m_hwnd, WM_GETFONT));
  const RECT client = getClientRect(m_hwnd);
  RECT content = client.offset(0, -scrollPos());
  content.bottom = std::max(content.bottom, client.bottom);
  content = content.inflated(-dx(7, font), -dy(7, font));
  const int width = content.width();
  const int h = heightOf(m_firstPath.hwnd());
  const int k = heightOf(m_forceFile.hwnd());
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
  moveWindow(m_forceFile.hwnd(), content.left, y, width, k);
  // Two groups of three switches: what is compared, then how.
  olCheckBox* groups[2][3] = {{&m_case, &m_modifyTime, &m_attributes}, {&m_adjustPath, &m_autoSkip, &m_textMode}};
  for (auto& boxes : groups) {
    y += k + group;
    for (int i = 0; i < 3; ++i) {
      if (i > 0) y += k + edge;
      moveWindow(boxes[i]->hwnd(), content.left, y, width, k);
    }
  }
  const int textModeBottom = y + k;
  setContentHeight(std::max(0, textModeBottom + edge + dy(7, font) + scrollPos() - client.top));
  return isScrollBarVisible() != barBefore;
}

void CCompareInfoPanel::followForceFile() { enableWindow(m_exclude.hwnd(), !m_forceFile.isChecked()); }

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
      default: break;
    }
  }
  return olScrollPanel::windowProc(message, wParam, lParam);
}
