// The theme table and the current theme, the UI fonts and margins, and the shared fills.
#include "toolkit/Theme.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/Geometry.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

struct olBrushObject {
  COLORREF colour;
};

namespace {

// A theme from its colours as 0xRRGGBB, one for each role in the order of olThemeSlot.
olTheme makeTheme(const char16_t* name, const std::array<uint32_t, kThemeSlotCount>& rgb) {
  olTheme theme{name, {}};
  std::transform(rgb.begin(), rgb.end(), theme.colours.begin(), fromHexRgb);
  return theme;
}

struct CurrentTheme {
  olTheme theme = themeTable().front();
  int index = 0;
  bool system = false;
  std::array<olBrushObject, kThemeSlotCount> brushes = {};
  HFONT fonts[3] = {nullptr, nullptr, nullptr};
  LOGFONTW description;
  olMargins margins;
};

CurrentTheme& current() {
  static CurrentTheme theme;
  return theme;
}

// Font objects handed to windows stay valid until the process ends, even once replaced.
std::vector<std::unique_ptr<olFontObject, void (*)(olFontObject*)>>& fontStore() {
  static std::vector<std::unique_ptr<olFontObject, void (*)(olFontObject*)>> store;
  return store;
}
HFONT keepFont(const QFont& font) {
  HFONT handle = createFontObject(font);
  fontStore().emplace_back(handle, deleteFontObject);
  return handle;
}


// The platform's palette, taken before the first theme replaced it.
QPalette& platformPalette() {
  static QPalette palette = QGuiApplication::palette();
  return palette;
}

// Whether System Default shows dark colours, as the desktop prefers.
bool g_systemDark = false;

constexpr int kDarkThemeIndex = 1;

// Under System Default on a dark desktop whose platform palette stayed light (Qt does not
// follow every desktop's preference), the Dark theme's colours stand in for the platform's.
bool systemUsesDarkColours() {
  return g_systemDark && !isDarkColour(fromQColor(platformPalette().color(QPalette::Window)));
}

// A platform colour for text made to read on the platform's backgrounds: moved toward the
// normal text colour until it does (the platform's disabled grey is meant for controls
// nobody reads, but grey text here marks lines a user reads).
COLORREF legibleOnBackgrounds(COLORREF colour, const QPalette& p) {
  constexpr double kReadable = 4.5;
  const COLORREF text = fromQColor(p.color(QPalette::WindowText));
  const COLORREF backgrounds[] = {fromQColor(p.color(QPalette::Button)), fromQColor(p.color(QPalette::Base))};
  for (int amount = 0; amount <= 255; amount += 15) {
    const COLORREF candidate = blendColours(colour, text, amount);
    if (std::all_of(std::begin(backgrounds), std::end(backgrounds),
                    [&](COLORREF b) { return contrastRatio(candidate, b) >= kReadable; }))
      return candidate;
  }
  return text;
}

COLORREF systemColour(olThemeSlot slot) {
  if (systemUsesDarkColours()) return themeTable()[kDarkThemeIndex].colour(slot);
  const QPalette& p = platformPalette();
  switch (slot) {
    case olThemeSlot::face: return fromQColor(p.color(QPalette::Button));
    case olThemeSlot::frame: return fromQColor(p.color(QPalette::Dark));
    case olThemeSlot::accent: return fromQColor(p.color(QPalette::Highlight));
    case olThemeSlot::subtle: return fromQColor(p.color(QPalette::Button));
    case olThemeSlot::hover:
      return blendColours(fromQColor(p.color(QPalette::Base)), fromQColor(p.color(QPalette::Highlight)), 64);
    case olThemeSlot::selection: return fromQColor(p.color(QPalette::Highlight));
    case olThemeSlot::buttonState: return fromQColor(p.color(QPalette::Midlight));
    case olThemeSlot::text: return fromQColor(p.color(QPalette::WindowText));
    case olThemeSlot::greyText: return legibleOnBackgrounds(fromQColor(p.color(QPalette::Disabled, QPalette::Text)), p);
    case olThemeSlot::window: return fromQColor(p.color(QPalette::Base));
    case olThemeSlot::link: return fromQColor(p.color(QPalette::Link));
    case olThemeSlot::secondary: return legibleOnBackgrounds(fromQColor(p.color(QPalette::Shadow)), p);
    case olThemeSlot::end: break;
  }
  return 0;
}

void repaintOpenWindows() {
  if (!olApp::interfaceRunning()) return;
  QApplication::setPalette(themePalette());
  // Every open top-level window hears of the switch; each passes it on to its children.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    HWND hwnd = handleOf(widget);
    if (hwnd && olWndMap::instance().find(hwnd))
      postMessage(hwnd, WM_SYSCOLORCHANGE, 0, reinterpret_cast<LPARAM>(themeMarker()));
    else
      widget->update();
  }
}

}  // namespace

const std::vector<olTheme>& themeTable() {
  // Each list holds one colour for each role, in the order of olThemeSlot: face, frame, accent,
  // subtle, hover, selection, buttonState, text, greyText, window, link, secondary. A list is
  // made an array of its own length, so that one colour too many or too few does not compile.
  const auto colours = [](auto... rgb) { return std::array<uint32_t, sizeof...(rgb)>{static_cast<uint32_t>(rgb)...}; };
  static const std::vector<olTheme> table = {
      makeTheme(u"Light", colours(0xF0F0F0, 0xADADAD, 0x007ACC, 0xDEDEDE, 0xD1E7F8, 0x93C5EE, 0xCCCCCC, 0x000000,
                                  0x6B6B6B, 0xFFFFFF, 0x0000CC, 0x6B6B6B)),
      makeTheme(u"Dark", colours(0x252525, 0x858585, 0x007ACC, 0x333333, 0x474747, 0x5C5C5C, 0x333333, 0xDADADA,
                                 0x939393, 0x1E1E1E, 0x3794FF, 0xDADADA)),
      makeTheme(u"Blue", colours(0x003C6C, 0x80B1D8, 0x35B735, 0x004D8A, 0x00559B, 0x0075D5, 0x003C6C, 0xFFFFFF,
                                 0xA8BCD0, 0x002D4F, 0x4CCB4C, 0x9FC4E1)),
      makeTheme(u"Green", colours(0x0C5C0C, 0x88BE88, 0xFFFFFF, 0x0F6E0F, 0x1B781B, 0x2A852A, 0x0C5C0C, 0xFFFFFF,
                                  0xA3D3A3, 0x094209, 0xFFFFFF, 0xBADABA)),
      makeTheme(u"System Default", colours(0xF0F0F0, 0xADADAD, 0x007ACC, 0xDEDEDE, 0xD1E7F8, 0x93C5EE, 0xCCCCCC,
                                           0x000000, 0x6B6B6B, 0xFFFFFF, 0x0000CC, 0x6B6B6B)),
  };
  return table;
}

bool applyTheme(int index) {
  const auto& table = themeTable();
  if (index == -1) {
    auto system = std::find_if(table.begin(), table.end(), [](const olTheme& t) { return t.name == u"System Default"; });
    index = system != table.end() ? static_cast<int>(system - table.begin()) : (appsUseDarkTheme() ? 1 : 0);
  }
  if (index < 0 || index >= static_cast<int>(table.size())) return false;
  CurrentTheme& theme = current();
  theme.theme = table[index];
  theme.index = index;
  theme.system = index == static_cast<int>(table.size()) - 1 && table[index].name == u"System Default";
  for (size_t i = 0; i < kThemeSlotCount; ++i) theme.brushes[i].colour = themeColour(static_cast<olThemeSlot>(i + 1));
  menusReadTheme();
  repaintOpenWindows();
  return true;
}

bool applyThemeByName(olstring_view name) {
  if (name.empty()) return false;
  const auto& table = themeTable();
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].name.size() == name.size() && platform::compareNoCase(table[i].name, name) == 0)
      return applyTheme(static_cast<int>(i));
  return false;
}

int currentThemeIndex() { return current().index; }
olstring currentThemeName() { return current().theme.name; }
bool isSystemTheme() { return current().system; }
bool platformPainting() { return current().system && !systemUsesDarkColours(); }

COLORREF themeColour(olThemeSlot slot) {
  if (current().system && olApp::interfaceRunning()) return systemColour(slot);
  return current().theme.colour(slot);
}

HBRUSH themeBrush(olThemeSlot slot) { return &current().brushes[themeSlotIndex(slot)]; }

const void* themeMarker() { return &current(); }

bool darkFromColourScheme(std::optional<uint32_t> colourScheme) { return colourScheme && *colourScheme == 1; }

bool desktopPrefersDark(std::optional<uint32_t> colourScheme, COLORREF paletteWindow) {
  if (colourScheme == kColourSchemeDark) return true;
  if (colourScheme == kColourSchemeLight) return false;
  return isDarkColour(paletteWindow);
}

bool systemThemeIsDark() { return g_systemDark; }

void followDesktopColourScheme(std::optional<uint32_t> colourScheme) {
  const bool dark = desktopPrefersDark(colourScheme, fromQColor(platformPalette().color(QPalette::Window)));
  if (dark == g_systemDark) return;
  g_systemDark = dark;
  if (current().system) applyTheme(current().index);
}

QPalette themePalette() {
  if (current().system && !systemUsesDarkColours()) return platformPalette();
  auto c = [](olThemeSlot slot) { return toQColor(themeColour(slot)); };
  QPalette p;
  p.setColor(QPalette::Window, c(olThemeSlot::face));
  p.setColor(QPalette::WindowText, c(olThemeSlot::text));
  p.setColor(QPalette::Base, c(olThemeSlot::window));
  p.setColor(QPalette::AlternateBase, c(olThemeSlot::subtle));
  p.setColor(QPalette::Text, c(olThemeSlot::text));
  p.setColor(QPalette::Button, c(olThemeSlot::face));
  p.setColor(QPalette::ButtonText, c(olThemeSlot::text));
  p.setColor(QPalette::BrightText, c(olThemeSlot::window));
  p.setColor(QPalette::Highlight, c(olThemeSlot::selection));
  p.setColor(QPalette::HighlightedText, c(olThemeSlot::text));
  p.setColor(QPalette::Link, c(olThemeSlot::link));
  p.setColor(QPalette::LinkVisited, c(olThemeSlot::link));
  p.setColor(QPalette::PlaceholderText, c(olThemeSlot::greyText));
  p.setColor(QPalette::ToolTipBase, c(olThemeSlot::window));
  p.setColor(QPalette::ToolTipText, c(olThemeSlot::text));
  p.setColor(QPalette::Light, c(olThemeSlot::subtle));
  p.setColor(QPalette::Midlight, c(olThemeSlot::subtle));
  p.setColor(QPalette::Mid, c(olThemeSlot::frame));
  p.setColor(QPalette::Dark, c(olThemeSlot::frame));
  p.setColor(QPalette::Shadow, c(olThemeSlot::frame));
  for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, c(olThemeSlot::greyText));
  return p;
}

void initialiseThemes() {
  if (olApp::interfaceRunning()) {
    platformPalette();
    g_systemDark = desktopPrefersDark(desktopColourScheme(), fromQColor(platformPalette().color(QPalette::Window)));
    watchDesktopColourScheme();
  }
  if (!applyTheme(-1)) applyTheme(appsUseDarkTheme() ? 1 : 0);
  current().margins = olMargins{};
  applyFont(defaultFontDescription(), 1.45f);
}

// ---- fonts

namespace {

QFont toQFont(const LOGFONTW& d) {
  QFont font(toQString(faceName(d)));
  int height = d.lfHeight;
  if (height < 0) {
    font.setPixelSize(-height);
  } else if (height > 0) {
    // A positive height is the cell height: scale the character height to fit it.
    font.setPixelSize(height);
    int cell = QFontMetrics(font).height();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(static_cast<double>(height) * height / std::max(cell, 1)))));
  } else {
    font.setPixelSize(12);
  }
  font.setWeight(d.lfWeight <= 0 ? QFont::Normal : static_cast<QFont::Weight>(std::clamp(d.lfWeight, 1, 1000)));
  font.setItalic(d.lfItalic);
  font.setUnderline(d.lfUnderline);
  font.setStrikeOut(d.lfStrikeOut);
  return font;
}

LOGFONTW fromQFont(const QFont& font) {
  LOGFONTW d;
  int pixels = font.pixelSize();
  if (pixels <= 0) {
    double dpi = 96;
    if (olApp::interfaceRunning() && QGuiApplication::primaryScreen())
      dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    pixels = static_cast<int>(std::lround(font.pointSizeF() * dpi / 72));
  }
  d.lfHeight = -std::max(pixels, 1);
  d.lfWeight = font.weight();
  d.lfItalic = font.italic();
  d.lfUnderline = font.underline();
  d.lfStrikeOut = font.strikeOut();
  d.lfCharSet = 1;  // the default character set
  olstring face = fromQString(font.family()).substr(0, 31);
  std::copy(face.begin(), face.end(), d.lfFaceName);
  return d;
}

}  // namespace

HFONT uiFont() { return current().fonts[0]; }
HFONT uiBoldFont() { return current().fonts[1]; }
HFONT uiLargeFont() { return current().fonts[2]; }

bool applyFont(const LOGFONTW& description, float largeScale) {
  if (!olApp::interfaceRunning()) return false;
  CurrentTheme& theme = current();
  const bool changed = !theme.fonts[0] || std::memcmp(&theme.description, &description, sizeof description) != 0;
  QFont normal = toQFont(description);
  QFont bold = normal;
  bold.setWeight(QFont::Bold);
  QFont large = normal;
  large.setPixelSize(static_cast<int>(std::lround(normal.pixelSize() * std::max(largeScale, 1.0f))));
  theme.fonts[0] = keepFont(normal);
  theme.fonts[1] = keepFont(bold);
  theme.fonts[2] = keepFont(large);
  theme.description = description;
  olMargins& m = theme.margins;
  m.horizontal = dx(7);
  m.vertical = dy(7);
  m.halfHorizontal = m.horizontal / 2;
  m.halfVertical = m.vertical / 2;
  m.gapHorizontal = dx(4);
  m.gapVertical = dy(4);
  if (changed) {
    olToolTipCtrl::shared().setFont(theme.fonts[0]);
    // Every open window, not only the main one: a dialog left open beside it would keep the
    // old font until it is closed.
    for (HWND window : topLevelWindows()) sendMessage(window, WM_SETFONT, reinterpret_cast<WPARAM>(theme.fonts[0]), 1);
    menusReadTheme();
  }
  return true;
}

LOGFONTW currentFontDescription() { return current().description; }

LOGFONTW defaultFontDescription() {
  if (olApp::interfaceRunning()) return fromQFont(QApplication::font());
  LOGFONTW d;
  d.lfHeight = -12;
  d.lfWeight = 400;
  d.lfCharSet = 1;
  const olstring face = u"Segoe UI";
  std::copy(face.begin(), face.end(), d.lfFaceName);
  return d;
}

HFONT createFontIndirect(const LOGFONTW& description) { return createFontObject(toQFont(description)); }
void deleteFont(HFONT font) { deleteFontObject(font); }
LOGFONTW fontDescriptionOf(HFONT font) { return fromQFont(qfontOf(font)); }

olstring faceName(const LOGFONTW& description) {
  size_t length = 0;
  while (length < 32 && description.lfFaceName[length]) ++length;
  return olstring(description.lfFaceName, length);
}

const olMargins& uiMargins() { return current().margins; }

void oltheme_control::applyControlTheme(HWND) {}

// ---- fills

void drawEdges(HDC dc, const RECT& rect, COLORREF colour, unsigned sides, int width) {
  if (!dc || width <= 0) return;
  const QColor c = toQColor(colour);
  const int w = std::min(width, std::min(rect.width(), rect.height()));
  if (sides & kSideLeft) dc->fillRect(rect.left, rect.top, w, rect.height(), c);
  if (sides & kSideTop) dc->fillRect(rect.left, rect.top, rect.width(), w, c);
  if (sides & kSideRight) dc->fillRect(rect.right - w, rect.top, w, rect.height(), c);
  if (sides & kSideBottom) dc->fillRect(rect.left, rect.bottom - w, rect.width(), w, c);
}

void fillSolidRect(HDC dc, const RECT& rect, COLORREF colour) {
  if (dc) dc->fillRect(toQRect(rect), toQColor(colour));
}

void fillRoundRect(HDC dc, const RECT& rect, int radius, COLORREF colour) {
  if (!dc) return;
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  dc->setPen(Qt::NoPen);
  dc->setBrush(toQColor(colour));
  dc->drawRoundedRect(QRectF(toQRect(rect)), radius / 2.0, radius / 2.0);
  dc->restore();
}

double relativeLuminance(COLORREF colour) {
  auto linear = [](unsigned channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(redOf(colour)) + 0.7152 * linear(greenOf(colour)) + 0.0722 * linear(blueOf(colour));
}

double contrastRatio(COLORREF a, COLORREF b) {
  double lighter = relativeLuminance(a), darker = relativeLuminance(b);
  if (lighter < darker) std::swap(lighter, darker);
  return (lighter + 0.05) / (darker + 0.05);
}

COLORREF contrastingText(COLORREF background) {
  constexpr COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
  return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

bool isDarkColour(COLORREF colour) { return contrastingText(colour) != RGB(0, 0, 0); }

COLORREF pausedColour() {
  // Amber says "held" in every theme; a deeper amber keeps it from glaring on dark ones.
  return isDarkColour(themeColour(olThemeSlot::window)) ? fromHexRgb(0xD99A00) : fromHexRgb(0xF0B429);
}

COLORREF blendColours(COLORREF a, COLORREF b, int amount) {
  auto mix = [amount](unsigned x, unsigned y) { return (x * (255 - amount) + y * amount + 127) / 255; };
  return RGB(mix(redOf(a), redOf(b)), mix(greenOf(a), greenOf(b)), mix(blueOf(a), blueOf(b)));
}
