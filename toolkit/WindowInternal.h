// The toolkit's private bridge between handles and Qt: the window record behind each
// handle and the conversions the toolkit's own sources share. Not for application code.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include "toolkit/Window.h"

class QPaintEvent;

using DLGPROC = bool (*)(HWND, UINT, WPARAM, LPARAM, LRESULT& result);

// What the window system knows of one window.
struct olWindowRecord {
  QPointer<QWidget> widget;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int id = 0;
  olstring className;
  WNDPROC procedure = nullptr;  // nullptr: defWindowProc
  DLGPROC dialogProcedure = nullptr;  // set for dialogs
  HFONT font = nullptr;
  HWND owner = nullptr;
  int nonClientRight = 0;  // width taken from the client area at the right (scroll bars)
  bool disabledTopLevel = false;  // a disabled top-level window keeps its children's looks
  bool redraw = true;
  HICON icons[2] = {nullptr, nullptr};
  LPARAM userData = 0;
  HFONT ownedFont = nullptr;  // the template font a dialog made for itself
  bool bridged = false;  // Qt events of this widget arrive as messages
};

olWindowRecord* windowRecord(HWND hwnd);
QWidget* widgetOf(HWND hwnd);
// The handle of a widget; with create, a widget the toolkit did not make gets one.
HWND handleOf(const QWidget* widget, bool create = true);
// Binds a freshly made widget to a new handle; installs the event bridge.
HWND registerWidget(QWidget* widget, const olstring& className, uint32_t style, uint32_t exStyle, int id,
                    HWND owner, bool bridged = true);
// Makes the Qt events of a window arrive as messages (windows the toolkit did not make).
void ensureBridge(HWND hwnd);

// Fonts behind HFONT handles.
HFONT createFontObject(const QFont& font);
void deleteFontObject(HFONT font);
QFont qfontOf(HFONT font);

// Texts.
QString toQString(olstring_view text);
olstring fromQString(const QString& text);

// Geometry.
inline QRect toQRect(const RECT& r) { return QRect(r.left, r.top, r.width(), r.height()); }
inline RECT fromQRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

// Colours.
inline QColor toQColor(COLORREF c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline COLORREF fromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// The paint event being delivered through WM_PAINT to hwnd, or nullptr.
QPaintEvent* currentPaintEvent(HWND hwnd);

// The modifier bits of a Qt modifier set, and the virtual key of a Qt key.
unsigned modifierBits(Qt::KeyboardModifiers modifiers);
unsigned virtualKeyOf(int qtKey);

// How many windows exist (tests check that none outlives its test).
size_t liveWindowCount();

// Hooks between the toolkit's own sources.
void timersForgetWindow(HWND hwnd);
bool timersDispatch(HWND hwnd, UINT id);  // true when a timer object took WM_TIMER
HWND mainWindowHandle();
void applicationHelp();
// Dialog objects waiting to be bound by their first message (set by creation).
extern olWnd* g_waitingObject;

// The dialog units of a font: the average character width and the character height.
struct olDialogBase {
  int x;
  int y;
};
olDialogBase dialogBaseUnits(const QFont& font);

// The platform palette (System Default) and the one made from the current theme.
class QPalette;
QPalette themePalette();
// Re-reads the colours of every owner-drawn menu and of the shared tooltip.
void menusReadTheme();
