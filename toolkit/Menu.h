// Themed popup menus built from language texts, with submenus, separators, check marks and
// a bold default item, and the map from menu handles to their objects.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/Messages.h"

class olMenu {
public:
  olMenu();
  ~olMenu();
  olMenu(const olMenu&) = delete;
  olMenu& operator=(const olMenu&) = delete;

  // Makes the (empty) popup menu; true when it exists afterwards.
  bool create();
  void destroy();
  bool exists() const;
  HMENU handle() const { return m_handle; }
  // Removes every item and submenu.
  void clear();

  bool appendItem(UINT id, olstring_view text, UINT flags = MF_STRING);
  // An item labelled with the language text (section, key).
  bool appendLangItem(UINT id, olstring_view section, olstring_view key);
  bool appendSeparator();
  // A new submenu appended under the text; owned by this menu. nullptr without a menu.
  olMenu* appendSubmenu(olstring_view text);

  // Item operations search the submenus as well; false when no item has the id.
  bool checkItem(UINT id, bool checked);
  bool enableItem(UINT id, bool enabled);
  bool setDefaultItem(UINT id);
  bool isChecked(UINT id) const;
  bool isEnabled(UINT id) const;
  UINT defaultItem() const;  // 0 when none
  // Whether an item with the id is in this menu or its submenus.
  bool containsItem(UINT id) const;
  // A submenu's own entry in its parent menu: enabled or greyed (false for a menu that is
  // no submenu).
  bool enableSubmenu(bool enabled);
  bool isSubmenuEnabled() const;
  olstring itemText(UINT id) const;
  int itemCount() const;  // items of this level, separators and submenus included
  std::vector<olMenu*> submenus() const;

  // Shows the menu at a screen point, owned by owner. With TPM_RETURNCMD the chosen
  // command is returned (0 when nothing was chosen); otherwise the choice is posted to the
  // owner as WM_COMMAND and the result is 1 when something was chosen.
  int popup(HWND owner, POINT screen, UINT flags = 0);
  // Re-reads colours and font from the current theme.
  void readTheme();

private:
  struct Impl;
  std::unique_ptr<Impl> m;
  HMENU m_handle = nullptr;
};

class olMenuMap {
public:
  static olMenuMap& instance();
  olMenu* find(HMENU handle) const;
  std::vector<olMenu*> all() const;

private:
  friend class olMenu;
  std::vector<std::pair<HMENU, olMenu*>> m_menus;
};
