// The scrolling column in the middle of the compare panel: the two paths with their browse
// buttons, the exclusions and the switches of a compare (app/CompareSwitches.h). The compare panel moves the
// values between these controls and the current options; this panel lays them out, scrolls
// them, browses for paths and keeps the exclude box off while force-file mode is checked.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "app/CompareSwitches.h"
#include "engine/CompareEngine.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edit.h"
#include "toolkit/ScrollPanel.h"

// The kinds of browse history: project files, folders, files.
enum class BrowseKind : unsigned { project = 0, folder = 1, file = 2 };

// One switch of the compare options and the check box that shows it.
using SwitchBox = CompareSwitch;

class CCompareInfoPanel : public olScrollPanel {
public:
  explicit CCompareInfoPanel(CompareEngine& engine);
  ~CCompareInfoPanel() override;

  void onAttached() override;
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Sets the cue texts, button texts and check box captions from the language.
  void applyInfoTexts();
  // Lays out the column for the panel's width, sets the content height and the scroll bar;
  // runs once more when the bar appeared or went, since that changes the width.
  void layoutInfoPanel();

  // Every switch with its box.
  static std::span<const SwitchBox> switchBoxes() { return kCompareSwitches; }
  olEdit& pathBox(int side) { return side == 0 ? m_firstPath : m_secondPath; }
  olEdit& excludeBox() { return m_exclude; }
  // The box of a switch's control id (the force-file box for any other id).
  olCheckBox& checkBox(int controlId);
  olCheckBox& forceFileBox() { return checkBox(control_id::kForceFile); }
  HWND browseButton(int side) const { return side == 0 ? m_firstBrowse.hwnd() : m_secondBrowse.hwnd(); }

  // The time tolerance the panel shows, in seconds (0 automatic), and showing another.
  uint32_t timeTolerance() const { return m_timeToleranceSeconds; }
  void setTimeTolerance(uint32_t seconds);
  HWND timeToleranceButton() const { return m_timeTolerance.hwnd(); }
  // The tolerances the button's menu offers, in seconds; 0 is automatic.
  static std::span<const uint32_t> timeToleranceChoices();
  // Shows the tolerances under the button and takes the one chosen.
  void chooseTimeTolerance();
  // The controls top to bottom and, on a line, left to right: the order Tab takes.
  std::vector<HWND> controlsInOrder();

  // The exclude box is usable exactly while force-file mode is not checked.
  void followForceFile();
  // Browses for a path of the kind (folder or file) for a side's box, starting where the
  // last browse of that kind ended. False when cancelled.
  bool browse(int side, BrowseKind kind);

  // The remembered path of a browse kind ("browsehistory" in config.ini), and storing one
  // (written at once; an empty path is not stored).
  static olstring browseHistory(BrowseKind kind);
  static void setBrowseHistory(BrowseKind kind, olstring_view path);

private:
  // Shows the folder-or-file menu under a side's browse button, then browses.
  void onBrowseButton(int side);
  // One layout pass; true when the scroll bar appeared or went with it.
  bool layoutColumn();

  CompareEngine& m_engine;
  olScrollPanel_Ctrl<olEdit> m_firstPath;
  olScrollPanel_Ctrl<olEdit> m_secondPath;
  olScrollPanel_Ctrl<olEdit> m_exclude;
  olScrollPanel_Ctrl<olButton_customIcon> m_firstBrowse;
  olScrollPanel_Ctrl<olButton_customIcon> m_secondBrowse;
  // One box for each row of the switch table, at the row's index.
  std::array<olScrollPanel_Ctrl<olCheckBox>, kCompareSwitchCount> m_switchBoxes;
  // Shows the time tolerance and offers the others, under the boxes of what is compared.
  olScrollPanel_Ctrl<olButton> m_timeTolerance;
  uint32_t m_timeToleranceSeconds = 0;
};
