// Popup menus on QMenu. Colours come from the application palette the current theme sets;
// the font is the UI font.
#include "toolkit/Menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

#include "foundation/Language.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

struct olMenuObject {
  olMenu* menu;
};

namespace {

// Draws a menu's frame in the theme's frame colour. The platform style darkens the menu's
// own background for it, which cannot be seen against a dark window.
class MenuStyle : public QProxyStyle {
public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element != PE_FrameMenu) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    painter->save();
    painter->setPen(toQColor(themeColour(olThemeSlot::frame)));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
  }
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    // A frame of one pixel at least, so that there is one to draw.
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_MenuPanelWidth ? std::max(value, 1) : value;
  }
};

QStyle* menuStyle() {
  static QPointer<MenuStyle> style;
  if (!style) {
    style = new MenuStyle;
    style->setParent(QCoreApplication::instance());
  }
  return style;
}

}  // namespace

struct olMenu::Impl {
  QPointer<QMenu> menu;
  olMenuObject object{nullptr};
  std::vector<std::unique_ptr<olMenu>> submenus;

  QAction* find(UINT id) const {
    if (!menu) return nullptr;
    for (QAction* action : menu->actions())
      if (!action->isSeparator() && !action->menu() && action->data().toUInt() == id) return action;
    for (const auto& sub : submenus)
      if (QAction* found = sub->m->find(id)) return found;
    return nullptr;
  }
};

olMenu::olMenu() : m(std::make_unique<Impl>()) { m->object.menu = this; }

olMenu::~olMenu() { destroy(); }

bool olMenu::create() {
  if (m->menu) return true;
  if (!QApplication::instance()) return false;
  m->menu = new QMenu;
  m_handle = &m->object;
  olMenuMap::instance().m_menus.emplace_back(m_handle, this);
  readTheme();
  return true;
}

void olMenu::destroy() {
  clear();
  if (m_handle) {
    auto& list = olMenuMap::instance().m_menus;
    std::erase_if(list, [this](const auto& entry) { return entry.second == this; });
  }
  // A submenu's QMenu belongs to its parent menu, which deletes it.
  if (m->menu && !m->menu->parent()) delete m->menu.data();
  m->menu = nullptr;
  m_handle = nullptr;
}

bool olMenu::exists() const { return m->menu != nullptr; }

void olMenu::clear() {
  m->submenus.clear();
  if (m->menu) m->menu->clear();
}

bool olMenu::appendItem(UINT id, olstring_view text, UINT flags) {
  if (!m->menu) return false;
  if (flags & MF_SEPARATOR) return appendSeparator();
  QAction* action = m->menu->addAction(toQString(text));
  action->setData(id);
  // Only a checked item shows a mark; an unchecked one shows nothing, not an empty box.
  action->setCheckable(flags & MF_CHECKED);
  action->setChecked(flags & MF_CHECKED);
  action->setEnabled(!(flags & MF_GRAYED));
  return true;
}

bool olMenu::appendLangItem(UINT id, olstring_view section, olstring_view key) {
  return appendItem(id, langText(section, key));
}

bool olMenu::appendSeparator() {
  if (!m->menu) return false;
  m->menu->addSeparator();
  return true;
}

olMenu* olMenu::appendSubmenu(olstring_view text) {
  if (!m->menu) return nullptr;
  auto sub = std::make_unique<olMenu>();
  sub->m->menu = new QMenu(toQString(text), m->menu);
  sub->m_handle = &sub->m->object;
  olMenuMap::instance().m_menus.emplace_back(sub->m_handle, sub.get());
  m->menu->addMenu(sub->m->menu);
  sub->readTheme();
  m->submenus.push_back(std::move(sub));
  return m->submenus.back().get();
}

bool olMenu::checkItem(UINT id, bool checked) {
  QAction* action = m->find(id);
  if (!action) return false;
  action->setCheckable(checked);
  action->setChecked(checked);
  return true;
}

bool olMenu::enableItem(UINT id, bool enabled) {
  QAction* action = m->find(id);
  if (!action) return false;
  action->setEnabled(enabled);
  return true;
}

bool olMenu::setDefaultItem(UINT id) {
  QAction* action = m->find(id);
  if (!action) return false;
  // The default item is shown bold; only one per menu level.
  if (auto* owner = qobject_cast<QMenu*>(action->parent())) owner->setDefaultAction(action);
  QFont bold = action->font();
  bold.setBold(true);
  action->setFont(bold);
  return true;
}

bool olMenu::isChecked(UINT id) const {
  QAction* action = m->find(id);
  return action && action->isChecked();
}

bool olMenu::isEnabled(UINT id) const {
  QAction* action = m->find(id);
  return action && action->isEnabled();
}

UINT olMenu::defaultItem() const {
  if (m->menu && m->menu->defaultAction()) return m->menu->defaultAction()->data().toUInt();
  for (const auto& sub : m->submenus)
    if (UINT id = sub->defaultItem()) return id;
  return 0;
}

bool olMenu::containsItem(UINT id) const { return m->find(id) != nullptr; }

bool olMenu::enableSubmenu(bool enabled) {
  if (!m->menu || !m->menu->parent()) return false;
  m->menu->menuAction()->setEnabled(enabled);
  return true;
}

bool olMenu::isSubmenuEnabled() const { return m->menu && m->menu->parent() && m->menu->menuAction()->isEnabled(); }

olstring olMenu::itemText(UINT id) const {
  QAction* action = m->find(id);
  return action ? fromQString(action->text()) : olstring();
}

int olMenu::itemCount() const { return m->menu ? static_cast<int>(m->menu->actions().size()) : 0; }

std::vector<olMenu*> olMenu::submenus() const {
  std::vector<olMenu*> result;
  for (const auto& sub : m->submenus) result.push_back(sub.get());
  return result;
}

int olMenu::popup(HWND owner, POINT screen, UINT flags) {
  if (!m->menu) return 0;
  readTheme();
  QAction* chosen = m->menu->exec(QPoint(screen.x, screen.y));
  UINT id = chosen ? chosen->data().toUInt() : 0;
  if (flags & TPM_RETURNCMD) return static_cast<int>(id);
  if (id && owner) postMessage(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return id ? 1 : 0;
}

void olMenu::readTheme() {
  if (!m->menu) return;
  if (HFONT font = uiFont()) m->menu->setFont(qfontOf(font));
  if (m->menu->style() != menuStyle()) m->menu->setStyle(menuStyle());
  m->menu->setPalette(themePalette());
  for (const auto& sub : m->submenus) sub->readTheme();
}

olMenuMap& olMenuMap::instance() {
  static olMenuMap map;
  return map;
}

olMenu* olMenuMap::find(HMENU handle) const {
  for (const auto& [h, menu] : m_menus)
    if (h == handle) return menu;
  return nullptr;
}

std::vector<olMenu*> olMenuMap::all() const {
  std::vector<olMenu*> result;
  for (const auto& entry : m_menus) result.push_back(entry.second);
  return result;
}

void menusReadTheme() {
  for (olMenu* menu : olMenuMap::instance().all()) menu->readTheme();
}
