// The message box's buttons, layout and count-down.
#include "toolkit/MessageBox.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <map>

#include "foundation/SoftCheck.h"
#include "toolkit/App.h"
#include "toolkit/Buttons.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "toolkit/WindowInternal.h"

namespace {

constexpr int kIconSize = 32;
constexpr int kTextWidth = 380;
constexpr UINT kCountDownStepMs = 1000;

std::map<int, olstring>& captions() {
  static std::map<int, olstring> map;
  return map;
}

olstring builtInCaption(int id) {
  switch (id) {
    case IDOK: return u"OK";
    case IDCANCEL: return u"Cancel";
    case IDABORT: return u"&Abort";
    case IDRETRY: return u"&Retry";
    case IDIGNORE: return u"&Ignore";
    case IDYES: return u"&Yes";
    case IDNO: return u"&No";
    case IDTRYAGAIN: return u"&Try Again";
    case IDCONTINUE: return u"&Continue";
    default: return {};
  }
}

std::vector<int> buttonSet(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}


}  // namespace

olMessageBox::olMessageBox(olstring_view text, olstring_view caption, UINT type)
    : m_text(text), m_caption(caption), m_type(type), m_ids(buttonSet(type)) {
  beginTemplate(200, 60, olTemplate::popup, static_cast<int>(m_ids.size()));
  for (size_t i = 0; i < m_ids.size(); ++i)
    addTemplateItem(kTemplateButton, m_ids[i], 0, 0, 50, 14, i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

olMessageBox::~olMessageBox() {
  _countDown.stop();
  unbind(olUnbind::destroyWindow);
  if (m_fixedFont) deleteFontObject(m_fixedFont);
}

int olMessageBox::show(olstring_view text, olstring_view caption, UINT type, int countDownSeconds) {
  olMessageBox box(text, caption, type);
  box.setCountDown(countDownSeconds);
  return box.runModal();
}

int olMessageBox::show(olstring_view text, olstring_view caption, UINT type, olMessageText form) {
  olMessageBox box(text, caption, type);
  box.setTextForm(form);
  return box.runModal();
}

HFONT olMessageBox::textFont() const {
  if (m_form == olMessageText::prose) return uiFont();
  if (!m_fixedFont) {
    // The system's fixed-width face at the size of the UI font, so the columns line up.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont ui = qfontOf(uiFont());
    if (ui.pixelSize() > 0) fixed.setPixelSize(ui.pixelSize());
    else fixed.setPointSizeF(ui.pointSizeF());
    m_fixedFont = createFontObject(fixed);
  }
  return m_fixedFont;
}

void olMessageBox::setButtonCaption(int id, olstring_view caption) {
  if (caption.empty()) captions().erase(id);
  else captions()[id] = olstring(caption);
}

olstring olMessageBox::buttonCaption(int id) {
  auto found = captions().find(id);
  return found != captions().end() ? found->second : builtInCaption(id);
}

int olMessageBox::cancelId() const {
  for (int id : m_ids)
    if (id == IDCANCEL) return IDCANCEL;
  return m_ids.size() == 1 && m_ids[0] == IDOK ? IDOK : 0;
}

bool olMessageBox::onInitDialog() {
  m_buttons.clear();
  for (int id : m_ids) {
    auto button = std::make_unique<olButton>();
    MIRRANE_CHECK(button->attachDlgItem(m_hwnd, id), continue);
    m_buttons.push_back(std::move(button));
  }
  olBaseDlg::onInitDialog();
  setAppIcon(m_hwnd);
  if (!cancelId()) setStyle(m_hwnd, getStyle(m_hwnd) & ~WS_SYSMENU);
  m_remaining = m_countDownSeconds;
  if (m_remaining > 0) {
    MIRRANE_CHECK(_countDown.start(m_hwnd, kCountDownStepMs), m_remaining = 0);
    loadTexts();
  }
  setFocus(getDlgItem(m_hwnd, m_ids.front()));
  // Sized to its text, so the toolkit leaves its place alone: over the middle of the window
  // it speaks for, not on the path box its owner's corner holds.
  centreOnOwner(m_hwnd, getOwner(m_hwnd));
  return false;
}

void olMessageBox::loadTexts() {
  setWindowText(m_hwnd, m_caption.empty() ? olApp::instance() ? olApp::instance()->appName() : olstring() : m_caption);
  for (size_t i = 0; i < m_ids.size(); ++i) {
    olstring text = buttonCaption(m_ids[i]);
    if (i == 0 && m_remaining > 0) text += u" (" + fromUtf8(std::to_string(m_remaining)) + u")";
    setWindowText(getDlgItem(m_hwnd, m_ids[i]), text);
  }
}

RECT olMessageBox::textArea() const {
  const int left = dx(7) + ((m_type & MB_ICONMASK) ? kIconSize + dx(7) : 0);
  QFontMetrics metrics(qfontOf(textFont()));
  // Columns keep their lines whole as long as the screen is wide enough for them.
  int width = kTextWidth;
  if (m_form == olMessageText::columns) {
    const RECT work = monitorWorkArea(getOwner(m_hwnd));
    width = metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::TextExpandTabs, toQString(m_text)).width();
    if (!work.isEmpty()) width = std::min(width, work.width() - left - 2 * dx(7));
  }
  RECT area{left, dy(7), left + width, dy(7)};
  QRect needed = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::TextExpandTabs,
                                      toQString(m_text));
  area.right = area.left + std::max(needed.width(), 1);
  area.bottom = area.top + std::max(needed.height(), (m_type & MB_ICONMASK) ? kIconSize : lineHeight());
  return area;
}

void olMessageBox::initPlacement() {
  const SIZE button = standardButtonSize();
  const int buttons = static_cast<int>(m_ids.size());
  m_bandHeight = button.cy + 2 * dy(7);
  const RECT text = textArea();
  const int width = std::max(text.right + dx(7), buttons * button.cx + (buttons - 1) * dx(4) + 2 * dx(7));
  const int height = text.bottom + dy(7) + m_bandHeight;
  const SIZE window = windowSizeForClient(m_hwnd, {width, height});
  setWindowPos(m_hwnd, nullptr, 0, 0, window.cx, window.cy, SWP_NOMOVE | SWP_NOZORDER);
  for (int id : m_ids) setWindowPos(getDlgItem(m_hwnd, id), nullptr, 0, 0, button.cx, button.cy, SWP_NOMOVE | SWP_NOZORDER);
}

void olMessageBox::layoutControls() {
  const RECT client = getClientRect(m_hwnd);
  const SIZE button = standardButtonSize();
  int x = client.right - dx(7) - button.cx;
  const int y = client.bottom - dy(7) - button.cy;
  for (auto it = m_ids.rbegin(); it != m_ids.rend(); ++it) {
    moveWindow(getDlgItem(m_hwnd, *it), x, y, button.cx, button.cy);
    x -= button.cx + dx(4);
  }
}

void olMessageBox::paintClient(HDC dc, const RECT& rect) {
  RECT content = rect;
  content.bottom -= m_bandHeight;
  fillSolidRect(dc, content, themeColour(olThemeSlot::window));
  drawEdges(dc, {rect.left, content.bottom, rect.right, content.bottom + 1}, themeColour(olThemeSlot::frame), kSideTop, 1);
  if (m_type & MB_ICONMASK) drawMessageIcon(dc, m_type & MB_ICONMASK, dx(7), dy(7), kIconSize);
  RECT text = textArea();
  setTextColour(dc, themeColour(olThemeSlot::text));
  selectFont(dc, textFont());
  drawText(dc, m_text, text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
}

LRESULT olMessageBox::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    int id = static_cast<int>(LOWORD(wParam));
    // Escape arrives as Cancel; without a Cancel button only a lone OK answers it.
    if (id == IDCANCEL && lParam == 0) id = cancelId();
    if (std::find(m_ids.begin(), m_ids.end(), id) != m_ids.end()) endDialog(id);
    return 0;
  }
  if (message == WM_CLOSE) {
    if (int id = cancelId()) endDialog(id);
    return 0;
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}

void olMessageBox::CountDown::onTimer() {
  if (--m_box.m_remaining <= 0) {
    stop();
    m_box.endDialog(m_box.m_ids.front());
    return;
  }
  m_box.loadTexts();
}
