// Dialogs built from templates held in memory, the modal loop, centring, and the themed
// base of every dialog of the program.
#pragma once

#include <vector>

#include "toolkit/Theme.h"
#include "toolkit/Window.h"

struct olModalEntry;

// A dialog template makes a top-level popup dialog or a child dialog inside another window.
enum class olTemplate { popup, child };

class olDialog : public olWnd {
public:
  olDialog();
  ~olDialog() override;

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The dialog's keyboard handling: Enter, Escape and the dialog's own navigation.
  bool preTranslateMessage(MSG& msg) override;
  // Binds the template's controls to their objects by id (nothing).
  virtual void attachControls();
  // The result of the initialisation message (true: the first tab stop takes the focus).
  virtual bool onInitDialog();

  // Creates the dialog window from its template, owned by owner; false when already bound
  // or when the window cannot be made.
  bool createModeless(HWND owner);
  // Runs the dialog in its own message loop until its end code is set; returns the end
  // code, or -1 when the dialog is already bound or cannot be created.
  int runModal();
  // Sets the end code and wakes the loop.
  void endDialog(int code);
  int endCode() const { return m_endCode; }
  bool isModalRunning() const { return m_modalEntry != nullptr; }

  // Starts a fresh template of width × height dialog units, popup or child, with room for
  // itemCapacity items (more can be added).
  void beginTemplate(int width, int height, olTemplate kind, int itemCapacity);
  // Appends one control of a predefined kind (0x80 button to 0x85 combo box) in dialog
  // units; false for other kinds or without a template.
  bool addTemplateItem(uint16_t kind, int id, int x, int y, int width, int height, uint32_t extraStyle = 0);
  // Adds style bits to the template's header (a thick frame, minimize and maximize boxes).
  void addTemplateStyle(uint32_t styleBits);
  const std::vector<uint8_t>& templateBlock() const { return m_template; }
  size_t templateUsedBytes() const { return m_templateUsed; }

  // Ends every running modal loop with the code (the test reaper).
  static void endAllModalLoops(int code);

protected:
  int m_endCode = 0;
  uint16_t m_templateId = 0;
  uint16_t m_fontPointSize = 9;
  olstring m_fontFace = u"Segoe UI";
  olstring m_className = u"olThemeWnd";
  std::vector<uint8_t> m_template;
  size_t m_templateUsed = 0;

private:
  // The control with the id as a WM_COMMAND's lParam.
  LPARAM controlParam(int id) const;
  friend bool olSharedDialogProc(HWND, UINT, WPARAM, LPARAM, LRESULT&);
  // Creates the dialog's window and its controls from the template, with the template's
  // style; nullptr on failure.
  HWND createFromTemplate(HWND owner, uint32_t& style);
  olModalEntry* m_modalEntry = nullptr;
};

// Centres a top-level window on its owner (or the primary work area), kept inside the work
// area. Children are not moved. Position only.
bool centreOnOwner(HWND hwnd, HWND owner);

// The dialog manager's keyboard handling for a message addressed into dialog.
bool isDialogMessage(HWND dialog, MSG& msg);

// The themed base of every dialog of the program.
class olBaseDlg : public olDialog, public oltheme_control {
public:
  olBaseDlg();
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  ~olBaseDlg() override;
  // Clears the track sizes, sets the toolkit's UI font and runs initPlacement, loadTexts,
  // updateControls and layoutControls in this order.
  bool onInitDialog() override;
  // First size and position (nothing).
  virtual void initPlacement();
  // Positions the controls for the current client size (nothing).
  virtual void layoutControls();
  // Enables or disables controls from the current state (nothing).
  virtual void updateControls();
  // Sets every visible text from the language tables (nothing).
  virtual void loadTexts();
  // Draws on the client area after the themed background (nothing).
  virtual void paintClient(HDC dc, const RECT& rect);
  // Takes the texts of a new language: loadTexts, updateControls and layoutControls as at
  // the start, a repaint, and the same for the child dialogs. Nothing before the dialog is
  // initialised.
  virtual void reloadTexts();

  // The registered message, with 1 in the low word of wParam, that makes a dialog call
  // reloadTexts; 0 (none) until the application names one.
  static void setReloadTextsMessage(UINT message);
  static UINT reloadTextsMessage();

  // Minimum and maximum window size; equal values make a fixed-size dialog. 0 = not set.
  void setTrackSizes(int minWidth, int minHeight, int maxWidth, int maxHeight);
  bool isFixedSize() const;
  bool isInitialised() const { return m_initialised; }

protected:
  int m_maxTrackWidth = 0;
  int m_maxTrackHeight = 0;
  bool m_initialised = false;
};
