// Dialog creation from in-memory templates, the modal loop, the dialog manager's keyboard
// handling, centring, and the themed dialog base.
#include "toolkit/Dialog.h"

#include <QPushButton>
#include <QWidget>

#include <cmath>

#include "foundation/SoftCheck.h"
#include "toolkit/Accessible.h"
#include "toolkit/App.h"
#include "toolkit/DialogTemplate.h"
#include "toolkit/ModalStack.h"
#include "toolkit/PaintDC.h"
#include "toolkit/WindowInternal.h"

namespace {

olDialog* g_waitingDialog = nullptr;

int mulDiv(int value, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
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

// The class of each predefined template kind, from kTemplateButton on.
const char16_t* const kTemplateClasses[] = {u"Button", u"Edit", u"Static", u"ListBox", u"ScrollBar", u"ComboBox"};

// The styles a template item gets by its kind.
void itemStylesOf(uint16_t kind, uint32_t& style, uint32_t& exStyle) {
  style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  exStyle = 0;
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
}

}  // namespace

LRESULT defDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  LRESULT result = 0;
  if (record->dialogProcedure && record->dialogProcedure(hwnd, message, wParam, lParam, result)) return result;
  return defWindowProc(hwnd, message, wParam, lParam);
}

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
  if (m_modalEntry) {
    // Deleted inside its own loop: the loop ends with the code it had, and never touches us.
    m_modalEntry->endCode = m_endCode;
    m_modalEntry->dialog = nullptr;
    m_modalEntry = nullptr;
    modal_stack::endLoopsThatAreDone();
  }
  if (g_waitingDialog == this) g_waitingDialog = nullptr;
}

LPARAM olDialog::controlParam(int id) const { return reinterpret_cast<LPARAM>(getDlgItem(m_hwnd, id)); }

void olDialog::attachControls() {}
bool olDialog::onInitDialog() { return true; }

LRESULT olDialog::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const bool isMain = mainWindowHandle() == m_hwnd;
  switch (message) {
    case WM_CLOSE:
      // The close box of a modeless dialog is its Cancel, as Escape is.
      if (isMain) destroyWindow(m_hwnd);
      else if (!m_modalEntry) sendMessage(m_hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), controlParam(IDCANCEL));
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
  if (m_modalEntry) m_modalEntry->endCode = code;
  postMessage(m_hwnd, WM_NULL);
}

void olDialog::beginTemplate(int width, int height, olTemplate kind, int itemCapacity) {
  const uint32_t style = kind == olTemplate::popup ? dialog_template::kPopupStyle : dialog_template::kChildStyle;
  m_template = dialog_template::begin(style, width, height, itemCapacity, m_className, m_fontPointSize, m_fontFace);
  m_templateId = 0;
  m_templateUsed = dialog_template::kHeaderBytes;
}

void olDialog::addTemplateStyle(uint32_t styleBits) { dialog_template::addStyle(m_template, styleBits); }

bool olDialog::addTemplateItem(uint16_t kind, int id, int x, int y, int width, int height, uint32_t extraStyle) {
  if (m_template.size() < dialog_template::kHeaderBytes || kind < kTemplateButton || kind > kTemplateComboBox)
    return false;
  dialog_template::Item item{0, 0, x, y, width, height, id, kind};
  itemStylesOf(kind, item.style, item.exStyle);
  item.style |= extraStyle;
  m_templateUsed = dialog_template::appendItem(m_template, m_templateUsed, item);
  return true;
}

HWND olDialog::createFromTemplate(HWND owner, uint32_t& style) {
  dialog_template::Header header;
  if (!dialog_template::readHeader(m_template, m_templateUsed, header)) return nullptr;
  style = header.style;
  olstring className = header.className;
  if (!className.empty()) {
    olWndClass dialogClass;
    dialogClass.name = className;
    dialogClass.baseClass = u"#32770";
    if (!registerClassOnce(dialogClass)) return nullptr;
  } else {
    className = u"#32770";
  }

  const bool child = header.style & WS_CHILD;
  QWidget* ownerWidget = widgetOf(owner);
  if (child && !ownerWidget) return nullptr;
  QFont font(toQString(header.fontFace), header.pointSize);
  const olDialogBase base = dialogBaseUnits(font);
  auto pxX = [&](int units) { return mulDiv(units, base.x, 4); };
  auto pxY = [&](int units) { return mulDiv(units, base.y, 8); };

  QWidget* widget = child ? new QWidget(ownerWidget) : new QWidget(ownerWidget, ownerWidget ? Qt::Dialog : Qt::Window);
  HWND hwnd = registerWidget(widget, className, header.style, header.exStyle, 0, child ? nullptr : owner);
  olWindowRecord* record = windowRecord(hwnd);
  record->procedure = classProcedure(className);
  record->dialogProcedure = olSharedDialogProc;
  record->ownedFont = createFontObject(font);
  if (child) widget->setFocusPolicy(Qt::NoFocus);
  setWindowPos(hwnd, nullptr, 0, 0, pxX(header.width), pxY(header.height), SWP_NOZORDER | SWP_NOMOVE);
  if (!child) {
    // Until someone places it, a new top-level dialog waits where its owner is.
    RECT ownerRect = getWindowRect(owner);
    widget->move(ownerRect.left, ownerRect.top);
  }

  size_t at = header.firstItem;
  dialog_template::Item item;
  for (int i = 0; i < header.itemCount && dialog_template::readItem(m_template, m_templateUsed, at, item); ++i) {
    if (item.kind < kTemplateButton || item.kind > kTemplateComboBox) continue;
    const RECT rect{pxX(item.x), pxY(item.y), pxX(item.x + item.width), pxY(item.y + item.height)};
    HWND control = createWindowEx(item.exStyle, kTemplateClasses[item.kind - kTemplateButton], u"", item.style, rect,
                                  hwnd, item.id);
    if (control) sendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(record->ownedFont), 0);
  }
  sendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(record->ownedFont), 0);
  return hwnd;
}

bool olDialog::createModeless(HWND owner) {
  MIRRANE_CHECK(!m_hwnd, return false);
  if (m_templateId != 0) return false;
  uint32_t style = 0;
  const HWND hwnd = createFromTemplate(owner, style);
  if (!hwnd) return false;
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
  // A dialog that is open already cannot run a loop of its own as well.
  MIRRANE_CHECK(!m_hwnd, return -1);
  HWND owner = modal_stack::ownerForNewDialog();
  const bool disabledOwner = owner && isWindowEnabled(owner);
  if (disabledOwner) enableWindow(owner, false);
  m_endCode = 0;
  MIRRANE_CHECK(createModeless(owner), {
    if (disabledOwner) enableWindow(owner, true);
    return -1;
  });
  const HWND hwnd = m_hwnd;
  // The window manager learns it too, so that it keeps the dialog above its owner and does
  // not offer the owner's close box meanwhile.
  if (QWidget* widget = widgetOf(hwnd); widget && widgetOf(owner)) widget->setWindowModality(Qt::WindowModal);
  showWindow(hwnd, SW_SHOW);

  olModalEntry entry;
  entry.dialog = this;
  entry.hwnd = hwnd;
  m_modalEntry = &entry;
  modal_stack::run(entry);

  int code = entry.endCode;
  if (entry.dialog) {
    code = m_endCode;
    m_modalEntry = nullptr;
  }
  if (disabledOwner && isWindow(owner)) enableWindow(owner, true);
  if (owner && getActiveWindow() == hwnd) setActiveWindow(owner);
  if (isWindow(hwnd)) destroyWindow(hwnd);
  return code;
}

void olDialog::endAllModalLoops(int code) { modal_stack::endAllDialogs(code); }

namespace {

// Whether the control a key goes to claims it for itself (WM_GETDLGCODE).
bool controlClaimsKey(MSG& msg) {
  const LRESULT wanted = sendMessage(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (wanted & DLGC_WANTMESSAGE) return true;
  switch (msg.wParam) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: return wanted & DLGC_WANTARROWS;
    case VK_TAB: return wanted & DLGC_WANTTAB;
    default: return false;
  }
}

}  // namespace

bool isDialogMessage(HWND dialog, MSG& msg) {
  if (!dialog || !msg.hwnd || msg.message != WM_KEYDOWN) return false;
  if (msg.hwnd != dialog && !isChild(dialog, msg.hwnd)) return false;
  if (msg.keyModifiers & kModAlt) return false;
  if (controlClaimsKey(msg)) return false;
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

namespace {
UINT g_reloadTextsMessage = 0;
}  // namespace

void olBaseDlg::setReloadTextsMessage(UINT message) { g_reloadTextsMessage = message; }
UINT olBaseDlg::reloadTextsMessage() { return g_reloadTextsMessage; }

void olBaseDlg::reloadTexts() {
  if (!m_initialised) return;
  loadTexts();
  updateControls();
  layoutControls();
  invalidateRect(m_hwnd);
  announceAccessibleParts(m_hwnd);
  // A panel inside the dialog has texts of its own.
  for (HWND child : childWindows(m_hwnd)) {
    if (dynamic_cast<olBaseDlg*>(olWndMap::instance().find(child))) sendMessage(child, g_reloadTextsMessage, 1, 0);
  }
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
  if (message != 0 && message == g_reloadTextsMessage && LOWORD(wParam) == 1) {
    reloadTexts();
    return 0;
  }
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
      if (!platformPainting()) return 1;
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
      if (!platformPainting()) return reinterpret_cast<LRESULT>(themeBrush(olThemeSlot::face));
      break;
    case WM_NCHITTEST:
      if (isFixedSize()) {
        LRESULT hit = olDialog::windowProc(message, wParam, lParam);
        return (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) ? HTBORDER : hit;
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
