// The application's hotkey table: (target window, virtual key, Ctrl 8 / Shift 4) → command.
#pragma once

#include <vector>

#include "toolkit/Types.h"

struct olHotkey {
  HWND target = nullptr;
  unsigned virtualKey = 0;
  unsigned modifiers = 0;  // kModCtrl | kModShift
  UINT command = 0;
};

// A table forgets the entries of a window when the window is destroyed.
class olHotkeyTable {
public:
  olHotkeyTable();
  olHotkeyTable(const olHotkeyTable& other);
  olHotkeyTable& operator=(const olHotkeyTable& other) = default;
  ~olHotkeyTable();

  static olHotkeyTable& instance();
  void add(HWND target, unsigned virtualKey, unsigned modifiers, UINT command);
  void removeTarget(HWND target);
  void clear() { m_entries.clear(); }
  size_t size() const { return m_entries.size(); }
  // The entry a key-down message matches: equal key, equal Ctrl and Shift state (Alt is
  // not part of it), and a target that is the receiving window or lies inside its
  // top-level window. nullptr when none matches.
  const olHotkey* match(const MSG& msg) const;
  // Sends the matched command (WM_COMMAND, notification code 1) to its target; true when
  // the message was turned into a command.
  bool translate(const MSG& msg) const;

private:
  std::vector<olHotkey> m_entries;
};
