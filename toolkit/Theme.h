// The five colour themes, the UI fonts with the margins derived from them, and the drawing
// helpers every owner-drawn part of the program shares.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "toolkit/Types.h"

// The colour roles of a theme, numbered from 1 as in the theme table.
enum class olThemeSlot {
  face = 1,      // dialog, panel and button background
  frame,         // borders and separator lines
  accent,        // focus and accent marks
  subtle,        // unfocused selection, folder glyph fill, separators between detail lines
  hover,         // row under the mouse
  selection,     // selected row of a focused list
  buttonState,   // pressed button background
  text,          // normal text
  greyText,      // disabled text
  window,        // list, edit and content backgrounds
  link,          // link buttons
  secondary,     // secondary texts and the current-row mark
  // Not a role: one past the last, so that every table of roles is sized from the enum and
  // a theme that lists one colour too many or too few does not compile.
  end
};
constexpr size_t kThemeSlotCount = static_cast<size_t>(olThemeSlot::end) - 1;

// The place of a role in a table of roles.
constexpr size_t themeSlotIndex(olThemeSlot slot) { return static_cast<size_t>(slot) - 1; }

using olThemeColours = std::array<COLORREF, kThemeSlotCount>;

struct olTheme {
  olstring name;
  olThemeColours colours;
  COLORREF colour(olThemeSlot slot) const { return colours[themeSlotIndex(slot)]; }
};

// "Light", "Dark", "Blue", "Green" and "System Default", in this order.
const std::vector<olTheme>& themeTable();

// Applies a theme by index; -1 is the default choice (System Default). False for an index
// outside the table. Open windows are repainted.
bool applyTheme(int index);
// Applies the theme of that name (letter case ignored); false and no change when unknown.
bool applyThemeByName(olstring_view name);
int currentThemeIndex();
olstring currentThemeName();
// True while the System Default theme is in force.
bool isSystemTheme();
// True while windows keep the platform's painting: System Default, unless the desktop
// prefers dark colours that the platform's own palette does not have (the toolkit then
// paints in the Dark theme's colours itself).
bool platformPainting();
// The colour of a role in the current theme; under System Default the platform's colour.
COLORREF themeColour(olThemeSlot slot);
// A solid brush of the face, window or frame colour of the current theme.
HBRUSH themeBrush(olThemeSlot slot);
// The value that marks WM_SYSCOLORCHANGE as a theme switch (in lParam).
const void* themeMarker();

// The desktop's colour-scheme preference (the freedesktop appearance setting): 0 none,
// 1 prefer dark, 2 prefer light; nothing when it cannot be read.
constexpr uint32_t kColourSchemeDark = 1;
constexpr uint32_t kColourSchemeLight = 2;
std::optional<uint32_t> desktopColourScheme();
// The desktop asks applications for a dark appearance; false when it cannot be read.
bool appsUseDarkTheme();
// The mapping of that preference: true only for the value 1.
bool darkFromColourScheme(std::optional<uint32_t> colourScheme);
// Whether System Default shows dark colours: the desktop's preference where it states
// one, else the darkness of the platform palette's window colour.
bool desktopPrefersDark(std::optional<uint32_t> colourScheme, COLORREF paletteWindow);
bool systemThemeIsDark();
// The desktop's preference changed: System Default, when in force, follows at once.
void followDesktopColourScheme(std::optional<uint32_t> colourScheme);
// Listens for the desktop's changes of the preference (once).
void watchDesktopColourScheme();

// Start-up: the theme table, the default theme and the default font.
void initialiseThemes();

// The three UI fonts: normal (the dialog font), bold (weight 700) and large.
HFONT uiFont();
HFONT uiBoldFont();
HFONT uiLargeFont();
// Creates the three fonts from a description; a large-font scale not above 1 counts as 1.
// When the normal font changed, the tooltip and every open top-level window get it
// (WM_SETFONT), and each lays itself out again.
bool applyFont(const LOGFONTW& description, float largeScale);
// The description the normal UI font was made from.
LOGFONTW currentFontDescription();
// The desktop's default UI font.
LOGFONTW defaultFontDescription();
// A font object of its own made from a description (deleteFont releases it).
HFONT createFontIndirect(const LOGFONTW& description);
void deleteFont(HFONT font);
LOGFONTW fontDescriptionOf(HFONT font);
// The face name of a description as text.
olstring faceName(const LOGFONTW& description);

// Margins derived from the normal font: 7 × 7 dialog units, their halves and a 4 × 4 gap.
struct olMargins {
  int horizontal = 12;
  int vertical = 13;
  int halfHorizontal = 6;
  int halfVertical = 6;
  int gapHorizontal = 7;
  int gapVertical = 8;
};
const olMargins& uiMargins();
constexpr int kPadding = 2;

// Colours are taken by role; a themed control may re-read them when the theme changes.
class oltheme_control {
public:
  virtual ~oltheme_control() = default;
  // Re-applies the theme to the window's own looks (nothing by default).
  virtual void applyControlTheme(HWND hwnd);
};

// The sides of a rectangle as the bits of a frame mask.
constexpr unsigned kSideLeft = 1;
constexpr unsigned kSideTop = 2;
constexpr unsigned kSideRight = 4;
constexpr unsigned kSideBottom = 8;
constexpr unsigned kAllSides = kSideLeft | kSideTop | kSideRight | kSideBottom;

// Fills a band of the width inside each chosen side (kSideLeft, kSideTop, ...).
void drawEdges(HDC dc, const RECT& rect, COLORREF colour, unsigned sides, int width);
void fillSolidRect(HDC dc, const RECT& rect, COLORREF colour);
// An anti-aliased filled rounded rectangle.
void fillRoundRect(HDC dc, const RECT& rect, int radius, COLORREF colour);
// The mix of two colours, amount 0 (all a) to 255 (all b).
COLORREF blendColours(COLORREF a, COLORREF b, int amount);
// The contrast of two colours as the readability guidelines measure it: 1 (none) to 21
// (black on white). Text wants 4.5 at least, shapes 3.
double contrastRatio(COLORREF a, COLORREF b);
// Black or white, whichever reads better on the colour.
COLORREF contrastingText(COLORREF background);
// A colour on which white reads better than black.
bool isDarkColour(COLORREF colour);
// The fill of a paused progress bar in the current theme.
COLORREF pausedColour();
