// The find dialog: one edit for the text to look for, OK (only with a text) and Cancel.
// The search itself belongs to the results list, which repeats it without the dialog.
#pragma once

#include "foundation/CommandIds.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"
#include "toolkit/Edit.h"

class mrnFindDlg : public olBaseDlg {
public:
  // The edit starts with the text (the list's last find text).
  explicit mrnFindDlg(olstring_view initialText);
  ~mrnFindDlg() override;

  // The text entered when the dialog ended with OK (code 1); empty otherwise.
  const olstring& text() const { return m_text; }

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void attachControls() override;
  bool onInitDialog() override;
  void initPlacement() override;
  void layoutControls() override;
  void updateControls() override;
  void loadTexts() override;

private:
  olEdit m_edit;
  olButton m_ok;
  olButton m_cancel;
  olstring m_initialText;
  olstring m_text;
};
