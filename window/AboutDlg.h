// The about dialog: icon, name and version, an attribution link, the about text, and help,
// close and donate. The link and the help and donate buttons hand their commands to the
// owner window, which opens the web pages.
#pragma once

#include "foundation/CommandIds.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"

class CAboutDlg : public olBaseDlg {
public:
  CAboutDlg();

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  ~CAboutDlg() override;
  void attachControls() override;
  bool onInitDialog() override;
  void initPlacement() override;
  void layoutControls() override;
  void loadTexts() override;
  void paintClient(HDC dc, const RECT& rect) override;

  // The program's name and the version of this build, as --version prints it.
  static const olstring& nameLine();
  // The attribution text of the link.
  static const olstring& attributionText();

  // Where the about text was drawn in the last paint (empty when nothing was drawn).
  const RECT& aboutTextRect() const { return m_aboutTextRect; }

private:

  olButton_Link m_link;
  olButton m_helpButton;
  olButton m_closeButton;
  olButton m_donateButton;
  RECT m_aboutTextRect{};
};
