// The toolkit's single-line edit: themed colours and frame, an accent frame while it has
// the focus, and a cue text shown while it is empty (also while focused).
#pragma once

#include "toolkit/Theme.h"
#include "toolkit/Window.h"

class olEdit : public olWnd, public oltheme_control {
public:
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void onAttached() override;
  void applyControlTheme(HWND hwnd) override;

  void setCueText(olstring_view text);
  olstring cueText() const;
  olstring text() const { return getWindowText(m_hwnd); }
  void setText(olstring_view text) { setWindowText(m_hwnd, text); }
  void selectAll();
  // Line breaks (CR, LF) typed, pasted or dropped into the edit are dropped at once: a
  // path copied from a terminal brings its newline along. Text set by the program stays as
  // it is (a name may hold a line break), and so do spaces, which names may hold too.
  void dropLineBreaksFromInput();
};
