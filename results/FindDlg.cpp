#include "results/FindDlg.h"

#include "foundation/LanguageKeys.h"
#include "foundation/SoftCheck.h"
#include "toolkit/App.h"
#include "toolkit/Geometry.h"

mrnFindDlg::mrnFindDlg(olstring_view initialText) : m_initialText(initialText) {
  beginTemplate(215, 47, olTemplate::popup, 4);
  addTemplateItem(kTemplateEdit, control_id::kFindEdit, 7, 7, 201, 12, WS_TABSTOP | ES_AUTOHSCROLL);
  addTemplateItem(kTemplateButton, IDOK, 101, 26, 50, 14, WS_TABSTOP | BS_DEFPUSHBUTTON);
  addTemplateItem(kTemplateButton, IDCANCEL, 158, 26, 50, 14, WS_TABSTOP);
}

mrnFindDlg::~mrnFindDlg() = default;

LRESULT mrnFindDlg::windowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == IDOK) {
      // However OK arrives (button, Enter), the text is taken; an empty one searches nothing.
      m_text = m_edit.text();
      endDialog(IDOK);
      return 0;
    }
    if (LOWORD(wParam) == control_id::kFindEdit && HIWORD(wParam) == EN_CHANGE) {
      updateControls();
      return 0;
    }
  }
  return olBaseDlg::windowProc(message, wParam, lParam);
}

void mrnFindDlg::attachControls() {
  MIRRANE_CHECK_ONLY(m_edit.attachDlgItem(m_hwnd, control_id::kFindEdit));
  MIRRANE_CHECK_ONLY(m_ok.attachDlgItem(m_hwnd, IDOK));
  MIRRANE_CHECK_ONLY(m_cancel.attachDlgItem(m_hwnd, IDCANCEL));
}

bool mrnFindDlg::onInitDialog() {
  olBaseDlg::onInitDialog();
  m_edit.setText(m_initialText);
  m_edit.selectAll();
  updateControls();
  setFocus(m_edit.hwnd());
  return false;
}

void mrnFindDlg::initPlacement() {
  const SIZE button = standardButtonSize(m_font);
  const int editHeight = preferredSize(m_edit.hwnd()).cy;
  const olMargins& margins = uiMargins();
  for (olButton* b : {&m_ok, &m_cancel})
    setWindowPos(b->hwnd(), HWND_TOP, 0, 0, button.cx, button.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int contentHeight = button.cy + margins.vertical + margins.halfVertical + editHeight;
  const SIZE client{4 * contentHeight + 2 * margins.horizontal, contentHeight + 2 * margins.vertical};
  const SIZE window = windowSizeForClient(m_hwnd, client);
  setWindowPos(m_hwnd, HWND_TOP, 0, 0, window.cx, window.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  olWnd* main = olApp::instance() ? olApp::instance()->mainWindow() : nullptr;
  centreOnOwner(m_hwnd, main && main->hwnd() != m_hwnd ? main->hwnd() : getOwner(m_hwnd));
}

void mrnFindDlg::layoutControls() {
  const olMargins& margins = uiMargins();
  RECT k = getClientRect(m_hwnd);
  k.left += margins.horizontal;
  k.right -= margins.horizontal;
  k.top += margins.vertical + margins.halfVertical;
  k.bottom -= margins.vertical;
  const SIZE button = standardButtonSize(m_font);
  const int editHeight = preferredSize(m_edit.hwnd()).cy;
  moveWindow(m_edit.hwnd(), k.left, k.top, k.width(), editHeight);
  const int buttonTop = k.top + editHeight + margins.vertical;
  const int cancelLeft = k.right - button.cx;
  moveWindow(m_cancel.hwnd(), cancelLeft, buttonTop, button.cx, button.cy);
  moveWindow(m_ok.hwnd(), cancelLeft - margins.horizontal - button.cx, buttonTop, button.cx, button.cy);
}

void mrnFindDlg::updateControls() { enableWindow(m_ok.hwnd(), !m_edit.text().empty()); }

void mrnFindDlg::loadTexts() {
  setWindowText(m_hwnd, cleanLabel(langText(lang::menu_listview::kFind)));
  setWindowText(m_ok.hwnd(), langText(lang::global::kOk));
  setWindowText(m_cancel.hwnd(), langText(lang::global::kCancel));
}
