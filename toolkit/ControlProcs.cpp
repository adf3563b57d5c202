// The window procedures of the predefined control classes, each a flat switch over the
// messages its class answers, falling back to defWindowProc, the platform's default
// processing that every window shares.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "toolkit/WindowInternal.h"

namespace {

// WM_SETTEXT and the text messages of lists carry a zero-terminated UTF-16 string.
QString textArgument(LPARAM lParam) {
  return lParam ? QString::fromUtf16(reinterpret_cast<const char16_t*>(lParam)) : QString();
}

// WM_GETTEXT in the toolkit's form: lParam points to the olstring that receives the text;
// the result is its length.
LRESULT answerText(LPARAM lParam, const QString& value) {
  if (auto* out = reinterpret_cast<olstring*>(lParam)) *out = fromQString(value);
  return value.size();
}

template <typename Widget>
Widget* widgetAs(HWND hwnd) {
  return qobject_cast<Widget*>(widgetOf(hwnd));
}

// ---- default processing

LRESULT setGenericText(olWindowRecord& record, LPARAM lParam) {
  const QString value = textArgument(lParam);
  if (record.widget->isWindow()) {
    record.widget->setWindowTitle(value);
  } else {
    record.text = fromQString(value);
    record.widget->update();
  }
  return 1;
}

LRESULT getGenericText(const olWindowRecord& record, LPARAM lParam) {
  return answerText(lParam, record.widget->isWindow() ? record.widget->windowTitle() : toQString(record.text));
}

LRESULT setFont(olWindowRecord& record, WPARAM wParam) {
  record.font = reinterpret_cast<HFONT>(wParam);
  record.widget->setFont(qfontOf(record.font));
  return 0;
}

LRESULT setIcon(olWindowRecord& record, WPARAM wParam, LPARAM lParam) {
  if (wParam < std::size(record.icons)) record.icons[wParam] = reinterpret_cast<HICON>(lParam);
  return 0;
}

// WM_NEXTDLGCTL: lParam set means wParam is the window to focus; otherwise the focus moves
// one tab stop on (wParam 0) or back (wParam 1), in Qt's focus chain, which is the tab order.
LRESULT nextDialogControl(WPARAM wParam, LPARAM lParam) {
  if (lParam) {
    setFocus(reinterpret_cast<HWND>(wParam));
    return 0;
  }
  QWidget* focus = QApplication::focusWidget();
  if (!focus) return 0;
  const bool backwards = wParam != 0;
  auto step = [backwards](QWidget* w) { return backwards ? w->previousInFocusChain() : w->nextInFocusChain(); };
  QWidget* next = step(focus);
  while (next && next != focus && !(next->focusPolicy() & Qt::TabFocus && next->isVisible() && next->isEnabled()))
    next = step(next);
  if (next) next->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
  return 0;
}

// ---- buttons

LRESULT setButtonText(HWND hwnd, LPARAM lParam) {
  if (auto* group = widgetAs<QGroupBox>(hwnd)) group->setTitle(textArgument(lParam));
  else if (auto* button = widgetAs<QAbstractButton>(hwnd)) button->setText(textArgument(lParam));
  return 1;
}

LRESULT getButtonText(HWND hwnd, LPARAM lParam) {
  if (auto* group = widgetAs<QGroupBox>(hwnd)) return answerText(lParam, group->title());
  auto* button = widgetAs<QAbstractButton>(hwnd);
  return answerText(lParam, button ? button->text() : QString());
}

LRESULT buttonCheck(HWND hwnd) {
  auto* button = widgetAs<QAbstractButton>(hwnd);
  return button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

LRESULT setButtonCheck(HWND hwnd, WPARAM state) {
  if (auto* button = widgetAs<QAbstractButton>(hwnd)) {
    button->setCheckable(true);
    button->setChecked(state == BST_CHECKED);
  }
  return 0;
}

LRESULT buttonKeys(HWND hwnd) {
  switch (getStyle(hwnd) & BS_TYPEMASK) {
    case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return DLGC_RADIOBUTTON;
    case BS_GROUPBOX: return DLGC_STATIC;
    default: return DLGC_BUTTON;
  }
}

LRESULT clickButton(HWND hwnd) {
  if (auto* button = widgetAs<QAbstractButton>(hwnd)) button->click();
  return 0;
}

// ---- edits

LRESULT setEditText(HWND hwnd, LPARAM lParam) {
  if (auto* edit = widgetAs<QLineEdit>(hwnd)) edit->setText(textArgument(lParam));
  return 1;
}

LRESULT getEditText(HWND hwnd, LPARAM lParam) {
  auto* edit = widgetAs<QLineEdit>(hwnd);
  return answerText(lParam, edit ? edit->text() : QString());
}

// EM_SETSEL: from wParam to lParam; a negative start deselects, an end past the text or
// negative selects to the end.
LRESULT setEditSelection(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto* edit = widgetAs<QLineEdit>(hwnd);
  if (!edit) return 1;
  const auto from = static_cast<int>(wParam);
  auto to = static_cast<int>(lParam);
  if (to < 0 || to > edit->text().size()) to = static_cast<int>(edit->text().size());
  if (from < 0) edit->deselect();
  else edit->setSelection(from, to - from);
  return 1;
}

LRESULT setEditCue(HWND hwnd, LPARAM lParam) {
  auto* edit = widgetAs<QLineEdit>(hwnd);
  if (!edit) return 1;
  edit->setPlaceholderText(textArgument(lParam));
  // The cue is the box's only caption, and it goes once something is typed: a screen reader
  // keeps it as the box's name.
  edit->setAccessibleName(textArgument(lParam));
  return 1;
}

// ---- labels

LRESULT setLabelText(HWND hwnd, LPARAM lParam) {
  if (auto* label = widgetAs<QLabel>(hwnd)) label->setText(textArgument(lParam));
  return 1;
}

LRESULT getLabelText(HWND hwnd, LPARAM lParam) {
  auto* label = widgetAs<QLabel>(hwnd);
  return answerText(lParam, label ? label->text() : QString());
}

// ---- lists and combo boxes: the same three operations on either kind of list

template <typename List>
LRESULT addString(HWND hwnd, LPARAM lParam) {
  auto* list = widgetAs<List>(hwnd);
  if (!list) return -1;
  list->addItem(textArgument(lParam));
  return list->count() - 1;
}

LRESULT setSelection(HWND hwnd, WPARAM index) {
  if (auto* list = widgetAs<QListWidget>(hwnd)) list->setCurrentRow(static_cast<int>(index));
  if (auto* combo = widgetAs<QComboBox>(hwnd)) combo->setCurrentIndex(static_cast<int>(index));
  return 0;
}

LRESULT selection(HWND hwnd) {
  if (auto* list = widgetAs<QListWidget>(hwnd)) return list->currentRow();
  if (auto* combo = widgetAs<QComboBox>(hwnd)) return combo->currentIndex();
  return -1;
}

}  // namespace

LRESULT defWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (passEventToQt(hwnd, message)) return 0;
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  switch (message) {
    case WM_SETTEXT: return setGenericText(*record, lParam);
    case WM_GETTEXT: return getGenericText(*record, lParam);
    case WM_GETTEXTLENGTH: return callProcedure(hwnd, WM_GETTEXT, 0, 0);
    case WM_SETFONT: return setFont(*record, wParam);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(record->font);
    case WM_CLOSE: destroyWindow(hwnd); return 0;
    case WM_SETICON: return setIcon(*record, wParam, lParam);
    case WM_TIMER: timersDispatch(hwnd, static_cast<UINT>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_NEXTDLGCTL: return nextDialogControl(wParam, lParam);
    default: return 0;
  }
}

LRESULT buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: return setButtonText(hwnd, lParam);
    case WM_GETTEXT: return getButtonText(hwnd, lParam);
    case BM_GETCHECK: return buttonCheck(hwnd);
    case BM_SETCHECK: return setButtonCheck(hwnd, wParam);
    case BM_CLICK: return clickButton(hwnd);
    case WM_GETDLGCODE: return buttonKeys(hwnd);
    default: return defWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: return setEditText(hwnd, lParam);
    case WM_GETTEXT: return getEditText(hwnd, lParam);
    case EM_SETSEL: return setEditSelection(hwnd, wParam, lParam);
    case EM_SETCUEBANNER: return setEditCue(hwnd, lParam);
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    default: return defWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT staticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: return setLabelText(hwnd, lParam);
    case WM_GETTEXT: return getLabelText(hwnd, lParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    default: return defWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT listBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LB_ADDSTRING: return addString<QListWidget>(hwnd, lParam);
    case LB_SETCURSEL: return setSelection(hwnd, wParam);
    case LB_GETCURSEL: return selection(hwnd);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return defWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT comboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CB_ADDSTRING: return addString<QComboBox>(hwnd, lParam);
    case CB_SETCURSEL: return setSelection(hwnd, wParam);
    case CB_GETCURSEL: return selection(hwnd);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return defWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT callProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  olWindowRecord* record = windowRecord(hwnd);
  if (!record) return 0;
  WNDPROC procedure = record->procedure ? record->procedure : defWindowProc;
  return procedure(hwnd, message, wParam, lParam);
}

void notifyParent(HWND control, UINT code) {
  HWND parent = getParent(control);
  if (parent) sendMessage(parent, WM_COMMAND, MAKEWPARAM(getDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}
