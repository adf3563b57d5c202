// The handle records: which widget stands behind each window handle, the reverse look-up,
// and the font objects and text conversions every toolkit source shares.
#include <QApplication>
#include <QHash>

#include <unordered_map>

#include "toolkit/WindowInternal.h"

olWnd* g_waitingObject = nullptr;

namespace {

// Handles are plain numbers that are never reused.
uintptr_t g_nextHandle = 0x10000;
constexpr uintptr_t kHandleStep = 4;

std::unordered_map<HWND, olWindowRecord>& records() {
  static std::unordered_map<HWND, olWindowRecord> map;
  return map;
}
QHash<const QWidget*, HWND>& handlesByWidget() {
  static QHash<const QWidget*, HWND> map;
  return map;
}

}  // namespace

olWindowRecord* windowRecord(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto found = records().find(hwnd);
  if (found == records().end() || !found->second.widget) return nullptr;
  return &found->second;
}

QWidget* widgetOf(HWND hwnd) {
  olWindowRecord* record = windowRecord(hwnd);
  return record ? record->widget.data() : nullptr;
}

HWND handleOf(const QWidget* widget) { return widget ? handlesByWidget().value(widget, nullptr) : nullptr; }

HWND nearestHandle(const QWidget* widget) {
  for (const QWidget* up = widget; up; up = up->isWindow() ? nullptr : up->parentWidget())
    if (HWND hwnd = handleOf(up)) return hwnd;
  return nullptr;
}

HWND registerWidget(QWidget* widget, const olstring& className, uint32_t style, uint32_t exStyle, int id, HWND owner,
                    olBridge bridge) {
  HWND hwnd = reinterpret_cast<HWND>(g_nextHandle);
  g_nextHandle += kHandleStep;
  olWindowRecord record;
  record.widget = widget;
  record.className = className;
  record.style = style & ~(WS_VISIBLE | WS_DISABLED);
  record.exStyle = exStyle;
  record.id = id;
  record.owner = owner;
  record.procedure = defWindowProc;
  records()[hwnd] = record;
  handlesByWidget().insert(widget, hwnd);
  if (bridge == olBridge::on) installBridge(hwnd);
  QObject::connect(widget, &QObject::destroyed, [hwnd] {
    // Qt took the widget away (its parent went): the object learns it as usual.
    if (records().count(hwnd)) {
      if (olWnd* object = olWndMap::instance().find(hwnd)) object->unbind(olUnbind::keepWindow);
      forgetHandle(hwnd);
    }
  });
  return hwnd;
}

void forgetHandle(HWND hwnd) {
  auto found = records().find(hwnd);
  if (found == records().end()) return;
  timersForgetWindow(hwnd);
  tooltipForgetWindow(hwnd);
  hotkeysForgetWindow(hwnd);
  forgetMouse(hwnd);
  deleteFontObject(found->second.ownedFont);
  if (QWidget* widget = found->second.widget) {
    removeBridge(widget);
    handlesByWidget().remove(widget);
  } else {
    // The widget is gone already: find its entry by handle.
    for (auto it = handlesByWidget().begin(); it != handlesByWidget().end(); ++it) {
      if (it.value() == hwnd) {
        handlesByWidget().erase(it);
        break;
      }
    }
  }
  records().erase(found);
}

size_t liveWindowCount() {
  size_t count = 0;
  for (const auto& [hwnd, record] : records())
    if (record.widget) ++count;
  return count;
}

QString toQString(olstring_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}
olstring fromQString(const QString& text) {
  return olstring(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

struct olFontObject {
  QFont font;
};
HFONT createFontObject(const QFont& font) { return new olFontObject{font}; }
void deleteFontObject(HFONT font) { delete font; }
QFont qfontOf(HFONT font) { return font ? font->font : QApplication::font(); }
