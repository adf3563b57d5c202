// The left-hand part of the main window: four icon buttons (load and save a project, the
// reset menu, the main menu), the information panel with the inputs of a compare, and the
// compare button. It moves the options between its controls and the engine's current
// options, checks them before a compare, loads and saves project files, resets, and takes
// files dropped on it. The commands the main window handles are forwarded to it.
#pragma once

#include "engine/CompareEngine.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"
#include "window/CompareInfoPanel.h"

// A flat icon button that shows its frame only while it is pressed, hot or focused.
class mrnFloatButton : public olButton_customIcon {
protected:
  void paintButton(HDC dc, const RECT& rect) override;
  // At rest it is part of the header strip it sits on.
  COLORREF backgroundColour() const override;
};

class CComparePanel : public olBaseDlg {
public:
  explicit CComparePanel(CompareEngine& engine);

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  ~CComparePanel() override;
  void attachControls() override;
  bool onInitDialog() override;
  void layoutControls() override;
  void paintClient(HDC dc, const RECT& rect) override;

  // The button captions, then the information panel's texts.
  void applyPanelTexts();
  // Places the header buttons, the information panel and the compare button.
  void layoutPanel();
  // Current options → controls.
  void loadOptionsIntoControls();
  // Controls → current options; with validate, the checks before a compare, each failure
  // told to the user. Without validate always true.
  bool collectOptions(bool validate);
  // Focuses the first empty path box, else the compare button.
  void focusFirstEmpty();

  // Load and save through the file dialogs; false when cancelled or when it failed (the
  // failure has been shown, and nothing typed was changed).
  bool loadProject();
  bool saveProject();
  // Loads a project file chosen by the user; on failure shows why and keeps the controls.
  bool loadProjectFrom(olstring_view path);
  // Saves the current controls' set-up to a project file; on failure shows why.
  bool saveProjectTo(olstring_view path);
  // The reset menu's two resets: the switches only (resetopt), or the switches and boxes.
  enum class ResetScope { switchesOnly, switchesAndBoxes };
  void reset(ResetScope scope);
  // A path dropped at a point of the panel's client area.
  void dropPath(olstring_view path, POINT point);

  // The panel's controls in the order they stand: the header buttons, the information
  // panel's column, the compare button.
  std::vector<HWND> controlsInOrder();

  CCompareInfoPanel& infoPanel() { return m_infoPanel; }
  HWND headerButton(int controlId) const;

private:
  // Whether the two paths name the same place: equal after lexical normalisation, or one
  // file or folder reached twice (same device and inode).
  static bool samePlace(olstring_view first, olstring_view second);
  // Both paths are files: compare them as archives, as files, or not at all.
  bool confirmFilePair(const CompareOptions& options);
  void showResetMenu();

  CompareEngine& m_engine;
  mrnFloatButton m_loadButton;
  mrnFloatButton m_saveButton;
  mrnFloatButton m_resetButton;
  mrnFloatButton m_moreButton;
  CCompareInfoPanel m_infoPanel;
  olButton m_compareButton;
};
