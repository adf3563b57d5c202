// The handle-to-object map, the window object's binding, and the shared window procedure
// with its reflection of control notifications to the control's own object.
#include "toolkit/WindowInternal.h"

// ---- the map

olWndMap& olWndMap::instance() {
  static olWndMap map;
  return map;
}

olWnd* olWndMap::find(HWND hwnd) const {
  auto found = m_map.find(hwnd);
  return found == m_map.end() ? nullptr : found->second;
}

olWndMap::~olWndMap() {
  while (!m_map.empty()) m_map.begin()->second->unbind(olUnbind::keepWindow);
}

// ---- the object

olWnd::olWnd() = default;

olWnd::~olWnd() { unbind(olUnbind::destroyWindow); }

LRESULT olWnd::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HELP) {
    applicationHelp();
    return 0;
  }
  return defaultProc(message, wParam, lParam);
}

LRESULT olWnd::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_previousProc && m_previousProc != olSharedWindowProc) return m_previousProc(m_hwnd, message, wParam, lParam);
  return defWindowProc(m_hwnd, message, wParam, lParam);
}

bool olWnd::preTranslateMessage(MSG&) { return false; }
void olWnd::onAttached() {}
bool olWnd::filterMessage(MSG&) { return false; }
void olWnd::onDrawItem(DRAWITEMSTRUCT&) { m_notHandled[kDrawItemMark] = 1; }
void olWnd::onMeasureItem(MEASUREITEMSTRUCT&) { m_notHandled[kMeasureItemMark] = 1; }
int olWnd::onCompareItem(const COMPAREITEMSTRUCT& item) {
  m_notHandled[kCompareItemMark] = 1;
  return item.itemData1 < item.itemData2 ? -1 : item.itemData1 > item.itemData2 ? 1 : 0;
}
bool olWnd::onNotify(NMHDR&, LRESULT& result) {
  result = 0;
  return false;
}
bool olWnd::onCommand(UINT) { return false; }
void olWnd::onCtlColor(HDC, HBRUSH&) {}

bool olWnd::attachDlgItem(HWND parent, int id) {
  if (m_hwnd) return false;
  HWND child = getDlgItem(parent, id);
  return child && attach(child);
}

bool olWnd::attach(HWND hwnd) {
  if (hwnd && hwnd == m_hwnd) return true;
  if (m_hwnd || !hwnd || !isWindow(hwnd) || olWndMap::instance().find(hwnd)) return false;
  if (auto font = reinterpret_cast<HFONT>(sendMessage(hwnd, WM_GETFONT))) m_font = font;
  installBridge(hwnd);
  WNDPROC current = windowProcedure(hwnd);
  if (current != olSharedWindowProc) {
    m_previousProc = current;
    setWindowProcedure(hwnd, olSharedWindowProc);
  }
  m_hwnd = hwnd;
  olWndMap::instance().m_map[hwnd] = this;
  accessibleWindowBound(hwnd);
  onAttached();
  return true;
}

void olWnd::unbind(olUnbind how) {
  HWND hwnd = m_hwnd;
  if (!hwnd) return;
  if (windowProcedure(hwnd) == olSharedWindowProc && m_previousProc) setWindowProcedure(hwnd, m_previousProc);
  olWndMap::instance().m_map.erase(hwnd);
  m_hwnd = nullptr;
  m_previousProc = nullptr;
  m_font = nullptr;
  m_minTrackWidth = m_minTrackHeight = 0;
  if (how == olUnbind::destroyWindow && isWindow(hwnd)) destroyWindow(hwnd);
}

void olWnd::setMinTrackSize(int width, int height) {
  m_minTrackWidth = width;
  m_minTrackHeight = height;
}

// ---- reflection

namespace {

olWnd* findDescendantObjectById(HWND parent, int id) {
  for (HWND child : childWindows(parent)) {
    if (getDlgCtrlID(child) == id)
      if (olWnd* object = olWndMap::instance().find(child)) return object;
    if (olWnd* deeper = findDescendantObjectById(child, id)) return deeper;
  }
  return nullptr;
}

bool reflectDrawItem(LPARAM lParam, LRESULT& result) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
  if (!item || item->CtlType == ODT_MENU) return false;
  olWnd* control = olWndMap::instance().find(item->hwndItem);
  if (!control) return false;
  control->clearNotHandledMarks();
  control->onDrawItem(*item);
  result = 1;
  return !control->notHandledMark(olWnd::kDrawItemMark);
}

bool reflectMeasureItem(HWND hwnd, LPARAM lParam, LRESULT& result) {
  auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
  if (!item || item->CtlType == ODT_MENU) return false;
  olWnd* control = findDescendantObjectById(hwnd, static_cast<int>(item->CtlID));
  if (!control) return false;
  control->clearNotHandledMarks();
  control->onMeasureItem(*item);
  result = 1;
  return !control->notHandledMark(olWnd::kMeasureItemMark);
}

bool reflectCompareItem(LPARAM lParam, LRESULT& result) {
  auto* item = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam);
  olWnd* control = item ? olWndMap::instance().find(item->hwndItem) : nullptr;
  if (!control) return false;
  control->clearNotHandledMarks();
  result = control->onCompareItem(*item);
  return !control->notHandledMark(olWnd::kCompareItemMark);
}

bool reflectNotify(LPARAM lParam, LRESULT& result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header || header->idFrom == 0) return false;
  olWnd* control = olWndMap::instance().find(header->hwndFrom);
  LRESULT answer = 0;
  if (!control || !control->onNotify(*header, answer)) return false;
  result = answer;
  return true;
}

bool reflectCommand(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (lParam == 0 || LOWORD(wParam) == 0) return false;
  olWnd* control = olWndMap::instance().find(reinterpret_cast<HWND>(lParam));
  if (!control || !control->onCommand(HIWORD(wParam))) return false;
  result = 0;
  return true;
}

// Offers a control's own notification to the control's object; true when it took it.
bool reflect(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_DRAWITEM: return reflectDrawItem(lParam, result);
    case WM_MEASUREITEM: return reflectMeasureItem(hwnd, lParam, result);
    case WM_COMPAREITEM: return reflectCompareItem(lParam, result);
    case WM_NOTIFY: return reflectNotify(lParam, result);
    case WM_COMMAND: return reflectCommand(wParam, lParam, result);
    default: return false;
  }
}

bool isControlColourMessage(UINT message) {
  return message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLORBTN ||
         message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORSTATIC;
}

// The object waiting to be created takes the window its first message comes from.
olWnd* bindWaitingObject(HWND hwnd, UINT message) {
  if ((message != WM_NCCREATE && message != WM_CREATE) || !g_waitingObject) return nullptr;
  olWnd* waiting = g_waitingObject;
  g_waitingObject = nullptr;
  waiting->attach(hwnd);
  return olWndMap::instance().find(hwnd);
}

}  // namespace

LRESULT olSharedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  olWndMap& map = olWndMap::instance();
  olWnd* object = map.find(hwnd);
  if (!object) object = bindWaitingObject(hwnd, message);
  if (!object) return defWindowProc(hwnd, message, wParam, lParam);
  if (message == WM_SETFONT) {
    object->m_font = reinterpret_cast<HFONT>(wParam);
    for (HWND child : childWindows(hwnd)) sendMessage(child, WM_SETFONT, wParam, lParam);
  }
  LRESULT result = 0;
  if (!reflect(hwnd, message, wParam, lParam, result)) result = object->windowProc(message, wParam, lParam);

  if (isControlColourMessage(message)) {
    if (olWnd* control = map.find(reinterpret_cast<HWND>(lParam))) {
      auto brush = reinterpret_cast<HBRUSH>(result);
      control->onCtlColor(reinterpret_cast<HDC>(wParam), brush);
      result = reinterpret_cast<LRESULT>(brush);
    }
  } else if (message == WM_DESTROY && hwnd == mainWindowHandle()) {
    postQuitMessage(0);
  } else if (message == WM_NCDESTROY) {
    if (olWnd* bound = map.find(hwnd)) bound->unbind(olUnbind::keepWindow);
  }
  return result;
}
