// The themed edit. Qt's line edit does the editing; a style sheet built from the theme's
// colours gives it the toolkit's looks, and the platform's looks under System Default.
#include "toolkit/Edit.h"

#include <QLineEdit>

#include "toolkit/WindowInternal.h"

namespace {
QString css(COLORREF c) { return toQColor(c).name(); }
}  // namespace

void olEdit::onAttached() { applyControlTheme(m_hwnd); }

LRESULT olEdit::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOLORCHANGE && reinterpret_cast<const void*>(lParam) == themeMarker()) {
    applyControlTheme(m_hwnd);
    return 0;
  }
  return olWnd::windowProc(message, wParam, lParam);
}

void olEdit::applyControlTheme(HWND hwnd) {
  auto* edit = qobject_cast<QLineEdit*>(widgetOf(hwnd));
  if (!edit) return;
  if (platformPainting()) {
    edit->setStyleSheet(QString());
    return;
  }
  // The focused frame is one pixel wider and the padding one narrower: the text stays put.
  edit->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; padding: 2px 4px;"
                                     " selection-background-color: %4; selection-color: %2; }"
                                     "QLineEdit:focus { border: 2px solid %5; padding: 1px 3px; }"
                                     "QLineEdit:disabled { background: %6; color: %7; }")
                          .arg(css(themeColour(olThemeSlot::window)), css(themeColour(olThemeSlot::text)),
                               css(themeColour(olThemeSlot::frame)), css(themeColour(olThemeSlot::selection)),
                               css(themeColour(olThemeSlot::accent)), css(themeColour(olThemeSlot::face)),
                               css(themeColour(olThemeSlot::greyText))));
}

void olEdit::setCueText(olstring_view text) {
  olstring copy(text);
  sendMessage(m_hwnd, EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

olstring olEdit::cueText() const {
  auto* edit = qobject_cast<QLineEdit*>(widgetOf(m_hwnd));
  return edit ? fromQString(edit->placeholderText()) : olstring();
}

void olEdit::selectAll() { sendMessage(m_hwnd, EM_SETSEL, 0, -1); }

void olEdit::dropLineBreaksFromInput() {
  auto* edit = qobject_cast<QLineEdit*>(widgetOf(m_hwnd));
  if (!edit) return;
  // textEdited comes from the user's edits only, never from setText.
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) return;
    const int cursor = edit->cursorPosition();
    QString kept;
    int removedBeforeCursor = 0;
    for (int i = 0; i < text.size(); ++i) {
      if (text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n')) kept += text[i];
      else if (i < cursor) ++removedBeforeCursor;
    }
    edit->setText(kept);
    edit->setCursorPosition(cursor - removedBeforeCursor);
  });
}
