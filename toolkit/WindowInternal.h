// The toolkit's private bridge between handles and Qt: the window record behind each
// handle, the event bridge, the control procedures and the conversions the toolkit's own
// sources share. Not for application code.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>

#include "toolkit/PaintDC.h"
#include "toolkit/Window.h"

class QApplication;
class QEvent;
class QKeyEvent;
class QPaintEvent;
class QPalette;

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
  HICON icons[2] = {nullptr, nullptr};
  HFONT ownedFont = nullptr;  // the template font a dialog made for itself
  olstring text;  // the text of a window that has no Qt text of its own
  bool bridged = false;  // Qt events of this widget arrive as messages
};

// ---- records (WindowRecords.cpp)

olWindowRecord* windowRecord(HWND hwnd);
QWidget* widgetOf(HWND hwnd);
// The handle of a widget the toolkit made or adopted; nullptr for any other widget. A
// look-up never creates a handle.
HWND handleOf(const QWidget* widget);
// The handle of the widget or of the nearest of its parents that has one, within its
// top-level window (a Qt part inside a toolkit window stands for that window).
HWND nearestHandle(const QWidget* widget);
// Binds a freshly made widget to a new handle; with bridged, its Qt events arrive as messages.
enum class olBridge { off, on };
HWND registerWidget(QWidget* widget, const olstring& className, uint32_t style, uint32_t exStyle, int id,
                    HWND owner, olBridge bridge = olBridge::on);
// Drops the record of a window that is gone, and the window from every table that names it.
void forgetHandle(HWND hwnd);
// How many windows exist (tests check that none outlives its test).
size_t liveWindowCount();

// Fonts behind HFONT handles.
HFONT createFontObject(const QFont& font);
void deleteFontObject(HFONT font);
QFont qfontOf(HFONT font);

// Texts (toQString, toQColor and toQRect are public, in toolkit/PaintDC.h).
olstring fromQString(const QString& text);

// Geometry.
inline RECT fromQRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

// Colours.
inline COLORREF fromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// ---- the event bridge (EventBridge.cpp)

// Makes the Qt events of a window arrive as messages.
void installBridge(HWND hwnd);
void removeBridge(QWidget* widget);
// The one translation of queued input: the key, mouse button, mouse move or wheel message
// a Qt event stands for, addressed to hwnd, with the modifier state of the event. message
// is 0 for any other event.
MSG inputMessage(HWND hwnd, const QEvent* event);
// True for the Qt events inputMessage translates.
bool isQueuedInput(const QEvent* event);
// Default processing of a message that stands for a Qt event being delivered right now:
// Qt goes on with the event as if nobody had looked at it. False for any other message.
bool passEventToQt(HWND hwnd, UINT message);
// The paint event being delivered through WM_PAINT to hwnd, or nullptr.
QPaintEvent* currentPaintEvent(HWND hwnd);
// The mouse moved over the window (nullptr: over no toolkit window). A window that tracks
// hover and saw the mouse before hears WM_MOUSELEAVE once the mouse is elsewhere.
void noteMouseOver(HWND hwnd);
// The mouse capture and hover forget a window that is going away.
void forgetMouse(HWND hwnd);

// ---- keys (KeyMap.cpp)

// The modifier bits of a Qt modifier set.
unsigned modifierBits(Qt::KeyboardModifiers modifiers);
// The virtual key of a key event: named keys by name, punctuation by its OEM code, letters
// and digits by the typed key, or by the layout-independent key where the typed one is
// not Latin. 0 when the key has no virtual key.
unsigned virtualKeyOf(const QKeyEvent& key);

// ---- procedures (ControlProcs.cpp, Dialog.cpp)

LRESULT buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT listBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT comboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The standard dialog class's procedure: the dialog procedure first, then defWindowProc.
LRESULT defDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The procedure a class's windows start with (defWindowProc for an unknown class).
WNDPROC classProcedure(olstring_view className);
// Calls the procedure installed for the window (nothing for an unknown handle).
LRESULT callProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A control tells its parent about itself (WM_COMMAND with the control's id and code).
void notifyParent(HWND control, UINT code);

// ---- the message queue (MessageQueue.cpp)

// The Qt application whose event dispatch passes queued messages through the hooks.
std::unique_ptr<QApplication> createGuiApplication(int& argc, char** argv);

// ---- hooks between the toolkit's own sources

void timersForgetWindow(HWND hwnd);
// A window was bound to its object: a screen reader's view of it follows the object's kind.
void accessibleWindowBound(HWND hwnd);
void tooltipForgetWindow(HWND hwnd);
void hotkeysForgetWindow(HWND hwnd);
bool timersDispatch(HWND hwnd, UINT id);  // true when a timer object took WM_TIMER
HWND mainWindowHandle();
void applicationHelp();
// Window objects waiting to be bound by their first message (set by creation).
extern olWnd* g_waitingObject;

// The dialog units of a font: the average character width and the character height.
struct olDialogBase {
  int x;
  int y;
};
olDialogBase dialogBaseUnits(const QFont& font);

// The application icon, drawn at any size.
class QIcon;
QIcon appIcon();

// The platform palette (System Default) and the one made from the current theme.
QPalette themePalette();
// Re-reads the colours of every owner-drawn menu and of the shared tooltip.
void menusReadTheme();
