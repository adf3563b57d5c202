#include "window/AboutDlg.h"

#include "app/Version.h"
#include "foundation/LanguageKeys.h"
#include "foundation/SoftCheck.h"
#include "toolkit/Geometry.h"
#include "window/DialogLayout.h"
#include "toolkit/PaintDC.h"
#include "toolkit/Theme.h"

namespace {


// "help" cut at its first tab and without trailing dots, its "&" marker kept.
olstring helpCaption() { return cleanLabel(langText(lang::global::kHelp), olMarkers::keep); }

}  // namespace

CAboutDlg::CAboutDlg() {
  beginTemplate(260, 104, olTemplate::popup, 4);
  addTemplateItem(kTemplateButton, menu_command::kShowHomePage, 7, 46, 107, 14, WS_TABSTOP);
  addTemplateItem(kTemplateButton, menu_command::kShowHelp, 203, 7, 50, 14, WS_TABSTOP);
  addTemplateItem(kTemplateButton, IDCANCEL, 203, 32, 50, 14, WS_TABSTOP);
  addTemplateItem(kTemplateButton, menu_command::kShowDonatePage, 203, 83, 50, 14, WS_TABSTOP);
}

CAboutDlg::~CAboutDlg() = default;

const olstring& CAboutDlg::nameLine() {
  static const olstring line = kMirraneNameLine;
  return line;
}

const olstring& CAboutDlg::attributionText() {
  static const olstring text = u"Made by Olumbe";
  return text;
}

LRESULT CAboutDlg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    const unsigned id = LOWORD(wParam);
    if (id == menu_command::kShowHomePage || id == menu_command::kShowDonatePage || id == menu_command::kShowHelp) {
      // The owner opens the page; this dialog stays open.
      postMessage(getOwner(m_hwnd), WM_COMMAND, wParam, 0);
      return 0;
    }
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}

void CAboutDlg::attachControls() {
  const std::pair<olWnd*, int> controls[] = {
      {&m_link, menu_command::kShowHomePage}, {&m_helpButton, menu_command::kShowHelp}, {&m_donateButton, menu_command::kShowDonatePage}, {&m_closeButton, IDCANCEL}};
  for (auto [control, id] : controls) {
    MIRRANE_CHECK(control->attachDlgItem(m_hwnd, id), continue);
  }
}

bool CAboutDlg::onInitDialog() {
  olBaseDlg::onInitDialog();
  setAppIcon(m_hwnd);
  setFocus(m_closeButton.hwnd());
  return false;
}

void CAboutDlg::initPlacement() {
  const SIZE button = standardButtonSize(m_font);
  resizeWindow(m_helpButton.hwnd(), button.cx, button.cy);
  resizeWindow(m_closeButton.hwnd(), button.cx, button.cy);
  resizeWindow(m_donateButton.hwnd(), button.cx, button.cy);
  const RECT link = getWindowRect(m_link.hwnd());
  const int nameAndLink = lineHeight(uiBoldFont()) + (link.bottom - link.top);
  const int tallest = std::max(nameAndLink, largeIconSize());
  const int clientHeight = button.cy + std::max(tallest, dy(4, m_font) + 2 * button.cy) + 4 * dy(7, m_font);
  const auto clientWidth = static_cast<int>(static_cast<float>(clientHeight) * 2.65f);
  const SIZE window = windowSizeForClient(m_hwnd, SIZE{clientWidth, clientHeight});
  resizeWindow(m_hwnd, window.cx, window.cy);
  centreOnOwner(m_hwnd, getOwner(m_hwnd));
}

void CAboutDlg::layoutControls() {
  const RECT k = dialogContentRect(m_hwnd, m_font);
  const SIZE button = standardButtonSize(m_font);
  moveWindow(m_helpButton.hwnd(), k.right - button.cx, k.top, button.cx, button.cy);
  moveWindow(m_closeButton.hwnd(), k.right - button.cx, k.top + button.cy + dy(4, m_font), button.cx, button.cy);
  moveWindow(m_donateButton.hwnd(), k.right - button.cx, k.bottom - button.cy, button.cx, button.cy);
  const RECT link = getWindowRect(m_link.hwnd());
  moveWindow(m_link.hwnd(), k.left + largeIconSize() + dx(7, m_font) / 2, k.top + lineHeight(uiBoldFont()),
             link.right - link.left, link.bottom - link.top);
}

void CAboutDlg::loadTexts() {
  setWindowText(m_hwnd, cleanLabel(langText(lang::global::kAbout)));
  setWindowText(m_helpButton.hwnd(), helpCaption());
  setWindowText(m_closeButton.hwnd(), langText(lang::global::kClose));
  setWindowText(m_donateButton.hwnd(), langText(lang::global::kDonate));
  setWindowText(m_link.hwnd(), attributionText());
  // The link is as wide as its text, so that its whole line is not a click target.
  const SIZE ideal = m_link.idealSize();
  const RECT link = getWindowRect(m_link.hwnd());
  resizeWindow(m_link.hwnd(), ideal.cx, link.bottom - link.top);
}

void CAboutDlg::paintClient(HDC dc, const RECT&) {
  RECT k = dialogContentRect(m_hwnd, m_font);
  const RECT help = getWindowRect(m_helpButton.hwnd());
  const POINT helpLeft = screenToClient(m_hwnd, POINT{help.left, help.top});
  k.right = helpLeft.x - dx(7, m_font);

  const int icon = largeIconSize();
  drawAppIcon(dc, k.left, k.top, icon);

  RECT name{k.left + icon + dx(7, m_font) / 2, k.top, k.right, k.top + lineHeight(uiBoldFont())};
  selectFont(dc, uiBoldFont());
  setTextColour(dc, themeColour(olThemeSlot::text));
  drawText(dc, nameLine(), name, DT_SINGLELINE | DT_NOPREFIX);
  selectFont(dc, m_font);

  m_aboutTextRect = RECT{};
  const olstring text = langText(lang::global::kAboutText);
  if (text.empty()) return;
  const RECT link = getWindowRect(m_link.hwnd());
  const POINT linkBottom = screenToClient(m_hwnd, POINT{link.left, link.bottom});
  RECT area{k.left, linkBottom.y + dy(7, m_font), k.right, k.bottom};
  if (area.bottom <= area.top) return;
  const UINT format = DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_END_ELLIPSIS;
  RECT measured = area;
  drawText(dc, text, measured, format | DT_CALCRECT);
  const int height = measured.bottom - measured.top;
  // A short text sits at the bottom of its area.
  if (height < area.bottom - area.top) area.top = area.bottom - height;
  setTextColour(dc, themeColour(olThemeSlot::text));
  drawText(dc, text, area, format);
  m_aboutTextRect = area;
}
