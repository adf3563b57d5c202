// The hotkey table and its matching rule.
#include "toolkit/Hotkeys.h"

#include <algorithm>

#include "toolkit/Messages.h"
#include "toolkit/WindowInternal.h"

namespace {
// Every live table, so that a destroyed window leaves all of them.
std::vector<olHotkeyTable*>& liveTables() {
  static std::vector<olHotkeyTable*> tables;
  return tables;
}
}  // namespace

olHotkeyTable::olHotkeyTable() { liveTables().push_back(this); }

olHotkeyTable::olHotkeyTable(const olHotkeyTable& other) : m_entries(other.m_entries) { liveTables().push_back(this); }

olHotkeyTable::~olHotkeyTable() { std::erase(liveTables(), this); }

void hotkeysForgetWindow(HWND hwnd) {
  for (olHotkeyTable* table : liveTables()) table->removeTarget(hwnd);
}

olHotkeyTable& olHotkeyTable::instance() {
  static olHotkeyTable table;
  return table;
}

void olHotkeyTable::add(HWND target, unsigned virtualKey, unsigned modifiers, UINT command) {
  m_entries.push_back({target, virtualKey, modifiers & (kModCtrl | kModShift), command});
}

void olHotkeyTable::removeTarget(HWND target) {
  std::erase_if(m_entries, [target](const olHotkey& entry) { return entry.target == target; });
}

const olHotkey* olHotkeyTable::match(const MSG& msg) const {
  if (msg.message != WM_KEYDOWN || !msg.hwnd) return nullptr;
  const unsigned modifiers = msg.keyModifiers & (kModCtrl | kModShift);
  const HWND root = getAncestorRoot(msg.hwnd);
  for (const olHotkey& entry : m_entries) {
    if (entry.virtualKey != msg.wParam || entry.modifiers != modifiers || !isWindow(entry.target)) continue;
    if (entry.target == msg.hwnd || entry.target == root || isChild(root, entry.target)) return &entry;
  }
  return nullptr;
}

bool olHotkeyTable::translate(const MSG& msg) const {
  const olHotkey* entry = match(msg);
  if (!entry) return false;
  sendMessage(entry->target, WM_COMMAND, MAKEWPARAM(entry->command, 1), 0);
  return true;
}
