// Dialog templates in the platform's binary layout, dialog creation, the modal loop on a
// nested Qt event loop, centring, and the themed dialog base.
#include "toolkit/Dialog.h"

#include <QEventLoop>
#include <QFontMetrics>
#include <QPushButton>
#include <QWidget>

#include <cmath>
#include <cstring>

#include "toolkit/App.h"
#include "toolkit/PaintDC.h"
#include "toolkit/WindowInternal.h"

// One running modal loop. It outlives the dialog object if that is deleted inside the loop.
struct ModalFrame {
  olDialog* dialog = nullptr;
  HWND hwnd = nullptr;
  QEventLoop* loop = nullptr;
  int endCode = 0;
};

namespace {

std::vector<ModalFrame*> g_frames;
olDialog* g_waitingDialog = nullptr;

constexpr uint32_t kPopupTemplateStyle = 0x82C800C0;
constexpr uint32_t kChildTemplateStyle = 0x46000440;
constexpr size_t kHeaderBytes = 64;
constexpr size_t kItemBytes = 28;

void put16(std::vector<uint8_t>& block, size_t at, uint16_t value) { std::memcpy(&block[at], &value, 2); }
void put32(std::vector<uint8_t>& block, size_t at, uint32_t value) { std::memcpy(&block[at], &value, 4); }
uint16_t get16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
uint32_t get32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Reads a zero-terminated UTF-16 string; advances the offset. False past the end.
bool readString(const std::vector<uint8_t>& block, size_t end, size_t& at, olstring& out) {
  out.clear();
  while (at + 2 <= end) {
    char16_t c = get16(&block[at]);
    at += 2;
    if (c == 0) return true;
    out.push_back(c);
  }
  return false;
}

bool frameShouldEnd(const ModalFrame& frame) {
  return !frame.dialog || !isWindow(frame.hwnd) || frame.dialog->endCode() != 0 || olApp::quitReceived();
}

int mulDiv(int value, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

LRESULT defDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  LRESULT result = 0;
  if (record->dialogProcedure && record->dialogProcedure(hwnd, message, wParam, lParam, result)) return result;
  return defWindowProc(hwnd, message, wParam, lParam);
}

// Reports the track sizes the window's procedure answers and holds the widget to them.
void applyTrackSizes(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget || !widget->isWindow() || !(getStyle(hwnd) & WS_THICKFRAME)) return;
  MINMAXINFO info;
  info.ptMaxTrackSize = {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
  sendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  widget->setMinimumSize(info.ptMinTrackSize.x, info.ptMinTrackSize.y);
  widget->setMaximumSize(info.ptMaxTrackSize.x > 0 ? info.ptMaxTrackSize.x : QWIDGETSIZE_MAX,
                         info.ptMaxTrackSize.y > 0 ? info.ptMaxTrackSize.y : QWIDGETSIZE_MAX);
}

HWND firstTabStop(HWND dialog) {
  for (HWND child : childWindows(dialog)) {
    QWidget* widget = widgetOf(child);
    if ((getStyle(child) & WS_TABSTOP) && widget->isEnabled() && !widget->isHidden()) return child;
    if (HWND inner = firstTabStop(child)) return inner;
  }
  return nullptr;
}

// The window a new modal dialog belongs to: the innermost modal dialog, else the main
// window, climbing from children to their top-level window.
HWND modalOwner() {
  HWND owner = nullptr;
  for (auto it = g_frames.rbegin(); it != g_frames.rend() && !owner; ++it)
    if (isWindow((*it)->hwnd)) owner = (*it)->hwnd;
  if (!owner) owner = mainWindowHandle();
  return owner ? getAncestorRoot(owner) : nullptr;
}

}  // namespace

// The procedure the dialog manager calls first for a dialog window.
bool olSharedDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: result = -1; return true;
    case WM_INITDIALOG: {
      olDialog* dialog = g_waitingDialog;
      g_waitingDialog = nullptr;
      if (!dialog || !dialog->attach(hwnd)) return false;
      dialog->m_endCode = 0;
      QWidget* widget = widgetOf(hwnd);
      if (widget->isWindow() && (getStyle(hwnd) & WS_THICKFRAME)) dialog->setMinTrackSize(widget->width(), widget->height());
      dialog->attachControls();
      const QRect before = widget->geometry();
      bool focusFirst = dialog->onInitDialog();
      if (!isWindow(hwnd)) return true;
      applyTrackSizes(hwnd);
      if (focusFirst)
        if (HWND first = firstTabStop(hwnd)) setFocus(first);
      if (widget->geometry() == before) {
        HWND owner = getOwner(hwnd);
        if (!owner && mainWindowHandle() != hwnd) owner = mainWindowHandle();
        centreOnOwner(hwnd, owner);
      }
      result = focusFirst;
      return true;
    }
    default: return false;
  }
}

// ---- olDialog

olDialog::olDialog() = default;

olDialog::~olDialog() {
  if (m_frame) {
    // Deleted inside its own loop: the loop ends with the code it had, and never touches us.
    m_frame->endCode = m_endCode;
    m_frame->dialog = nullptr;
    if (m_frame->loop) m_frame->loop->exit();
    m_frame = nullptr;
  }
  if (g_waitingDialog == this) g_waitingDialog = nullptr;
}

void olDialog::attachControls() {}
bool olDialog::onInitDialog() { return true; }

LRESULT olDialog::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool isMain = mainWindowHandle() == m_hwnd;
  switch (message) {
    case WM_CLOSE:
      if (isMain) destroyWindow(m_hwnd);
      else endDialog(IDCANCEL);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(m_font);
    case WM_COMMAND: {
      const int id = static_cast<int>(LOWORD(wParam));
      const uint32_t style = getStyle(m_hwnd);
      if ((id == IDOK || id == IDCANCEL) && !(style & WS_CHILD)) {
        HWND control = getDlgItem(m_hwnd, id);
        const bool usable = control && (getStyle(control) & WS_VISIBLE) && isWindowEnabled(control);
        if (usable || (id == IDCANCEL && (style & WS_SYSMENU) && !isMain)) {
          if (isMain) destroyWindow(m_hwnd);
          else endDialog(id);
          return 0;
        }
      }
      break;
    }
    case WM_HELP: applicationHelp(); return 0;
    default: break;
  }
  LRESULT result = defaultProc(message, wParam, lParam);
  if (message == WM_GETMINMAXINFO && m_minTrackWidth && m_minTrackHeight && lParam) {
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {m_minTrackWidth, m_minTrackHeight};
  }
  return result;
}

bool olDialog::preTranslateMessage(MSG& msg) { return isDialogMessage(m_hwnd, msg); }

void olDialog::endDialog(int code) {
  m_endCode = code;
  if (m_frame) m_frame->endCode = code;
  postMessage(m_hwnd, WM_NULL);
}

void olDialog::beginTemplate(int width, int height, bool popup, int itemCapacity) {
  size_t groups = static_cast<size_t>((std::max(itemCapacity, 0) + 3) / 4);
  m_template.assign(kHeaderBytes + groups * 4 * kItemBytes, 0);
  m_templateId = 0;
  put32(m_template, 0, popup ? kPopupTemplateStyle : kChildTemplateStyle);
  put32(m_template, 4, 0);
  put16(m_template, 8, 0);
  put16(m_template, 10, 0);
  put16(m_template, 12, 0);
  put16(m_template, 14, static_cast<uint16_t>(width));
  put16(m_template, 16, static_cast<uint16_t>(height));
  put16(m_template, 18, 0);  // no menu
  size_t at = 20;
  auto putString = [&](const olstring& text) {
    for (char16_t c : text) {
      put16(m_template, at, c);
      at += 2;
    }
    put16(m_template, at, 0);
    at += 2;
  };
  // The header keeps its fixed size: class, title and font face are cut to fit if needed.
  putString(m_className.substr(0, 10));
  putString(u"");
  put16(m_template, at, m_fontPointSize);
  at += 2;
  putString(m_fontFace.substr(0, (kHeaderBytes - at) / 2 - 1));
  m_templateUsed = kHeaderBytes;
}

void olDialog::addTemplateStyle(uint32_t styleBits) {
  if (m_template.size() < kHeaderBytes) return;
  put32(m_template, 0, get32(&m_template[0]) | styleBits);
}

bool olDialog::addTemplateItem(uint16_t kind, int id, int x, int y, int width, int height, uint32_t extraStyle) {
  if (m_template.size() < kHeaderBytes || kind < kTemplateButton || kind > kTemplateComboBox) return false;
  uint32_t style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  uint32_t exStyle = 0;
  switch (kind) {
    case kTemplateButton: style |= WS_TABSTOP; break;
    case kTemplateEdit:
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case kTemplateListBox:
      style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case kTemplateComboBox: style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST; break;
    default: break;
  }
  style |= extraStyle;
  size_t at = (m_templateUsed + 3) & ~size_t(3);
  if (at + kItemBytes > m_template.size()) m_template.resize(at + 4 * kItemBytes, 0);
  put32(m_template, at, style);
  put32(m_template, at + 4, exStyle);
  put16(m_template, at + 8, static_cast<uint16_t>(x));
  put16(m_template, at + 10, static_cast<uint16_t>(y));
  put16(m_template, at + 12, static_cast<uint16_t>(width));
  put16(m_template, at + 14, static_cast<uint16_t>(height));
  put16(m_template, at + 16, static_cast<uint16_t>(id));
  put16(m_template, at + 18, 0xFFFF);
  put16(m_template, at + 20, kind);
  put16(m_template, at + 22, 0);  // empty title
  put16(m_template, at + 24, 0);  // no creation data
  m_templateUsed = at + 26;
  put16(m_template, 8, static_cast<uint16_t>(get16(&m_template[8]) + 1));
  return true;
}

bool olDialog::createModeless(HWND owner) {
  if (m_hwnd || m_templateId != 0 || m_template.size() < kHeaderBytes) return false;
  const std::vector<uint8_t>& block = m_template;
  const size_t end = m_templateUsed;
  const uint32_t style = get32(&block[0]);
  const uint32_t exStyle = get32(&block[4]);
  const int count = get16(&block[8]);
  const int width = static_cast<int16_t>(get16(&block[14]));
  const int height = static_cast<int16_t>(get16(&block[16]));
  size_t at = 20;
  olstring className, title, face;
  if (!readString(block, end, at, className) || !readString(block, end, at, title)) return false;
  uint16_t pointSize = get16(&block[at]);
  at += 2;
  if (!readString(block, end, at, face)) return false;
  if (!className.empty()) {
    olWndClass dialogClass;
    dialogClass.name = className;
    dialogClass.baseClass = u"#32770";
    if (!registerClassOnce(dialogClass)) return false;
  } else {
    className = u"#32770";
  }

  const bool child = style & WS_CHILD;
  QWidget* ownerWidget = widgetOf(owner);
  if (child && !ownerWidget) return false;
  QFont font(toQString(face), pointSize);
  const olDialogBase base = dialogBaseUnits(font);
  auto px = [&](int units, bool horizontal) { return mulDiv(units, horizontal ? base.x : base.y, horizontal ? 4 : 8); };

  QWidget* widget = child ? new QWidget(ownerWidget) : new QWidget(ownerWidget, ownerWidget ? Qt::Dialog : Qt::Window);
  HWND hwnd = registerWidget(widget, className, style, exStyle, 0, child ? nullptr : owner);
  olWindowRecord* record = windowRecord(hwnd);
  record->procedure = defDlgProc;
  record->dialogProcedure = olSharedDialogProc;
  record->ownedFont = createFontObject(font);
  if (child) widget->setFocusPolicy(Qt::NoFocus);
  setWindowPos(hwnd, nullptr, 0, 0, px(width, true), px(height, false), SWP_NOZORDER | SWP_NOMOVE);
  if (!child) {
    // Until someone places it, a new top-level dialog waits where its owner is.
    RECT ownerRect = getWindowRect(owner);
    widget->move(ownerRect.left, ownerRect.top);
  }

  at = (at + 3) & ~size_t(3);
  for (int i = 0; i < count && at + 26 <= end; ++i) {
    const uint32_t itemStyle = get32(&block[at]);
    const uint32_t itemEx = get32(&block[at + 4]);
    const RECT rect{px(static_cast<int16_t>(get16(&block[at + 8])), true), px(static_cast<int16_t>(get16(&block[at + 10])), false),
                    px(static_cast<int16_t>(get16(&block[at + 8]) + get16(&block[at + 12])), true),
                    px(static_cast<int16_t>(get16(&block[at + 10]) + get16(&block[at + 14])), false)};
    const int id = get16(&block[at + 16]);
    const uint16_t atom = get16(&block[at + 20]);
    static const char16_t* const kKinds[] = {u"Button", u"Edit", u"Static", u"ListBox", u"ScrollBar", u"ComboBox"};
    if (atom >= kTemplateButton && atom <= kTemplateComboBox) {
      HWND control = createWindowEx(itemEx, kKinds[atom - kTemplateButton], u"", itemStyle, rect, hwnd, id);
      if (control) sendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(record->ownedFont), 0);
    }
    at = (at + 26 + 3) & ~size_t(3);
  }

  sendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(record->ownedFont), 0);
  g_waitingDialog = this;
  sendMessage(hwnd, WM_INITDIALOG, 0, 0);
  if (g_waitingDialog == this) g_waitingDialog = nullptr;
  if (m_hwnd != hwnd) {
    if (isWindow(hwnd)) destroyWindow(hwnd);
    return false;
  }
  if (style & WS_VISIBLE) showWindow(hwnd, SW_SHOW);
  return true;
}

int olDialog::runModal() {
  if (m_hwnd) return -1;
  HWND owner = modalOwner();
  const bool disabledOwner = owner && isWindowEnabled(owner);
  if (disabledOwner) enableWindow(owner, false);
  m_endCode = 0;
  if (g_frames.empty()) olApp::clearQuit();
  if (!createModeless(owner)) {
    if (disabledOwner) enableWindow(owner, true);
    return -1;
  }
  const HWND hwnd = m_hwnd;
  showWindow(hwnd, SW_SHOW);

  ModalFrame frame;
  frame.dialog = this;
  frame.hwnd = hwnd;
  m_frame = &frame;
  g_frames.push_back(&frame);
  QEventLoop loop;
  frame.loop = &loop;
  if (!frameShouldEnd(frame)) loop.exec(QEventLoop::DialogExec);
  g_frames.erase(std::find(g_frames.begin(), g_frames.end(), &frame));

  int code = frame.endCode;
  if (frame.dialog) {
    code = m_endCode;
    m_frame = nullptr;
  }
  if (disabledOwner && isWindow(owner)) enableWindow(owner, true);
  if (owner && getActiveWindow() == hwnd) setActiveWindow(owner);
  if (isWindow(hwnd)) destroyWindow(hwnd);
  // A quit ends every loop, the outer ones as well.
  if (olApp::quitReceived() && !g_frames.empty()) g_frames.back()->loop->exit();
  return code;
}

void olDialog::endAllModalLoops(int code) {
  for (ModalFrame* frame : g_frames) {
    frame->endCode = code;
    if (frame->dialog) frame->dialog->m_endCode = code;
    frame->loop->exit();
  }
}

bool modalHooksConsume(MSG& msg) {
  if (g_frames.empty()) return false;
  ModalFrame* frame = g_frames.back();
  olDialog* dialog = frame->dialog;
  if (!dialog || !dialog->hwnd()) return false;
  if (dialog->filterMessage(msg)) return true;
  return dialog->preTranslateMessage(msg);
}

bool modalNavigationConsumes(MSG& msg) {
  if (g_frames.empty()) return false;
  olDialog* dialog = g_frames.back()->dialog;
  if (!dialog || !dialog->hwnd()) return false;
  return dialog->preTranslateMessage(msg);
}

size_t modalLoopDepth() { return g_frames.size(); }

void checkModalLoops() {
  if (g_frames.empty()) return;
  if (olApp::quitReceived()) {
    for (ModalFrame* frame : g_frames) frame->loop->exit();
    return;
  }
  ModalFrame* frame = g_frames.back();
  if (frameShouldEnd(*frame)) frame->loop->exit();
}

bool isDialogMessage(HWND dialog, MSG& msg) {
  if (!dialog || !msg.hwnd || msg.message != WM_KEYDOWN) return false;
  if (msg.hwnd != dialog && !isChild(dialog, msg.hwnd)) return false;
  if (msg.keyModifiers & kModAlt) return false;
  if (msg.wParam == VK_F1 && !(msg.keyModifiers & (kModCtrl | kModShift))) {
    sendMessage(dialog, WM_HELP);
    return true;
  }
  if (msg.wParam == VK_ESCAPE) {
    sendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(getDlgItem(dialog, IDCANCEL)));
    return true;
  }
  if (msg.wParam == VK_RETURN) {
    // A focused push button answers Enter itself; otherwise the default button does.
    int id = IDOK;
    HWND control = nullptr;
    if (qobject_cast<QPushButton*>(widgetOf(msg.hwnd)) && getParent(msg.hwnd)) {
      id = getDlgCtrlID(msg.hwnd);
      control = msg.hwnd;
    } else {
      for (HWND child : childWindows(dialog)) {
        if ((getStyle(child) & BS_TYPEMASK) == BS_DEFPUSHBUTTON && windowClassName(child) == u"Button") {
          id = getDlgCtrlID(child);
          break;
        }
      }
      control = getDlgItem(dialog, id);
    }
    // The command goes to the dialog that holds the control; whether it ends anything is
    // that dialog's decision (a hidden or disabled OK does not).
    HWND target = control == msg.hwnd && getParent(control) ? getParent(control) : dialog;
    sendMessage(target, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return true;
  }
  return false;
}

bool centreOnOwner(HWND hwnd, HWND owner) {
  if (!isWindow(hwnd) || !isTopLevel(hwnd)) return false;
  const RECT window = getWindowRect(hwnd);
  RECT work, base;
  if (owner && isWindowVisible(owner) && !isIconic(owner)) {
    base = getWindowRect(owner);
    work = monitorWorkArea(owner);
  } else {
    work = monitorWorkArea(nullptr);
    base = work;
  }
  int x = base.left + (base.width() - window.width()) / 2;
  int y = base.top + (base.height() - window.height()) / 2;
  if (!work.isEmpty()) {
    if (x + window.width() > work.right) x = work.right - window.width();
    if (y + window.height() > work.bottom) y = work.bottom - window.height();
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
  }
  return setWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- olBaseDlg

olBaseDlg::olBaseDlg() = default;
olBaseDlg::~olBaseDlg() = default;

void olBaseDlg::initPlacement() {}
void olBaseDlg::layoutControls() {}
void olBaseDlg::updateControls() {}
void olBaseDlg::loadTexts() {}
void olBaseDlg::paintClient(HDC, const RECT&) {}

bool olBaseDlg::isFixedSize() const {
  return m_minTrackWidth && m_minTrackWidth == m_maxTrackWidth && m_minTrackHeight == m_maxTrackHeight;
}

void olBaseDlg::setTrackSizes(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  m_minTrackWidth = minWidth;
  m_minTrackHeight = minHeight;
  m_maxTrackWidth = maxWidth;
  m_maxTrackHeight = maxHeight;
  if (m_hwnd) applyTrackSizes(m_hwnd);
}

bool olBaseDlg::onInitDialog() {
  m_minTrackWidth = m_minTrackHeight = m_maxTrackWidth = m_maxTrackHeight = 0;
  sendMessage(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont()), 1);
  initPlacement();
  loadTexts();
  updateControls();
  layoutControls();
  m_initialised = true;
  return true;
}

LRESULT olBaseDlg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      olPaintDC dc(m_hwnd);
      if (dc.dc()) {
        RECT client = getClientRect(m_hwnd);
        fillSolidRect(dc.dc(), client, themeColour(olThemeSlot::face));
        paintClient(dc.dc(), client);
      }
      return 0;
    }
    case WM_DPICHANGED: return 0;
    case WM_NCDESTROY: m_initialised = false; break;
    case WM_ERASEBKGND:
      if (!isSystemTheme()) return 1;
      break;
    case WM_SYSCOLORCHANGE:
      if (reinterpret_cast<const void*>(lParam) == themeMarker()) {
        for (HWND child : childWindows(m_hwnd)) postMessage(child, WM_SYSCOLORCHANGE, wParam, lParam);
        if (isWindowVisible(m_hwnd)) {
          applyControlTheme(m_hwnd);
          invalidateRect(m_hwnd);
        }
        return 0;
      }
      break;
    case WM_GETMINMAXINFO: {
      LRESULT result = olDialog::windowProc(message, wParam, lParam);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (info && m_minTrackWidth && m_minTrackHeight) info->ptMinTrackSize = {m_minTrackWidth, m_minTrackHeight};
      if (info && m_maxTrackWidth && m_maxTrackHeight) info->ptMaxTrackSize = {m_maxTrackWidth, m_maxTrackHeight};
      return result;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      if (!isSystemTheme()) return reinterpret_cast<LRESULT>(themeBrush(olThemeSlot::face));
      break;
    case WM_NCHITTEST:
      if (isFixedSize()) {
        LRESULT hit = olDialog::windowProc(message, wParam, lParam);
        return (hit >= 10 && hit <= 17) ? HTBORDER : hit;
      }
      break;
    default: break;
  }
  const HWND hwnd = m_hwnd;
  LRESULT result = olDialog::windowProc(message, wParam, lParam);
  if (!m_hwnd || m_hwnd != hwnd) return result;
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && !childWindows(m_hwnd).empty()) layoutControls();
      break;
    case WM_SETFONT:
      if (m_initialised && isTopLevel(m_hwnd)) layoutControls();
      break;
    case WM_SETFOCUS:
      if (!isTopLevel(m_hwnd)) {
        HWND first = firstTabStop(m_hwnd);
        if (!first) first = firstTabStop(getParent(m_hwnd));
        if (first) postMessage(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), 1);
      }
      break;
    default: break;
  }
  return result;
}
