// The factory that gives the toolkit's windows their accessible interfaces, the interfaces of
// plain windows with their drawn texts, of the drawn buttons and of the progress bar, and
// the announcements of their changes. Qt's own controls (edits, check boxes) keep Qt's
// interfaces.
#include "toolkit/AccessibleInternal.h"

#include <QAccessibleValueInterface>
#include <QPushButton>

#include "toolkit/Buttons.h"
#include "toolkit/Geometry.h"
#include "toolkit/ListView.h"
#include "toolkit/Progress.h"
#include "toolkit/ToolTip.h"

bool olAccessibleParts::activateAccessiblePart(int) { return false; }

olWnd* boundObject(const QWidget* widget) { return olWndMap::instance().find(handleOf(widget)); }

QRect screenRect(const QWidget* widget, const RECT& client) {
  if (!widget || client.isEmpty()) return {};
  const QRect local = toQRect(client);
  return QRect(widget->mapToGlobal(local.topLeft()), local.size());
}

namespace {

// The reader in this process, while there is one.
std::function<void(QAccessibleEvent*)>* g_reader = nullptr;

QWidget* widgetOrNull(HWND hwnd) { return widgetOf(hwnd); }

QAccessible::Role partRole(olAccessRole role) {
  switch (role) {
    case olAccessRole::statusBar: return QAccessible::StatusBar;
    case olAccessRole::link: return QAccessible::Link;
    case olAccessRole::staticText: break;
  }
  return QAccessible::StaticText;
}

// One text a window draws itself. It asks the window's object for its text at every call,
// so a new language or a new compare reads at once.
class olAccessiblePart : public QAccessibleInterface, public QAccessibleActionInterface {
public:
  olAccessiblePart(const olAccessibleWindow* window, int index) : m_window(window), m_index(index) {}

  bool isValid() const override { return m_window->isValid() && part() != nullptr; }
  // A part is no object of its own: a widget's object would tie the part to that widget's
  // entry in Qt's cache.
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_window->window(); }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return const_cast<olAccessibleWindow*>(m_window); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text t) const override {
    const olAccessPart shown = current();
    if (t == QAccessible::Name) return toQString(shown.name);
    if (t == QAccessible::Description) return toQString(shown.description);
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override { return screenRect(m_window->windowWidget(), current().rect); }
  QAccessible::Role role() const override { return partRole(current().role); }
  QAccessible::State state() const override {
    QAccessible::State state;
    const olAccessPart shown = current();
    state.readOnly = true;
    state.invisible = shown.name.empty() || shown.rect.isEmpty();
    state.linked = shown.role == olAccessRole::link;
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

  QStringList actionNames() const override {
    return current().role == olAccessRole::link ? QStringList{pressAction()} : QStringList{};
  }
  void doAction(const QString& name) override {
    if (name == pressAction() && current().role == olAccessRole::link)
      if (olAccessibleParts* source = part()) source->activateAccessiblePart(m_index);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
  olAccessibleParts* part() const {
    olAccessibleParts* source = m_window->parts();
    return source && m_index < source->accessiblePartCount() ? source : nullptr;
  }
  olAccessPart current() const {
    olAccessibleParts* source = part();
    return source ? source->accessiblePart(m_index) : olAccessPart{};
  }

  const olAccessibleWindow* m_window;
  int m_index;
};

// A toolkit push button and its variants: named by its tooltip where it has one (an icon
// button), else by its caption; a switch is checkable; a link button is a link; the
// splitter bar is a splitter whose value is where it stands, which a reader may set.
class olAccessibleButton : public QAccessibleWidget, public QAccessibleValueInterface {
public:
  explicit olAccessibleButton(QWidget* widget) : QAccessibleWidget(widget, QAccessible::PushButton) {}

  QAccessible::Role role() const override {
    olWnd* bound = boundObject(widget());
    if (dynamic_cast<olButton_Split*>(bound)) return QAccessible::Splitter;
    return dynamic_cast<olButton_Link*>(bound) ? QAccessible::Link : QAccessible::PushButton;
  }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) return QAccessibleWidget::text(t);
    const HWND hwnd = handleOf(widget());
    const olstring tip = olToolTipCtrl::shared().toolText(hwnd);
    return toQString(tip.empty() ? cleanLabel(getWindowText(hwnd)) : tip);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    if (auto* button = qobject_cast<QPushButton*>(widget())) {
      state.pressed = button->isDown();
      state.defaultButton = (getStyle(handleOf(widget())) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }
    if (auto* toggle = dynamic_cast<olButton_Switch*>(boundObject(widget()))) {
      state.checkable = true;
      state.checked = toggle->isChecked();
    }
    state.linked = role() == QAccessible::Link;
    return state;
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (pressable()) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& name) override {
    if (name != pressAction()) return QAccessibleWidget::doAction(name);
    if (pressable()) sendMessage(handleOf(widget()), BM_CLICK);
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface && splitter()) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QVariant currentValue() const override { return splitter() ? splitter()->position() : 0; }
  void setCurrentValue(const QVariant& value) override {
    if (olButton_Split* bar = splitter(); bar && bar->keyboardStep() > 0) bar->moveTo(value.toInt());
  }
  QVariant maximumValue() const override { return splitter() ? splitter()->greatestPosition() : 0; }
  QVariant minimumValue() const override { return splitter() ? splitter()->leastPosition() : 0; }
  QVariant minimumStepSize() const override { return splitter() ? splitter()->keyboardStep() : 0; }

private:
  olButton_Split* splitter() const { return dynamic_cast<olButton_Split*>(boundObject(widget())); }
  bool pressable() const { return role() != QAccessible::Splitter && widget()->isEnabled(); }
};

// The progress bar: its text as its name, its position in its range as its value. A bar
// without a known total is busy: value and range 0, as readers expect of a busy bar.
class olAccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
  explicit olAccessibleProgress(QWidget* widget) : QAccessibleWidget(widget, QAccessible::ProgressBar) {}

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) return QAccessibleWidget::text(t);
    const olProgressCtrl* bar = this->bar();
    return bar ? toQString(bar->text()) : QString();
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QVariant currentValue() const override {
    const olProgressCtrl* bar = this->bar();
    return bar && !bar->isIndeterminate() ? static_cast<double>(bar->position()) : 0.0;
  }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override {
    const olProgressCtrl* bar = this->bar();
    return bar && !bar->isIndeterminate() ? static_cast<double>(bar->maximum()) : 0.0;
  }
  QVariant minimumValue() const override { return 0.0; }
  QVariant minimumStepSize() const override { return 0.0; }

private:
  const olProgressCtrl* bar() const { return dynamic_cast<const olProgressCtrl*>(boundObject(widget())); }
};

// What the factory makes for a toolkit window: by the object bound to it.
enum class InterfaceKind { none, button, list, progress, window };

InterfaceKind kindFor(const QString& className, QWidget* widget) {
  if (!handleOf(widget)) return InterfaceKind::none;
  if (className == QLatin1String("QPushButton")) return InterfaceKind::button;
  if (className != QLatin1String("QWidget")) return InterfaceKind::none;
  olWnd* bound = boundObject(widget);
  if (dynamic_cast<olListView*>(bound)) return InterfaceKind::list;
  if (dynamic_cast<olProgressCtrl*>(bound)) return InterfaceKind::progress;
  return InterfaceKind::window;
}

InterfaceKind kindOf(QAccessibleInterface* iface) {
  if (dynamic_cast<olAccessibleButton*>(iface)) return InterfaceKind::button;
  if (isListInterface(iface)) return InterfaceKind::list;
  if (dynamic_cast<olAccessibleProgress*>(iface)) return InterfaceKind::progress;
  if (dynamic_cast<olAccessibleWindow*>(iface)) return InterfaceKind::window;
  return InterfaceKind::none;
}

QAccessibleInterface* toolkitFactory(const QString& className, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  switch (kindFor(className, widget)) {
    case InterfaceKind::button: return new olAccessibleButton(widget);
    case InterfaceKind::list: return makeListInterface(widget);
    case InterfaceKind::progress: return new olAccessibleProgress(widget);
    case InterfaceKind::window: return new olAccessibleWindow(widget);
    case InterfaceKind::none: break;
  }
  return nullptr;
}

// The event for a window, sent only while a reader listens.
void sendEvent(HWND hwnd, QAccessible::Event type) {
  QWidget* widget = widgetOrNull(hwnd);
  if (!widget || !accessibilityActive()) return;
  QAccessibleEvent event(widget, type);
  sendAccessibleEvent(&event);
}

}  // namespace

// ---- olAccessibleWindow

olAccessibleWindow::olAccessibleWindow(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Client) {
  // Readers are told of changes from here on; what the parts say now is known to them.
  if (olAccessibleParts* source = parts()) {
    for (int i = 0; i < source->accessiblePartCount(); ++i) {
      const olAccessPart part = source->accessiblePart(i);
      m_told.emplace_back(toQString(part.name), toQString(part.description));
    }
  }
}

olAccessibleWindow::~olAccessibleWindow() {
  for (QAccessible::Id id : m_partIds)
    if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

QAccessible::Role olAccessibleWindow::role() const {
  if (!widget()->isWindow()) return QAccessible::Client;
  return widget()->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window;
}

olAccessibleParts* olAccessibleWindow::parts() const { return dynamic_cast<olAccessibleParts*>(boundObject(widget())); }

int olAccessibleWindow::widgetChildCount() const { return QAccessibleWidget::childCount(); }

int olAccessibleWindow::childCount() const {
  olAccessibleParts* source = parts();
  return widgetChildCount() + (source ? source->accessiblePartCount() : 0);
}

QAccessibleInterface* olAccessibleWindow::partInterface(int index) const {
  olAccessibleParts* source = parts();
  if (!source || index < 0 || index >= source->accessiblePartCount()) return nullptr;
  if (m_partIds.size() <= size_t(index)) m_partIds.resize(size_t(index) + 1, 0);
  if (m_partIds[size_t(index)] == 0)
    m_partIds[size_t(index)] = QAccessible::registerAccessibleInterface(new olAccessiblePart(this, index));
  return QAccessible::accessibleInterface(m_partIds[size_t(index)]);
}

QAccessibleInterface* olAccessibleWindow::child(int index) const {
  const int widgets = widgetChildCount();
  return index < widgets ? QAccessibleWidget::child(index) : partInterface(index - widgets);
}

int olAccessibleWindow::indexOfChild(const QAccessibleInterface* child) const {
  for (size_t i = 0; i < m_partIds.size(); ++i)
    if (m_partIds[i] != 0 && QAccessible::accessibleInterface(m_partIds[i]) == child)
      return widgetChildCount() + static_cast<int>(i);
  return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface* olAccessibleWindow::childAt(int x, int y) const {
  if (olAccessibleParts* source = parts()) {
    for (int i = 0; i < source->accessiblePartCount(); ++i) {
      const olAccessPart part = source->accessiblePart(i);
      if (!part.name.empty() && screenRect(widget(), part.rect).contains(x, y)) return partInterface(i);
    }
  }
  return QAccessibleWidget::childAt(x, y);
}

void olAccessibleWindow::announceChangedParts() {
  olAccessibleParts* source = parts();
  if (!source) return;
  const int count = source->accessiblePartCount();
  if (m_told.size() < size_t(count)) m_told.resize(size_t(count));
  for (int i = 0; i < count; ++i) {
    const olAccessPart part = source->accessiblePart(i);
    std::pair<QString, QString> now{toQString(part.name), toQString(part.description)};
    if (now == m_told[size_t(i)]) continue;
    const bool nameChanged = now.first != m_told[size_t(i)].first;
    const bool descriptionChanged = now.second != m_told[size_t(i)].second;
    m_told[size_t(i)] = std::move(now);
    QAccessibleInterface* iface = partInterface(i);
    if (!iface) continue;
    if (nameChanged) {
      QAccessibleEvent event(iface, QAccessible::NameChanged);
      sendAccessibleEvent(&event);
    }
    if (descriptionChanged) {
      QAccessibleEvent event(iface, QAccessible::DescriptionChanged);
      sendAccessibleEvent(&event);
    }
  }
}

// ---- a reader in this process

olAccessibleReader::olAccessibleReader(std::function<void(QAccessibleEvent*)> read) {
  g_reader = new std::function<void(QAccessibleEvent*)>(std::move(read));
}

olAccessibleReader::~olAccessibleReader() {
  delete g_reader;
  g_reader = nullptr;
}

void sendAccessibleEvent(QAccessibleEvent* event) {
  if (g_reader) (*g_reader)(event);
  else QAccessible::updateAccessibility(event);
}

// ---- the public side

void installAccessibility() {
  // Qt asks the factory installed last first: this one is asked before Qt's own, which the
  // application object installed, and leaves every widget it does not know to it.
  if (!QCoreApplication::instance()) return;
  QAccessible::installFactory(toolkitFactory);
}

bool accessibilityActive() { return g_reader != nullptr || QAccessible::isActive(); }

void accessibleWindowBound(HWND hwnd) {
  if (!accessibilityActive()) return;
  QWidget* widget = widgetOrNull(hwnd);
  if (!widget) return;
  // A reader may have asked about the window before its object was bound (it was shown
  // first): that interface was made for a window of no kind, and makes way for the right one.
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
  const QString className = QString::fromLatin1(widget->metaObject()->className());
  if (iface && kindOf(iface) != InterfaceKind::none && kindOf(iface) != kindFor(className, widget))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

void announceAccessibleParts(HWND window) {
  QWidget* widget = widgetOrNull(window);
  if (!widget || !accessibilityActive()) return;
  if (auto* iface = dynamic_cast<olAccessibleWindow*>(QAccessible::queryAccessibleInterface(widget)))
    iface->announceChangedParts();
}

void setAccessibleName(HWND hwnd, olstring_view name) {
  // Qt tells readers of the change itself.
  if (QWidget* widget = widgetOrNull(hwnd)) widget->setAccessibleName(toQString(name));
}

void setAccessibleDescription(HWND hwnd, olstring_view description) {
  if (QWidget* widget = widgetOrNull(hwnd)) widget->setAccessibleDescription(toQString(description));
}

void announceCheckedChanged(HWND button) {
  QWidget* widget = widgetOrNull(button);
  if (!widget || !accessibilityActive()) return;
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(widget, changed);
  sendAccessibleEvent(&event);
}

void announceValueChanged(HWND progress) {
  QWidget* widget = widgetOrNull(progress);
  if (!widget || !accessibilityActive()) return;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
  QAccessibleValueInterface* value = iface ? iface->valueInterface() : nullptr;
  if (!value) return;
  QAccessibleValueChangeEvent event(widget, value->currentValue());
  sendAccessibleEvent(&event);
}

void announceNameChanged(HWND hwnd) { sendEvent(hwnd, QAccessible::NameChanged); }
