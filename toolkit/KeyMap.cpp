// Keys: the virtual key of a Qt key event and the modifier bits of the hotkey table.
//
// Virtual keys are the platform's numbering: letters and digits are their upper-case
// character, punctuation has the OEM codes of the US layout, and the named keys (arrows,
// Delete, Insert, ...) sit in the same range as punctuation characters do in Unicode. So
// a typed character must never pass through as its own code: '.' is 0x2E, which is
// VK_DELETE.
#include <QGuiApplication>
#include <QKeyEvent>

#include <array>

#include "toolkit/WindowInternal.h"

namespace {

struct Named {
  int qtKey;
  unsigned virtualKey;
};

constexpr Named kNamedKeys[] = {
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},     {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},      {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_Left, VK_LEFT},        {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},        {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},   {Qt::Key_Home, VK_HOME},        {Qt::Key_End, VK_END},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},    {Qt::Key_Clear, VK_CLEAR},
    {Qt::Key_Shift, VK_SHIFT},     {Qt::Key_Control, VK_CONTROL},  {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU},      {Qt::Key_Meta, VK_LWIN},        {Qt::Key_Super_L, VK_LWIN},
    {Qt::Key_Super_R, VK_RWIN},    {Qt::Key_Menu, VK_APPS},        {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Print, VK_SNAPSHOT},  {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
};

// The keys of the numeric keypad, when Qt marks the key as coming from it.
constexpr Named kKeypadKeys[] = {
    {Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},     {Qt::Key_Minus, VK_SUBTRACT},
    {Qt::Key_Period, VK_DECIMAL},    {Qt::Key_Comma, VK_DECIMAL}, {Qt::Key_Slash, VK_DIVIDE},
};

// Punctuation of the US layout, unshifted and shifted, by the key it is on.
struct Punctuation {
  char16_t character;
  unsigned virtualKey;
};
constexpr Punctuation kPunctuation[] = {
    {u';', VK_OEM_1},      {u':', VK_OEM_1},     {u'=', VK_OEM_PLUS},   {u'+', VK_OEM_PLUS},  {u',', VK_OEM_COMMA},
    {u'<', VK_OEM_COMMA},  {u'-', VK_OEM_MINUS}, {u'_', VK_OEM_MINUS},  {u'.', VK_OEM_PERIOD}, {u'>', VK_OEM_PERIOD},
    {u'/', VK_OEM_2},      {u'?', VK_OEM_2},     {u'`', VK_OEM_3},      {u'~', VK_OEM_3},     {u'[', VK_OEM_4},
    {u'{', VK_OEM_4},      {u'\\', VK_OEM_5},    {u'|', VK_OEM_5},      {u']', VK_OEM_6},     {u'}', VK_OEM_6},
    {u'\'', VK_OEM_7},     {u'"', VK_OEM_7},     {u'!', '1'},           {u'@', '2'},          {u'#', '3'},
    {u'$', '4'},           {u'%', '5'},          {u'^', '6'},           {u'&', '7'},          {u'*', '8'},
    {u'(', '9'},           {u')', '0'},
};

// The key at each position of the main block, by the X11 key code (the Linux input code
// plus 8, on X11 and Wayland alike), as the US layout names it. A position does not depend
// on the layout, so a key typed on a Cyrillic or Greek layout still has its Latin key.
constexpr uint32_t kFirstKeyCode = 10;
constexpr std::array<unsigned, 52> kKeyAtPosition = {
    '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', VK_OEM_MINUS, VK_OEM_PLUS,           // 10-21
    0,   0,                                                                                // Backspace, Tab
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', VK_OEM_4, VK_OEM_6,                  // 24-35
    0,   0,                                                                                // Return, Ctrl
    'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', VK_OEM_1, VK_OEM_7, VK_OEM_3,             // 38-49
    0,   VK_OEM_5,                                                                         // Shift, backslash
    'Z', 'X', 'C', 'V', 'B', 'N', 'M', VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2,              // 52-61
};
constexpr uint32_t kKeyCodeLess102nd = 94;  // the extra key beside the left Shift (ISO keyboards)

bool isLatinLetter(uint32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(uint32_t c) { return c >= '0' && c <= '9'; }
unsigned upper(uint32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

unsigned keyAtPosition(uint32_t keyCode) {
  if (keyCode == kKeyCodeLess102nd) return VK_OEM_102;
  if (keyCode < kFirstKeyCode || keyCode >= kFirstKeyCode + kKeyAtPosition.size()) return 0;
  return kKeyAtPosition[keyCode - kFirstKeyCode];
}

unsigned namedKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + static_cast<unsigned>(qtKey - Qt::Key_F1);
  if (modifiers & Qt::KeypadModifier) {
    if (isDigit(static_cast<uint32_t>(qtKey))) return VK_NUMPAD0 + static_cast<unsigned>(qtKey - Qt::Key_0);
    for (const Named& entry : kKeypadKeys)
      if (entry.qtKey == qtKey) return entry.virtualKey;
  }
  for (const Named& entry : kNamedKeys)
    if (entry.qtKey == qtKey) return entry.virtualKey;
  return 0;
}

unsigned punctuationKey(int qtKey, uint32_t keyCode) {
  // Where the key is known, its place says which key it is on this layout too.
  if (unsigned atPosition = keyAtPosition(keyCode)) return atPosition;
  for (const Punctuation& entry : kPunctuation)
    if (entry.character == qtKey) return entry.virtualKey;
  return 0;
}

// A key whose character is not Latin: the Latin key the platform reports for it, else the
// key at its place.
unsigned layoutIndependentKey(uint32_t nativeVirtualKey, uint32_t keyCode) {
  if (isLatinLetter(nativeVirtualKey) || isDigit(nativeVirtualKey)) return upper(nativeVirtualKey);
  return keyAtPosition(keyCode);
}

}  // namespace

unsigned modifierBits(Qt::KeyboardModifiers modifiers) {
  unsigned bits = 0;
  if (modifiers & Qt::ControlModifier) bits |= kModCtrl;
  if (modifiers & Qt::ShiftModifier) bits |= kModShift;
  if (modifiers & Qt::AltModifier) bits |= kModAlt;
  return bits;
}

unsigned virtualKeyOf(const QKeyEvent& key) {
  // On Windows the platform's own virtual key is the answer.
  static const bool windows = QGuiApplication::platformName() == QLatin1String("windows");
  if (windows && key.nativeVirtualKey() != 0) return key.nativeVirtualKey();
  const int qtKey = key.key();
  if (unsigned named = namedKey(qtKey, key.modifiers())) return named;
  const auto code = static_cast<uint32_t>(qtKey);
  if (isLatinLetter(code) || isDigit(code)) return upper(code);
  if (code > 0x20 && code < 0x7F) return punctuationKey(qtKey, key.nativeScanCode());
  return layoutIndependentKey(key.nativeVirtualKey(), key.nativeScanCode());
}
