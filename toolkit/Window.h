// The window core: window handles bound to objects through one process-wide map, one
// shared window procedure through which every message of a bound window passes, the
// reflection of control notifications to the control's own object, and the window
// operations application code uses instead of touching Qt. No Qt type appears here.
#pragma once

#include <map>
#include <vector>

#include "toolkit/Messages.h"
#include "toolkit/Types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

class olWnd;

// What unbinding does to the window: it stays, or it is destroyed with the binding.
enum class olUnbind { keepWindow, destroyWindow };

// The handle-to-object map, one per process. An entry exists exactly while an object is
// bound. When the map is destroyed (process end) every object still in it is unbound
// without destroying its window.
class olWndMap {
public:
  static olWndMap& instance();
  olWnd* find(HWND hwnd) const;
  size_t size() const { return m_map.size(); }
  ~olWndMap();

private:
  friend class olWnd;
  std::map<HWND, olWnd*> m_map;
};

// Base of every window object. The virtual operations are declared in their fixed slot
// order; the defaults are noted beside each.
class olWnd {
public:
  olWnd();
  olWnd(const olWnd&) = delete;
  olWnd& operator=(const olWnd&) = delete;

  // Handles a message: WM_HELP goes to the application's help (result 0); anything else
  // to the previous window procedure, or to the platform default.
  virtual LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // May consume a queued message before it is dispatched (false).
  virtual bool preTranslateMessage(MSG& msg);
  // Called after the object has been bound (nothing).
  virtual void onAttached();
  // May consume a message while a modal loop runs (false).
  virtual bool filterMessage(MSG& msg);
  // Owner-drawn item, item size and item order of this control (marked not handled).
  virtual void onDrawItem(DRAWITEMSTRUCT& item);
  virtual void onMeasureItem(MEASUREITEMSTRUCT& item);
  virtual int onCompareItem(const COMPAREITEMSTRUCT& item);
  // A notification record of this control; true when handled, with the result in result.
  virtual bool onNotify(NMHDR& header, LRESULT& result);
  // A command notification code of this control; true when handled.
  virtual bool onCommand(UINT code);
  // A colour request of this control: may replace the brush.
  virtual void onCtlColor(HDC dc, HBRUSH& brush);
  // Unbinds and destroys the window if it still exists.
  virtual ~olWnd();
  // Binds to the child with that id; fails when already bound or when there is no such child.
  virtual bool attachDlgItem(HWND parent, int id);
  // Binds to the window (subclassing it), then calls onAttached; fails when already bound.
  virtual bool attach(HWND hwnd);

  // Unbinds the object, restoring the previous procedure; the window stays or goes.
  void unbind(olUnbind how);
  HWND hwnd() const { return m_hwnd; }
  bool isBound() const { return m_hwnd != nullptr; }
  HFONT font() const { return m_font; }
  // The minimum size reported to the window system when both values are non-zero.
  void setMinTrackSize(int width, int height);
  SIZE minTrackSize() const { return {m_minTrackWidth, m_minTrackHeight}; }

  // Internal: the shared procedure reads the marks set by the default handlers.
  static constexpr int kDrawItemMark = 0;
  static constexpr int kMeasureItemMark = 1;
  static constexpr int kCompareItemMark = 2;
  bool notHandledMark(int which) const { return m_notHandled[which] != 0; }
  void clearNotHandledMarks() { m_notHandled[kDrawItemMark] = m_notHandled[kMeasureItemMark] = m_notHandled[kCompareItemMark] = 0; }

protected:
  // The previous window procedure if there is one (and it is not the shared one), else
  // the platform default.
  LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);

  WNDPROC m_previousProc = nullptr;
  int m_minTrackWidth = 0;
  int m_minTrackHeight = 0;
  HFONT m_font = nullptr;
  uint8_t m_notHandled[3] = {0, 0, 0};
  HWND m_hwnd = nullptr;

private:
  friend LRESULT olSharedWindowProc(HWND, UINT, WPARAM, LPARAM);
  friend class olDialog;
};

// The one procedure through which every message to a bound window passes.
LRESULT olSharedWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The platform's default processing of a message.
LRESULT defWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Window classes. A class is a name with its procedure; the predefined ones are "Button",
// "Edit", "Static", "ListBox", "ScrollBar", "ComboBox", "msctls_progress32" and the
// standard dialog class "#32770".
struct olWndClass {
  olstring name;        // empty: numericName is used, formatted with "%u"
  unsigned numericName = 0;
  WNDPROC procedure = nullptr;  // nullptr: the platform default
  olstring baseClass;   // the class whose kind of window this one makes ("#32770" for dialogs)
};
// Registers a class the first time its name is seen and returns the cached atom after
// that; 0 when the description is unusable.
ATOM registerClassOnce(const olWndClass& description);

// Creation and destruction. The rectangle is in the parent's client coordinates for a
// child and in screen coordinates for a top-level window. Returns nullptr on failure.
HWND createWindowEx(uint32_t exStyle, olstring_view className, olstring_view text, uint32_t style, RECT rect,
                    HWND parent, int id);
bool destroyWindow(HWND hwnd);
bool isWindow(HWND hwnd);

// Messages. A sent message is a direct call of the window's procedure; a posted one is
// queued and dispatched by the event loop (hwnd nullptr posts a thread message).
LRESULT sendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool postMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Ends every running loop at once with the exit code (the main window's end does it);
// nothing of it stays queued for a loop started later.
void postQuitMessage(int exitCode);
// The id of a registered message ("WM_OLBUTTON_SPLIT"), from 0xC000 up; the same name
// always gives the same id. 0 for an empty name.
UINT registerWindowMessage(olstring_view name);
// Without registering: the id when the name was registered, else 0.
UINT registeredMessage(olstring_view name);

// Procedures of a window.
WNDPROC windowProcedure(HWND hwnd);
WNDPROC setWindowProcedure(HWND hwnd, WNDPROC procedure);

// Tree and identity.
HWND getParent(HWND hwnd);
// The top-level window that holds hwnd (hwnd itself when it is top-level).
HWND getAncestorRoot(HWND hwnd);
// The owner of a top-level window (nullptr for a child or an unowned window).
HWND getOwner(HWND hwnd);
HWND getDlgItem(HWND parent, int id);
int getDlgCtrlID(HWND hwnd);
bool isChild(HWND parent, HWND hwnd);  // true when hwnd lies anywhere below parent
std::vector<HWND> childWindows(HWND parent);  // direct children, in creation order
// The top-level windows bound to objects (open dialogs and the main window), in no order.
std::vector<HWND> topLevelWindows();
bool isTopLevel(HWND hwnd);
olstring windowClassName(HWND hwnd);

// Styles.
uint32_t getStyle(HWND hwnd);
uint32_t getExStyle(HWND hwnd);
void setStyle(HWND hwnd, uint32_t style);
void setExStyle(HWND hwnd, uint32_t exStyle);

// Text.
bool setWindowText(HWND hwnd, olstring_view text);
olstring getWindowText(HWND hwnd);

// Geometry. Client rectangles start at (0, 0); window rectangles are in screen coordinates.
RECT getClientRect(HWND hwnd);
RECT getWindowRect(HWND hwnd);
// Moves and sizes a window; what the move uncovers is repainted.
bool moveWindow(HWND hwnd, int x, int y, int width, int height);
bool setWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags);
POINT clientToScreen(HWND hwnd, POINT p);
POINT screenToClient(HWND hwnd, POINT p);
// The window's outer size for a wanted client size (the same on this platform).
SIZE windowSizeForClient(HWND hwnd, SIZE client);
// The work area of the monitor nearest to the window (the primary one for nullptr).
RECT monitorWorkArea(HWND hwnd);
// The work area of the monitor that shows most of the rectangle, else of the one nearest to
// it (a window stored on a screen that has gone comes back on the nearest one).
RECT workAreaNearest(const RECT& rect);
// Moves a top-level window, and shrinks it when it is larger, so that its whole frame (the
// title bar the window system draws around it included) lies inside the area. True when it
// moved or shrank; false when it was inside already or nothing could be known of its frame.
bool keepFrameInside(HWND hwnd, const RECT& area);
// Whether the window system has told the size of the window's frame (a top-level window
// that is shown by a window manager that frames windows).
bool frameKnown(HWND hwnd);

// Lets the window system resize a top-level window from its edges given as frame sides
// (kSideRight | kSideBottom: the bottom-right corner), as if its border had been grabbed.
bool beginSystemResize(HWND hwnd, unsigned sides);

// The restored (normal) rectangle of a top-level window in screen coordinates and whether
// it is maximized; and the same applied with a show command (SW_SHOWMAXIMIZED keeps the
// rectangle for when the window is restored). False for a child or no window.
bool getWindowPlacement(HWND hwnd, RECT& normal, bool& maximized);
bool setWindowPlacement(HWND hwnd, const RECT& normal, int showCommand);

// State.
bool showWindow(HWND hwnd, int command);
bool isWindowVisible(HWND hwnd);
bool enableWindow(HWND hwnd, bool enable);  // returns whether the window was disabled
bool isWindowEnabled(HWND hwnd);
bool isIconic(HWND hwnd);
bool isZoomed(HWND hwnd);
HWND setFocus(HWND hwnd);  // returns the window that had the focus
HWND getFocus();
HWND getActiveWindow();
bool setActiveWindow(HWND hwnd);
void invalidateRect(HWND hwnd, const RECT* rect = nullptr);
void updateWindow(HWND hwnd);
// Accepts or refuses files dropped from the desktop (WM_DROPFILES).
void dragAcceptFiles(HWND hwnd, bool accept);

// A drop of files: wParam of WM_DROPFILES points to this record (valid during the call).
struct olDropFiles {
  std::vector<olstring> paths;
  POINT point;  // client coordinates of the target window
};

// The order in which Tab moves the focus through these windows of one top-level window
// (Shift+Tab the other way round): each after the one before it, the first after the last.
// Windows that are not tab stops, hidden or disabled at the time are passed over.
void setTabOrder(const std::vector<HWND>& order);

// The size a control wants for its content in its current font (the height of an edit or
// check box of the dialog font, for example).
SIZE preferredSize(HWND hwnd);

// The platform's size of small and large icons.
int smallIconSize();
int largeIconSize();

// The cursor shape shown over a window.
enum class olCursor { arrow, hand, sizeWestEast, sizeNorthSouth, iBeam, wait };
void setWindowCursor(HWND hwnd, olCursor cursor);

// Mouse moves without a button held reach the window as WM_MOUSEMOVE, and WM_MOUSELEAVE
// follows once each time the mouse has left it: for owner-drawn controls with a hover look
// (a list's row under the mouse). Without it a window sees the mouse only while a button
// is held, and never WM_MOUSELEAVE. False for no window.
bool trackMouseHover(HWND hwnd);

// Mouse capture: the window a mouse button was pressed on keeps receiving the mouse
// messages until every button is released (dragging a selection out of a list). The
// window holding it, or nullptr.
HWND getCapture();

// Ctrl (8), Shift (4) and Alt (1) as they are now.
unsigned currentKeyModifiers();
// The same as they were when the key or mouse message being handled now was made (what
// the user held with that key press); currentKeyModifiers() outside such a message.
unsigned messageKeyModifiers();
