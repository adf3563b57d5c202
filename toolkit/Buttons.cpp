// Themed drawing and behaviour of the toolkit's buttons. The platform button underneath
// keeps clicks, keyboard and focus; the toolkit draws it in the theme's colours.
#include "toolkit/Buttons.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include "toolkit/Accessible.h"
#include "toolkit/Geometry.h"
#include "toolkit/PaintDC.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

namespace {

QAbstractButton* buttonOf(HWND hwnd) { return qobject_cast<QAbstractButton*>(widgetOf(hwnd)); }

bool isThemeSwitch(UINT message, LPARAM lParam) {
  return message == WM_SYSCOLORCHANGE && reinterpret_cast<const void*>(lParam) == themeMarker();
}

int colourDistance(COLORREF a, COLORREF b) {
  return std::abs(int(redOf(a)) - int(redOf(b))) + std::abs(int(greenOf(a)) - int(greenOf(b))) +
         std::abs(int(blueOf(a)) - int(blueOf(b)));
}

bool isDefaultButton(HWND hwnd) {
  return (getStyle(hwnd) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

}  // namespace

// ---- olButton

void olButton::onAttached() {
  if (QWidget* widget = widgetOf(m_hwnd)) widget->setAttribute(Qt::WA_Hover, true);
}

void olButton::setFrameMask(unsigned mask) {
  if (m_frameMask == (mask & kAllSides)) return;
  m_frameMask = mask & kAllSides;
  invalidateRect(m_hwnd);
}

bool olButton::isPressed() const {
  QAbstractButton* button = buttonOf(m_hwnd);
  return button && button->isDown();
}

bool olButton::isHot() const {
  QWidget* widget = widgetOf(m_hwnd);
  return widget && widget->underMouse() && widget->isEnabled();
}

bool olButton::hasFocus() const {
  QWidget* widget = widgetOf(m_hwnd);
  return widget && widget->hasFocus();
}

LRESULT olButton::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (isThemeSwitch(message, lParam)) {
    applyControlTheme(m_hwnd);
    invalidateRect(m_hwnd);
    return 0;
  }
  if (message == WM_PAINT) {
    const bool platformLooks = platformPainting() && !drawsUnderSystemTheme();
    // Under the system colours the platform paints its own check boxes.
    if (platformLooks && !qobject_cast<QPushButton*>(widgetOf(m_hwnd))) return olWnd::windowProc(message, wParam, lParam);
    olPaintDC dc(m_hwnd);
    if (!dc.dc()) return 0;
    if (platformLooks) paintSystemButton(dc.dc());
    else paintButton(dc.dc(), getClientRect(m_hwnd));
    return 0;
  }
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) invalidateRect(m_hwnd);
  return olWnd::windowProc(message, wParam, lParam);
}

void olButton::paintSystemButton(HDC dc) {
  auto* button = qobject_cast<QPushButton*>(widgetOf(m_hwnd));
  if (!button) return;
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  option.state |= isPressed() ? QStyle::State_Sunken : QStyle::State_Raised;
  if (isDefaultButton(m_hwnd)) option.features |= QStyleOptionButton::DefaultButton;
  // The platform style marks the focus only after keyboard use; a focused button always
  // shows it here, as a dotted frame inside the button.
  if (hasFocus()) option.state |= QStyle::State_KeyboardFocusChange;
  // The platform style centres a caption wider than the button and cuts it at both ends;
  // it ends in "…" here, as the themes' own buttons do.
  const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
  option.text = option.fontMetrics.elidedText(option.text, Qt::ElideRight, contents.width(), Qt::TextShowMnemonic);
  button->style()->drawControl(QStyle::CE_PushButton, &option, dc, button);
  if (!hasFocus()) return;
  const QRect inside = button->style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, button);
  QPen pen(toQColor(themeColour(olThemeSlot::text)));
  pen.setStyle(Qt::DotLine);
  dc->save();
  dc->setPen(pen);
  dc->setBrush(Qt::NoBrush);
  dc->drawRect(inside.adjusted(1, 1, -2, -2));
  dc->restore();
}

COLORREF olButton::backgroundColour() const {
  const COLORREF face = themeColour(olThemeSlot::face);
  const COLORREF state = themeColour(olThemeSlot::buttonState);
  const COLORREF subtle = themeColour(olThemeSlot::subtle);
  if (isPressed()) return state != face && state != subtle ? state : blendColours(subtle, themeColour(olThemeSlot::selection), 128);
  if (isHot()) return subtle != face ? subtle : blendColours(face, themeColour(olThemeSlot::selection), 96);
  return blendColours(face, state, 100);
}

void olButton::paintButton(HDC dc, const RECT& rect) {
  const bool enabled = isWindowEnabled(m_hwnd);
  const COLORREF background = backgroundColour();
  const COLORREF accent = themeColour(olThemeSlot::accent);
  fillSolidRect(dc, rect, background);
  const COLORREF frame = isDefaultButton(m_hwnd) && enabled ? accent : themeColour(olThemeSlot::frame);
  drawEdges(dc, rect, frame, m_frameMask, 1);
  if (hasFocus()) {
    drawEdges(dc, rect, accent, kAllSides, 2);
    // An accent frame vanishes on an accent-like fill (a checked switch under the system
    // colours): a dotted line inside keeps the focus visible.
    if (colourDistance(background, accent) < 120) {
      QPen pen(toQColor(contrastingText(background)));
      pen.setStyle(Qt::DotLine);
      dc->save();
      dc->setPen(pen);
      dc->setBrush(Qt::NoBrush);
      dc->drawRect(toQRect(rect.inflated(-4, -4)).adjusted(0, 0, -1, -1));
      dc->restore();
    }
  }
  paintContent(dc, rect.inflated(-3, -2),
               enabled ? themeColour(olThemeSlot::text) : themeColour(olThemeSlot::greyText));
}

void olButton::paintContent(HDC dc, const RECT& rect, COLORREF textColour) {
  setTextColour(dc, textColour);
  RECT area = rect;
  drawText(dc, getWindowText(m_hwnd), area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

// ---- olButton_Switch

void olButton_Switch::setChecked(bool checked) {
  if (m_checked == checked) return;
  m_checked = checked;
  invalidateRect(m_hwnd);
  announceCheckedChanged(m_hwnd);
}

COLORREF olButton_Switch::backgroundColour() const {
  if (m_checked) return themeColour(olThemeSlot::selection);
  return olButton::backgroundColour();
}

void olButton_Switch::paintContent(HDC dc, const RECT& rect, COLORREF textColour) {
  if (m_checked && platformPainting()) textColour = contrastingText(themeColour(olThemeSlot::selection));
  olButton::paintContent(dc, rect, textColour);
}

// ---- olButton_Icon

void olButton_Icon::setIconKind(UINT kind) {
  m_iconKind = kind;
  invalidateRect(m_hwnd);
}

void olButton_Icon::paintContent(HDC dc, const RECT& rect, COLORREF textColour) {
  const int size = std::min(smallIconSize(), rect.height());
  QFontMetrics metrics(dc->font());
  const olstring text = getWindowText(m_hwnd);
  const int textWidth = metrics.size(Qt::TextShowMnemonic, toQString(text)).width();
  int x = rect.left + std::max(0, (rect.width() - size - 4 - textWidth) / 2);
  const int y = rect.top + (rect.height() - size) / 2;
  if (m_iconKind == 0) drawAppIcon(dc, x, y, size);
  else drawMessageIcon(dc, m_iconKind, x, y, size);
  RECT area{x + size + 4, rect.top, rect.right, rect.bottom};
  setTextColour(dc, textColour);
  drawText(dc, text, area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

// ---- olButton_customIcon

LRESULT olButton_customIcon::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = olButton::windowProc(message, wParam, lParam);
  // The glyph says little to a new user and nothing to a screen reader: the caption is the
  // button's tip, which readers take as its name.
  if (message == WM_SETTEXT) olToolTipCtrl::shared().addTool(m_hwnd, cleanLabel(getWindowText(m_hwnd)));
  return result;
}

void olButton_customIcon::setGlyph(olGlyph glyph) {
  m_glyph = glyph;
  invalidateRect(m_hwnd);
}

COLORREF olButton_customIcon::backgroundColour() const {
  // A glyph button lies flat on its panel until the mouse or a press wakes it.
  if (!isHot() && !isPressed()) return themeColour(olThemeSlot::face);
  return olButton::backgroundColour();
}

void olButton_customIcon::paintContent(HDC dc, const RECT& rect, COLORREF textColour) {
  drawGlyph(dc, m_glyph, rect, isHot() && !isPressed() ? themeColour(olThemeSlot::accent) : textColour);
}

// ---- olButton_Link

void olButton_Link::onAttached() {
  olButton::onAttached();
  setWindowCursor(m_hwnd, olCursor::hand);
}

SIZE olButton_Link::idealSize() const {
  QWidget* widget = widgetOf(m_hwnd);
  if (!widget) return {};
  QFontMetrics metrics(widget->font());
  QSize size = metrics.size(Qt::TextShowMnemonic, toQString(getWindowText(m_hwnd)));
  return {size.width() + 4, size.height() + 4};
}

void olButton_Link::paintButton(HDC dc, const RECT& rect) {
  fillSolidRect(dc, rect, themeColour(olThemeSlot::face));
  QFont font = dc->font();
  font.setUnderline(isHot() || hasFocus());
  dc->setFont(font);
  const bool enabled = isWindowEnabled(m_hwnd);
  setTextColour(dc, enabled ? themeColour(olThemeSlot::link) : themeColour(olThemeSlot::greyText));
  RECT area = rect.inflated(-2, -2);
  drawText(dc, getWindowText(m_hwnd), area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  if (hasFocus()) {
    QPen pen(toQColor(themeColour(olThemeSlot::accent)));
    pen.setStyle(Qt::DotLine);
    dc->setPen(pen);
    dc->setBrush(Qt::NoBrush);
    dc->drawRect(toQRect(rect).adjusted(0, 0, -1, -1));
  }
}

// ---- olButton_TextLink

void olButton_TextLink::onAttached() {
  olButton_Link::onAttached();
  if (QWidget* widget = widgetOf(m_hwnd)) widget->setAttribute(Qt::WA_TransparentForMouseEvents);
}

LRESULT olButton_TextLink::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) invalidateRect(getParent(m_hwnd));
  return olButton_Link::windowProc(message, wParam, lParam);
}

// ---- olButton_Split

void olButton_Split::onAttached() {
  olButton::onAttached();
  m_notify = getParent(m_hwnd);
  setWindowText(m_hwnd, u"");
  setStyle(m_hwnd, (getStyle(m_hwnd) & ~WS_TABSTOP) | WS_CLIPSIBLINGS);
  if (QWidget* widget = widgetOf(m_hwnd)) widget->setFocusPolicy(Qt::NoFocus);
  setWindowCursor(m_hwnd, olCursor::sizeWestEast);
  splitterMessage();
}

UINT splitterMessage() {
  // Registered names keep their ids for the life of the process.
  static const UINT message = registerWindowMessage(kSplitterMessageName);
  return message;
}

void olButton_Split::setMargins(int left, int right) {
  m_leftMargin = left;
  m_rightMargin = right;
}

int olButton_Split::clampedX(int x) const {
  const HWND parent = getParent(m_hwnd);
  const int width = getWindowRect(m_hwnd).width();
  const int parentWidth = getClientRect(parent).width();
  // The right margin gives way first, so that a narrow window keeps the left side usable.
  x = std::min(x, parentWidth - m_rightMargin - width);
  return std::max(x, m_leftMargin);
}

int olButton_Split::position() const { return screenToClient(getParent(m_hwnd), clientToScreen(m_hwnd, {0, 0})).x; }

bool olButton_Split::moveTo(int x) {
  const POINT origin = screenToClient(getParent(m_hwnd), clientToScreen(m_hwnd, {0, 0}));
  x = clampedX(x);
  if (x == origin.x) return false;
  setWindowPos(m_hwnd, nullptr, x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (m_notify)
    postMessage(m_notify, splitterMessage(), static_cast<WPARAM>(getDlgCtrlID(m_hwnd)), reinterpret_cast<LPARAM>(m_hwnd));
  announceValueChanged(m_hwnd);
  return true;
}

void olButton_Split::setKeyboardStep(int pixels) {
  m_keyStep = std::max(0, pixels);
  QWidget* widget = widgetOf(m_hwnd);
  if (!widget) return;
  // Tab reaches it, a click does not take the focus from where the user works.
  setStyle(m_hwnd, m_keyStep > 0 ? getStyle(m_hwnd) | WS_TABSTOP : getStyle(m_hwnd) & ~WS_TABSTOP);
  widget->setFocusPolicy(m_keyStep > 0 ? Qt::TabFocus : Qt::NoFocus);
}

LRESULT olButton_Split::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: return HTCAPTION;
    case WM_LBUTTONDOWN: {
      POINT screen = clientToScreen(m_hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      m_dragging = true;
      m_grabScreenX = screen.x;
      m_grabWindowX = position();
      invalidateRect(m_hwnd);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!m_dragging) return 0;
      POINT screen = clientToScreen(m_hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      moveTo(m_grabWindowX + screen.x - m_grabScreenX);
      return 0;
    }
    case WM_LBUTTONUP:
      m_dragging = false;
      invalidateRect(m_hwnd);
      return 0;
    case WM_KEYDOWN:
      if (m_keyStep > 0) {
        switch (wParam) {
          case VK_LEFT: moveTo(position() - m_keyStep); return 0;
          case VK_RIGHT: moveTo(position() + m_keyStep); return 0;
          case VK_HOME: moveTo(leastPosition()); return 0;
          case VK_END: moveTo(greatestPosition()); return 0;
          // The focus moves on as from any other control.
          case VK_TAB: return olButton::windowProc(message, wParam, lParam);
          default: break;
        }
      }
      return 0;
    case WM_CHAR:
      if (wParam == u'\t') return olButton::windowProc(message, wParam, lParam);
      return 0;
    case WM_GETDLGCODE: {
      // Enter is the bar's, to do nothing with: it would press it as the dialog's button.
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      const bool enter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
      return DLGC_WANTARROWS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_LBUTTONDBLCLK:
    case WM_KEYUP: return 0;  // a bar, not a button: no clicks, no other keys
    default: return olButton::windowProc(message, wParam, lParam);
  }
}

void olButton_Split::paintButton(HDC dc, const RECT& rect) {
  // Dragged or focused, the bar stands out in the accent colour.
  const bool marked = m_dragging || hasFocus();
  fillSolidRect(dc, rect, marked ? themeColour(olThemeSlot::accent) : themeColour(olThemeSlot::face));
  drawEdges(dc, rect, themeColour(olThemeSlot::frame), kSideLeft, 1);
}

// ---- olCheckBox

void olCheckBox::onAttached() {
  olButton::onAttached();
  if (QAbstractButton* button = buttonOf(m_hwnd)) button->setCheckable(true);
}

bool olCheckBox::isChecked() const { return sendMessage(m_hwnd, BM_GETCHECK) == BST_CHECKED; }

void olCheckBox::setChecked(bool checked) { sendMessage(m_hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }

namespace {

constexpr int kMaxCaptionLines = 2;
// The gap between the box and its caption, and the caption's room kept at the right.
constexpr int kCaptionGap = 6;
constexpr int kCaptionRightGap = 2;

// The text a caption shows: its single "&" markers left out.
QString shownText(olstring_view caption) {
  QString shown;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += QChar(caption[i]);
  }
  return shown;
}

int indicatorSize(const QFontMetrics& metrics) { return std::clamp(metrics.height() - 3, 11, 20); }

}  // namespace

olCaptionLines layoutCaption(olstring_view caption, int width, HFONT font, int maxLines) {
  const QFontMetricsF metrics(qfontOf(font ? font : uiFont()));
  auto fits = [&](olstring_view text) { return metrics.horizontalAdvance(shownText(text)) <= width; };
  olCaptionLines laid;
  olstring line;
  size_t start = 0;
  while (start <= caption.size()) {
    const size_t space = std::min(caption.find(u' ', start), caption.size());
    const olstring_view word = caption.substr(start, space - start);
    olstring candidate = line.empty() ? olstring(word) : line + u' ' + olstring(word);
    if (!line.empty() && !fits(candidate)) {
      laid.lines.push_back(line);
      candidate = olstring(word);
    }
    line = std::move(candidate);
    start = space + 1;
  }
  laid.lines.push_back(line);
  if (static_cast<int>(laid.lines.size()) > maxLines) {
    // What does not fit goes onto the last line, which ends in "…".
    olstring rest;
    for (size_t i = static_cast<size_t>(maxLines) - 1; i < laid.lines.size(); ++i)
      rest += (rest.empty() ? u"" : u" ") + laid.lines[i];
    laid.lines.resize(static_cast<size_t>(maxLines));
    laid.lines.back() = rest;
    laid.cut = true;
  }
  const QFontMetrics whole(qfontOf(font ? font : uiFont()));
  // Only a rest that did not fit ends the last line in "…"; a word cut on an earlier line
  // leaves the lines after it whole.
  const bool restCut = laid.cut;
  for (olstring& each : laid.lines) {
    const bool endsCut = restCut && &each == &laid.lines.back();
    if (endsCut) each += u"\u2026";
    if (fits(each) && !endsCut) continue;
    // A word wider than the line, or the rest of a caption that is cut.
    each = fromQString(whole.elidedText(toQString(each), Qt::ElideRight, width, Qt::TextShowMnemonic));
    laid.cut = true;
  }
  return laid;
}

int olCheckBox::captionWidth(int width) const {
  const QFontMetrics metrics(qfontOf(m_font ? m_font : uiFont()));
  return width - 1 - indicatorSize(metrics) - kCaptionGap - kCaptionRightGap;
}

int olCheckBox::heightForWidth(int width) const {
  const int oneLine = preferredSize(m_hwnd).cy;
  const olCaptionLines laid = layoutCaption(getWindowText(m_hwnd), captionWidth(width), m_font, kMaxCaptionLines);
  return oneLine + (static_cast<int>(laid.lines.size()) - 1) * lineHeight(m_font);
}

void olCheckBox::paintButton(HDC dc, const RECT& rect) {
  const bool enabled = isWindowEnabled(m_hwnd);
  const bool system = platformPainting();
  fillSolidRect(dc, rect, themeColour(olThemeSlot::face));
  QFontMetrics metrics(dc->font());
  const olCaptionLines laid = layoutCaption(getWindowText(m_hwnd), captionWidth(rect.width()), m_font, kMaxCaptionLines);
  const int lines = static_cast<int>(laid.lines.size());
  const int line = metrics.height();
  const int top = rect.top + (rect.height() - lines * line) / 2;
  // The box stands beside the first line.
  const int size = indicatorSize(metrics);
  const RECT box{rect.left + 1, top + (line - size) / 2, rect.left + 1 + size, top + (line - size) / 2 + size};
  const COLORREF accent = themeColour(olThemeSlot::accent);
  const bool checked = isChecked();
  if (system) {
    QWidget* widget = widgetOf(m_hwnd);
    QStyleOptionButton option;
    option.initFrom(widget);
    option.rect = toQRect(box);
    option.state |= checked ? QStyle::State_On : QStyle::State_Off;
    widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, dc, widget);
  } else {
    fillSolidRect(dc, box, checked && enabled ? accent : themeColour(olThemeSlot::window));
    drawEdges(dc, box, isHot() || hasFocus() ? accent : themeColour(olThemeSlot::frame), kAllSides, 1);
  }
  if (checked && !system) {
    const COLORREF mark = enabled ? contrastingText(accent) : themeColour(olThemeSlot::greyText);
    dc->save();
    dc->setRenderHint(QPainter::Antialiasing, true);
    QPen pen(toQColor(mark), std::max(1.5, size / 7.0));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    dc->setPen(pen);
    QPainterPath tick;
    tick.moveTo(box.left + size * 0.22, box.top + size * 0.52);
    tick.lineTo(box.left + size * 0.42, box.top + size * 0.72);
    tick.lineTo(box.left + size * 0.78, box.top + size * 0.3);
    dc->drawPath(tick);
    dc->restore();
  }
  setTextColour(dc, enabled ? themeColour(olThemeSlot::text) : themeColour(olThemeSlot::greyText));
  m_shownCaption.clear();
  int widest = 0;
  for (int i = 0; i < lines; ++i) {
    RECT text{box.right + kCaptionGap, top + i * line, rect.right - kCaptionRightGap, top + (i + 1) * line};
    drawText(dc, laid.lines[static_cast<size_t>(i)], text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    widest = std::max(widest, metrics.horizontalAdvance(shownText(laid.lines[static_cast<size_t>(i)])));
    m_shownCaption += (i == 0 ? u"" : u"\n") + laid.lines[static_cast<size_t>(i)];
  }
  // A caption that had to be cut is read whole in its tooltip.
  olToolTipCtrl& tip = olToolTipCtrl::shared();
  if (laid.cut) tip.addTool(m_hwnd, cleanLabel(getWindowText(m_hwnd)));
  else if (!tip.toolText(m_hwnd).empty()) tip.removeTool(m_hwnd);
  if (hasFocus()) {
    // The focus mark: an accent line under the caption.
    const int width = std::min(widest, rect.right - kCaptionRightGap - box.right - kCaptionGap);
    const int y = std::min(top + lines * line, static_cast<int>(rect.bottom) - 1);
    fillSolidRect(dc, {box.right + kCaptionGap, y, box.right + kCaptionGap + width, y + 1}, accent);
  }
}
