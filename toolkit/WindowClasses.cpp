// Window classes, and the making and destroying of windows: each class names the Qt
// widget behind its windows and the procedure its windows start with.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <cstdio>

#include "toolkit/WindowInternal.h"

namespace {

// The window kinds the toolkit can make.
enum class Kind { generic, dialog, button, edit, label, listBox, scrollBar, comboBox, progress };

// Atoms of the classes that are not template kinds; registered classes count from
// kFirstRegisteredAtom up.
constexpr ATOM kProgressAtom = 0x90;
constexpr ATOM kDialogAtom = 0x8002;
constexpr ATOM kFirstRegisteredAtom = 0xC100;
// The static styles that choose the text's alignment.
constexpr uint32_t kStaticAlignMask = SS_CENTER | SS_RIGHT;

struct ClassEntry {
  olWndClass description;
  Kind kind;
  ATOM atom;
};

olstrmap<ClassEntry>& classes() {
  static olstrmap<ClassEntry> map = [] {
    olstrmap<ClassEntry> m;
    auto add = [&m](const char16_t* name, Kind kind, ATOM atom, WNDPROC procedure) {
      olWndClass c;
      c.name = name;
      c.procedure = procedure;
      m[name] = {c, kind, atom};
    };
    add(u"Button", Kind::button, kTemplateButton, buttonProc);
    add(u"Edit", Kind::edit, kTemplateEdit, editProc);
    add(u"Static", Kind::label, kTemplateStatic, staticProc);
    add(u"ListBox", Kind::listBox, kTemplateListBox, listBoxProc);
    add(u"ScrollBar", Kind::scrollBar, kTemplateScrollBar, defWindowProc);
    add(u"ComboBox", Kind::comboBox, kTemplateComboBox, comboBoxProc);
    add(u"msctls_progress32", Kind::progress, kProgressAtom, defWindowProc);
    add(u"#32770", Kind::dialog, kDialogAtom, defDlgProc);
    return m;
  }();
  return map;
}
ATOM g_nextAtom = kFirstRegisteredAtom;

const ClassEntry* findClass(olstring_view name) {
  auto found = classes().find(name);
  return found == classes().end() ? nullptr : &found->second;
}

QWidget* makeButton(uint32_t style, QWidget* parent) {
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX: return new QCheckBox(parent);
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return new QRadioButton(parent);
    case BS_GROUPBOX: return new QGroupBox(parent);
    default: {
      auto* button = new QPushButton(parent);
      button->setAutoDefault(false);
      return button;
    }
  }
}

QWidget* makeEdit(uint32_t style, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
  edit->setReadOnly(style & ES_READONLY);
  return edit;
}

QWidget* makeLabel(uint32_t style, QWidget* parent) {
  auto* label = new QLabel(parent);
  const uint32_t align = style & kStaticAlignMask;
  label->setAlignment(align == SS_CENTER ? Qt::AlignHCenter : align == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft);
  label->setWordWrap(true);
  return label;
}

QWidget* makeWidget(Kind kind, uint32_t style, QWidget* parent, bool child) {
  if (!child) {
    auto* window = new QWidget(parent, parent ? Qt::Dialog : Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
  }
  switch (kind) {
    case Kind::button: return makeButton(style, parent);
    case Kind::edit: return makeEdit(style, parent);
    case Kind::label: return makeLabel(style, parent);
    case Kind::listBox: return new QListWidget(parent);
    case Kind::scrollBar: return new QScrollBar(Qt::Vertical, parent);
    case Kind::comboBox: return new QComboBox(parent);
    default: return new QWidget(parent);
  }
}

void connectNotifications(QWidget* widget, HWND hwnd, uint32_t style) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    // A plain check box does not change itself on Windows; only the automatic one does.
    if ((style & BS_TYPEMASK) == BS_CHECKBOX || (style & BS_TYPEMASK) == BS_RADIOBUTTON) {
      QObject::connect(button, &QAbstractButton::clicked, button, [button](bool) {
        button->setChecked(!button->isChecked());
      });
    }
    QObject::connect(button, &QAbstractButton::clicked, button, [hwnd] { notifyParent(hwnd, BN_CLICKED); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [hwnd] { notifyParent(hwnd, EN_CHANGE); });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    QObject::connect(combo, &QComboBox::activated, combo, [hwnd] { notifyParent(hwnd, CBN_SELCHANGE); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    if (style & LBS_NOTIFY)
      QObject::connect(list, &QListWidget::currentRowChanged, list, [hwnd] { notifyParent(hwnd, LBN_SELCHANGE); });
  }
}

Qt::FocusPolicy focusPolicyOf(Kind kind, uint32_t style) {
  if (style & WS_TABSTOP) return Qt::StrongFocus;
  const bool takesInput = kind != Kind::label && kind != Kind::generic && kind != Kind::progress;
  return takesInput ? Qt::ClickFocus : Qt::NoFocus;
}

void collectDescendants(QWidget* widget, std::vector<HWND>& out) {
  for (QObject* object : widget->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child) continue;
    if (HWND h = handleOf(child)) out.push_back(h);
    collectDescendants(child, out);
  }
}

}  // namespace

ATOM registerClassOnce(const olWndClass& description) {
  olstring name = description.name;
  if (name.empty()) {
    if (description.numericName == 0) return 0;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%u", description.numericName);
    name = fromUtf8(digits);
  }
  if (const ClassEntry* existing = findClass(name)) return existing->atom;
  Kind kind = Kind::generic;
  ClassEntry entry{description, kind, g_nextAtom};
  if (!description.baseClass.empty()) {
    const ClassEntry* base = findClass(description.baseClass);
    if (!base) return 0;
    entry.kind = base->kind;
    if (!entry.description.procedure) entry.description.procedure = base->description.procedure;
  }
  ++g_nextAtom;
  entry.description.name = name;
  classes()[name] = entry;
  return entry.atom;
}

WNDPROC classProcedure(olstring_view className) {
  const ClassEntry* entry = findClass(className);
  return entry && entry->description.procedure ? entry->description.procedure : defWindowProc;
}

HWND createWindowEx(uint32_t exStyle, olstring_view className, olstring_view text, uint32_t style, RECT rect,
                    HWND parent, int id) {
  const ClassEntry* entry = findClass(className);
  if (!entry) return nullptr;
  const bool child = style & WS_CHILD;
  QWidget* parentWidget = widgetOf(parent);
  if (child && !parentWidget) return nullptr;
  QWidget* widget = makeWidget(entry->kind, style, parentWidget, child);
  HWND hwnd = registerWidget(widget, entry->description.name, style, exStyle, child ? id : 0, child ? nullptr : parent);
  windowRecord(hwnd)->procedure = classProcedure(className);
  widget->setGeometry(toQRect(rect));
  if (!child && !(style & WS_THICKFRAME)) widget->setFixedSize(rect.width(), rect.height());
  if (child) widget->setFocusPolicy(focusPolicyOf(entry->kind, style));
  if (exStyle & WS_EX_ACCEPTFILES) widget->setAcceptDrops(true);
  connectNotifications(widget, hwnd, style);
  if (!text.empty()) setWindowText(hwnd, text);
  if (callProcedure(hwnd, WM_NCCREATE, 0, 0) == -1 || callProcedure(hwnd, WM_CREATE, 0, 0) == -1) {
    destroyWindow(hwnd);
    return nullptr;
  }
  if (style & WS_DISABLED) enableWindow(hwnd, false);
  if (style & WS_VISIBLE) widget->setVisible(true);
  return hwnd;
}

bool destroyWindow(HWND hwnd) {
  QWidget* widget = widgetOf(hwnd);
  if (!widget) return false;
  std::vector<HWND> descendants;
  collectDescendants(widget, descendants);
  widget->hide();
  sendMessage(hwnd, WM_DESTROY);
  for (HWND h : descendants) sendMessage(h, WM_DESTROY);
  for (auto it = descendants.rbegin(); it != descendants.rend(); ++it) {
    sendMessage(*it, WM_NCDESTROY);
    forgetHandle(*it);
  }
  sendMessage(hwnd, WM_NCDESTROY);
  forgetHandle(hwnd);
  // A modal loop waiting on this window learns of its end with the next message.
  if (widget->isWindow()) postMessage(nullptr, WM_NULL);
  // The widget may be the one whose event is being delivered right now; Qt frees it once
  // that delivery is over. To the window system it is gone already.
  widget->deleteLater();
  return true;
}

bool isWindow(HWND hwnd) { return windowRecord(hwnd) != nullptr; }
