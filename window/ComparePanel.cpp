#include "window/ComparePanel.h"

#include "app/ProjectFile.h"
#include "engine/Archive.h"
#include "engine/ListingReader.h"
#include "foundation/CommandIds.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "foundation/SoftCheck.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "toolkit/FileDialog.h"
#include "toolkit/Geometry.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/MessageBox.h"
#include "toolkit/PaintDC.h"
#include "window/MainMetrics.h"
#include "window/Menus.h"

namespace {

namespace keys = lang::compare_options;

constexpr int kFloatButtonWidth = 42;
constexpr int kFloatButtonHeight = 36;
constexpr char16_t kProjectPattern[] = u"*.mirrane";
constexpr char16_t kProjectExtension[] = u".mirrane";

std::vector<olFileFilter> projectFilters() { return {{langText(lang::global::kExtMrn), kProjectPattern}}; }

void showError(olstring_view text) { olMessageBox::show(text, {}, MB_OK | MB_ICONERROR); }

// Trailing separators say nothing about which folder is meant: "/a/b/" is "/a/b".
olstring normalisedPath(olstring_view path) {
  olstring full = platform::lexicalFullPath(expandPath(path));
  while (full.size() > 1 && full.back() == u'/') full.pop_back();
  return full;
}

}  // namespace

void mrnFloatButton::paintButton(HDC dc, const RECT& rect) {
  m_frameMask = isPressed() || isHot() || hasFocus() ? kAllSides : 0;
  olButton_customIcon::paintButton(dc, rect);
}

COLORREF mrnFloatButton::backgroundColour() const {
  const bool atRest = !isPressed() && !isHot() && !hasFocus();
  if (atRest && !isSystemTheme()) return themeColour(olThemeSlot::frame);
  return olButton_customIcon::backgroundColour();
}

CComparePanel::CComparePanel(CompareEngine& engine) : m_engine(engine), m_infoPanel(engine) {
  beginTemplate(180, 200, olTemplate::child, 5);
  addTemplateStyle(WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  const uint32_t itemStyle = WS_CLIPSIBLINGS | WS_TABSTOP;
  addTemplateItem(kTemplateButton, control_id::kCompare, 123, 169, 50, 14, itemStyle);
  for (int id : {control_id::kLoadProject, control_id::kSaveProject, control_id::kResetMenu, control_id::kMainMenu})
    addTemplateItem(kTemplateButton, id, 0, 0, 25, 14, itemStyle);
}

CComparePanel::~CComparePanel() = default;

HWND CComparePanel::headerButton(int controlId) const {
  switch (controlId) {
    case control_id::kLoadProject: return m_loadButton.hwnd();
    case control_id::kSaveProject: return m_saveButton.hwnd();
    case control_id::kResetMenu: return m_resetButton.hwnd();
    case control_id::kMainMenu: return m_moreButton.hwnd();
    default: return nullptr;
  }
}

std::vector<HWND> CComparePanel::controlsInOrder() {
  std::vector<HWND> order{m_loadButton.hwnd(), m_saveButton.hwnd(), m_resetButton.hwnd(), m_moreButton.hwnd()};
  for (HWND control : m_infoPanel.controlsInOrder()) order.push_back(control);
  order.push_back(m_compareButton.hwnd());
  return order;
}

void CComparePanel::attachControls() {
  const std::pair<mrnFloatButton*, int> buttons[] = {{&m_loadButton, control_id::kLoadProject},
                                                     {&m_saveButton, control_id::kSaveProject},
                                                     {&m_resetButton, control_id::kResetMenu},
                                                     {&m_moreButton, control_id::kMainMenu}};
  for (auto [button, id] : buttons) MIRRANE_CHECK(button->attachDlgItem(m_hwnd, id), continue);
  m_loadButton.setGlyph(olGlyph::openFolder);
  m_saveButton.setGlyph(olGlyph::save);
  m_resetButton.setGlyph(olGlyph::reset);
  m_moreButton.setGlyph(olGlyph::menu);
  MIRRANE_CHECK_ONLY(m_compareButton.attachDlgItem(m_hwnd, control_id::kCompare));

  olScrollPanel::registerClass();
  const HWND info = createWindowEx(WS_EX_CONTROLPARENT, u"olScrollPanel", u"",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, RECT{0, 0, 180, 170},
                                   m_hwnd, 0);
  MIRRANE_CHECK(info != nullptr, return);
  sendMessage(info, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), 0);
  MIRRANE_CHECK(m_infoPanel.attach(info), return);
  setWindowPos(info, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool CComparePanel::onInitDialog() {
  olBaseDlg::onInitDialog();
  dragAcceptFiles(m_hwnd, true);
  olHotkeyTable& hotkeys = olHotkeyTable::instance();
  hotkeys.add(m_hwnd, 'S', kModCtrl, control_id::kSaveProject);
  hotkeys.add(m_hwnd, 'L', kModCtrl, control_id::kLoadProject);
  return false;
}

void CComparePanel::applyPanelTexts() {
  namespace global = lang::global;
  const std::pair<HWND, LanguageKey> captions[] = {{m_loadButton.hwnd(), global::kLoad},
                                                   {m_saveButton.hwnd(), global::kSave},
                                                   {m_resetButton.hwnd(), global::kReset},
                                                   {m_moreButton.hwnd(), global::kMore},
                                                   {m_compareButton.hwnd(), global::kCompare}};
  for (const auto& [button, key] : captions) setWindowText(button, langText(key));
  m_infoPanel.applyInfoTexts();
}

void CComparePanel::layoutControls() { layoutPanel(); }

void CComparePanel::layoutPanel() {
  if (!m_infoPanel.isBound()) return;
  RECT k = getClientRect(m_hwnd);
  k.right -= 1;  // the border line
  const MainMetrics metrics(m_font);
  const RECT header = RECT{k.left, k.top, k.right, k.top + metrics.headerHeight}.inflated(-edge, -edge);
  moveWindow(m_loadButton.hwnd(), header.left, header.top, kFloatButtonWidth, kFloatButtonHeight);
  moveWindow(m_saveButton.hwnd(), header.left + kFloatButtonWidth + edge, header.top, kFloatButtonWidth,
             kFloatButtonHeight);
  moveWindow(m_resetButton.hwnd(), header.left + 2 * (kFloatButtonWidth + edge), header.top, kFloatButtonWidth,
             kFloatButtonHeight);
  moveWindow(m_moreButton.hwnd(), header.right - kFloatButtonWidth, header.top, kFloatButtonWidth, kFloatButtonHeight);

  const SIZE button = standardButtonSize(m_font);
  const int infoTop = k.top + metrics.headerHeight;
  const int infoBottom = std::max(infoTop, k.bottom - dy(7, m_font) - dy(4, m_font) - button.cy);
  moveWindow(m_infoPanel.hwnd(), k.left, infoTop, k.width(), infoBottom - infoTop);
  m_infoPanel.layoutInfoPanel();
  // A column lower than the space given leaves the compare button right under it.
  int panelBottom = infoBottom;
  if (m_infoPanel.contentHeight() < infoBottom - infoTop) {
    panelBottom = infoTop + m_infoPanel.contentHeight();
    moveWindow(m_infoPanel.hwnd(), k.left, infoTop, k.width(), panelBottom - infoTop);
  }
  moveWindow(m_compareButton.hwnd(), k.right - dx(7, m_font) - button.cx, panelBottom + dy(4, m_font), button.cx,
             button.cy);
}

void CComparePanel::paintClient(HDC dc, const RECT& rect) {
  const MainMetrics metrics(m_font);
  if (!isSystemTheme()) {
    fillSolidRect(dc, RECT{rect.left, rect.top, rect.right, rect.top + metrics.headerHeight},
                  themeColour(olThemeSlot::frame));
  }
  drawEdges(dc, rect, themeColour(olThemeSlot::frame), kSideRight, 1);
}

void CComparePanel::loadOptionsIntoControls() {
  const CompareOptions& options = m_engine.options;
  const olstring* texts[] = {&options.path0, &options.path1};
  for (int side = 0; side < 2; ++side) {
    olEdit& box = m_infoPanel.pathBox(side);
    box.setText(*texts[side]);
    box.selectAll();
  }
  m_infoPanel.excludeBox().setText(options.excludes);
  for (const SwitchBox& entry : CCompareInfoPanel::switchBoxes())
    m_infoPanel.checkBox(entry.controlId).setChecked(options.*entry.option);
  m_infoPanel.setTimeTolerance(options.timeTolerance);
  m_infoPanel.followForceFile();
}

bool CComparePanel::samePlace(olstring_view first, olstring_view second) {
  if (normalisedPath(first) == normalisedPath(second)) return true;
  uint64_t device[2] = {0, 0};
  uint64_t inode[2] = {0, 0};
  return platform::pathIdentity(expandPath(first), &device[0], &inode[0]) &&
         platform::pathIdentity(expandPath(second), &device[1], &inode[1]) && device[0] == device[1] &&
         inode[0] == inode[1];
}

bool CComparePanel::confirmFilePair(const CompareOptions& options) {
  const ArchiveExtensions& extensions = m_engine.settings.archiveExtensions;
  // A listing stands for its tree as an archive does, whatever its name.
  const auto standsForTree = [&extensions](olstring_view path) {
    return isArchivePath(path, extensions) || ListingReader::isListing(expandPath(path));
  };
  const bool archive0 = standsForTree(options.path0);
  const bool archive1 = standsForTree(options.path1);
  if (archive0 && archive1) return true;
  olstring notArchives;
  if (!archive0) notArchives = options.path0;
  if (!archive1) notArchives += (notArchives.empty() ? u"" : u"\r\n") + options.path1;
  switch (olMessageBox::show(langText(keys::kSuggestForceFile, notArchives), {}, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      m_engine.options.forceFile = true;
      m_infoPanel.forceFileBox().setChecked(true);
      m_infoPanel.followForceFile();
      return true;
    case IDNO: return true;
    default: return false;
  }
}

bool CComparePanel::collectOptions(bool validate) {
  CompareOptions& options = m_engine.options;
  options.path0 = m_infoPanel.pathBox(0).text();
  options.path1 = m_infoPanel.pathBox(1).text();
  options.excludes = m_infoPanel.excludeBox().text();
  for (const SwitchBox& entry : CCompareInfoPanel::switchBoxes())
    options.*entry.option = m_infoPanel.checkBox(entry.controlId).isChecked();
  options.timeTolerance = m_infoPanel.timeTolerance();
  if (!validate) return true;

  for (int side = 0; side < 2; ++side) {
    if (!(side == 0 ? options.path0 : options.path1).empty()) continue;
    setFocus(m_infoPanel.pathBox(side).hwnd());
    return false;
  }
  // On Linux /x/A and /x/a are two folders: only the same place is refused.
  if (samePlace(options.path0, options.path1)) {
    showError(langText(keys::kErrSame));
    return false;
  }
  PathType kinds[2] = {PathType::none, PathType::none};
  for (int side = 0; side < 2; ++side) {
    olstring errorText;
    kinds[side] = checkInputPath(m_engine, side == 0 ? options.path0 : options.path1, &errorText);
    if (kinds[side] != PathType::none) continue;
    postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_infoPanel.pathBox(side).hwnd()), 1);
    showError(errorText);
    return false;
  }
  const bool twoFiles = kinds[0] == PathType::file && kinds[1] == PathType::file;
  if (options.forceFile) {
    if (twoFiles) return true;
    showError(langText(keys::kErrForceFile));
    m_infoPanel.forceFileBox().setChecked(false);
    m_infoPanel.followForceFile();
    return false;
  }
  return twoFiles ? confirmFilePair(options) : true;
}

void CComparePanel::focusFirstEmpty() {
  HWND target = m_compareButton.hwnd();
  for (int side = 1; side >= 0; --side)
    if (m_infoPanel.pathBox(side).text().empty()) target = m_infoPanel.pathBox(side).hwnd();
  postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), 1);
}

bool CComparePanel::loadProject() {
  const olstring path =
      olFileDialog::openFile(m_hwnd, projectFilters(), CCompareInfoPanel::browseHistory(BrowseKind::project));
  if (path.empty()) {
    focusFirstEmpty();
    return false;
  }
  CCompareInfoPanel::setBrowseHistory(BrowseKind::project, path);
  const bool loaded = loadProjectFrom(path);
  focusFirstEmpty();
  return loaded;
}

bool CComparePanel::loadProjectFrom(olstring_view path) {
  CompareOptions loaded;
  const ProjectLoad outcome = loadProjectFileWithReason(path, loaded);
  if (outcome != ProjectLoad::loaded) {
    const uint32_t error = outcome == ProjectLoad::unreadable ? platform::lastError()
                           : outcome == ProjectLoad::notFound ? platform::kErrorFileNotFound
                                                              : 0;
    // What the user typed stays: a project that cannot be used replaces nothing.
    olstring reason = error != 0 ? errorText(error) : langText(keys::kProjectNothingUsable);
    showError(langText(keys::kErrLoadProject, path, reason));
    return false;
  }
  m_engine.options = loaded;
  loadOptionsIntoControls();
  return true;
}

bool CComparePanel::saveProject() {
  collectOptions(false);
  const olstring path = olFileDialog::saveFile(m_hwnd, projectFilters(), kProjectExtension,
                                               CCompareInfoPanel::browseHistory(BrowseKind::project));
  bool saved = false;
  if (!path.empty() && absolutePathKind(path) == PathRoot::absolute) {
    CCompareInfoPanel::setBrowseHistory(BrowseKind::project, path);
    saved = saveProjectTo(path);
  }
  focusFirstEmpty();
  return saved;
}

bool CComparePanel::saveProjectTo(olstring_view path) {
  collectOptions(false);
  if (saveProjectFile(path, m_engine.options)) return true;
  showError(langText(keys::kErrSaveProject, path, errorText(platform::lastError())));
  return false;
}

void CComparePanel::showResetMenu() {
  const RECT button = getWindowRect(m_resetButton.hwnd());
  resetMenu().popup(m_hwnd, POINT{button.left, button.bottom});
  focusFirstEmpty();
}

void CComparePanel::reset(ResetScope scope) {
  // The typed paths and exclusions stay in the options even if no compare has used them.
  if (scope == ResetScope::switchesOnly) collectOptions(false);
  CompareOptions& options = m_engine.options;
  const CompareOptions defaults;
  for (const SwitchBox& entry : CCompareInfoPanel::switchBoxes()) options.*entry.option = defaults.*entry.option;
  options.timeTolerance = defaults.timeTolerance;
  if (scope == ResetScope::switchesAndBoxes) {
    options.path0.clear();
    options.path1.clear();
    options.excludes.clear();
  }
  loadOptionsIntoControls();
  focusFirstEmpty();
}

void CComparePanel::dropPath(olstring_view path, POINT point) {
  if (path.empty() || !getClientRect(m_hwnd).contains(point)) return;
  const POINT screen = clientToScreen(m_hwnd, point);
  olEdit& first = m_infoPanel.pathBox(0);
  olEdit& second = m_infoPanel.pathBox(1);
  olEdit* target = &first;
  if (getWindowRect(first.hwnd()).contains(screen)) target = &first;
  else if (getWindowRect(second.hwnd()).contains(screen)) target = &second;
  else if (first.text().empty()) target = &first;
  else if (second.text().empty()) target = &second;
  else if (getFocus() == second.hwnd()) target = &second;
  target->setText(path);
  postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target->hwnd()), 1);
}

LRESULT CComparePanel::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DROPFILES) {
    const auto* drop = reinterpret_cast<const olDropFiles*>(wParam);
    // Only the first of several dropped items is used.
    if (drop && !drop->paths.empty()) dropPath(drop->paths.front(), drop->point);
    return 0;
  }
  if (message != WM_COMMAND) return olBaseDlg::windowProc(message, wParam, lParam);
  switch (LOWORD(wParam)) {
    case control_id::kCompare:
    case control_id::kMainMenu:
    case menu_command::kClearResults: postMessage(getParent(m_hwnd), WM_COMMAND, wParam, lParam); return 0;
    case control_id::kLoadProject: loadProject(); return 0;
    case control_id::kSaveProject: saveProject(); return 0;
    case control_id::kResetMenu: showResetMenu(); return 0;
    case menu_command::kResetPanel: reset(ResetScope::switchesAndBoxes); return 0;
    case menu_command::kResetOptions: reset(ResetScope::switchesOnly); return 0;
    default: return olBaseDlg::windowProc(message, wParam, lParam);
  }
}
