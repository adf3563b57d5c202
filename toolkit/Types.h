// The toolkit's own value types: window, font and menu handles, messages, rectangles and
// colours. Application code speaks in these, never in Qt widgets.
#pragma once

#include <cstdint>

#include "foundation/olstring.h"

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
using COLORREF = uint32_t;  // 0x00BBGGRR, as on Windows

// Opaque handles. A window handle stays unique for the life of the process: a destroyed
// window's handle is never handed out again, so a stale handle simply finds nothing.
struct olWindowHandle;
using HWND = olWindowHandle*;
struct olFontObject;
using HFONT = olFontObject*;
struct olMenuObject;
using HMENU = olMenuObject*;
struct olIconObject;
using HICON = olIconObject*;
struct olBrushObject;
using HBRUSH = olBrushObject*;
// A device context is the painter of the current paint pass.
class QPainter;
using HDC = QPainter*;

constexpr COLORREF RGB(unsigned red, unsigned green, unsigned blue) {
  return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}
constexpr unsigned redOf(COLORREF c) { return c & 0xFFu; }
constexpr unsigned greenOf(COLORREF c) { return (c >> 8) & 0xFFu; }
constexpr unsigned blueOf(COLORREF c) { return (c >> 16) & 0xFFu; }
// From the #RRGGBB form the theme table is written in.
constexpr COLORREF fromHexRgb(uint32_t rrggbb) { return RGB(rrggbb >> 16, rrggbb >> 8, rrggbb); }

constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) {
  return static_cast<WPARAM>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
constexpr LPARAM MAKELPARAM(int low, int high) {
  return static_cast<LPARAM>(static_cast<uint32_t>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}
constexpr unsigned LOWORD(uintptr_t v) { return static_cast<unsigned>(v & 0xFFFFu); }
constexpr unsigned HIWORD(uintptr_t v) { return static_cast<unsigned>((v >> 16) & 0xFFFFu); }
constexpr int GET_X_LPARAM(LPARAM v) { return static_cast<int16_t>(v & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM v) { return static_cast<int16_t>((v >> 16) & 0xFFFF); }

struct POINT {
  int x = 0;
  int y = 0;
};

struct SIZE {
  int cx = 0;
  int cy = 0;
};

struct RECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool isEmpty() const { return right <= left || bottom <= top; }
  bool contains(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  RECT inflated(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
  RECT offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  bool operator==(const RECT&) const = default;
};

// A queued or sent message. keyModifiers holds the Ctrl (8), Shift (4) and Alt (1) state
// at the time a key or mouse message was made, so that hotkeys match what the user pressed.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT pt;
  unsigned keyModifiers = 0;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

struct NMHDR {
  HWND hwndFrom = nullptr;
  uintptr_t idFrom = 0;
  UINT code = 0;
};

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem;
  uintptr_t itemData = 0;
};

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  uintptr_t itemData = 0;
};

struct COMPAREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  HWND hwndItem = nullptr;
  UINT itemID1 = 0;
  uintptr_t itemData1 = 0;
  UINT itemID2 = 0;
  uintptr_t itemData2 = 0;
};

// The platform's 92-byte logical-font record, byte for byte (stored settings keep it).
#pragma pack(push, 1)
struct LOGFONTW {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char16_t lfFaceName[32] = {};
};
#pragma pack(pop)
static_assert(sizeof(LOGFONTW) == 92, "the font record must keep its stored size");
