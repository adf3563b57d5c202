// The details dialog: one compared item's two sides next to each other, line by line (path
// with the type's icon, type, size, modification time, attributes, and the outcome of the
// content comparison), each line marked equal, not compared or different. The two paths
// are links that open the item.
#pragma once

#include <vector>

#include "engine/CompareTree.h"
#include "foundation/CommandIds.h"
#include "toolkit/Accessible.h"
#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"
#include "toolkit/FileTypes.h"

// How a line's two sides compare; it picks the colour of the line's texts.
enum class DetailMark {
  equal = 0,        // the normal text colour
  notCompared = 1,  // grey: not compared, or a difference the compare ignores
  different = 2,    // the difference colour
};

// What a line tells, in the order the lines come.
enum class DetailKind { path, type, size, time, attributes, listing, content };

// The second text of a line whose first text spans both cells (the content line).
inline constexpr olstring_view kSpansBothCells = u"!data";

struct DetailLine {
  // Where the first and the second side's texts are drawn, in client coordinates.
  RECT cell[2];
  olstring text[2];
  DetailMark mark = DetailMark::equal;
  DetailKind kind = DetailKind::path;

  bool spansBothCells() const { return text[1] == kSpansBothCells; }
};

struct DetailsRecord {
  // The path line first, then type, size, time, attributes and content, each only where
  // it has something to say.
  std::vector<DetailLine> lines;
  // The types' icons of the two sides; null for a side without the item.
  olIcon icon[2];
  // The size icons are drawn at; 0 when neither side has one.
  int iconWidth = 0;
  int iconHeight = 0;
  const CompareItem* item = nullptr;
};

// The lines of the details of one item of the result, their marks, the icons, and the
// lines' heights and tops for the UI font. The marks and the content's outcome follow the
// options the result was compared with, whatever the options are now. False when there
// is no item.
bool buildDetails(const CompareResult& result, const CompareItem* item, DetailsRecord& record);

// A time difference for the details: days, hours, minutes and seconds that are not zero,
// the seconds with their fraction ("2 s", "1 h 3 s", "0.25 s"); the sign is left out.
olstring timeDeltaText(int64_t nanoseconds);

class CDetailsDlg : public olBaseDlg, public olAccessibleParts {
public:
  // No path link under the mouse.
  static constexpr int kNoLink = -1;

  // The dialog for a record built from the result; the result must outlive the dialog.
  CDetailsDlg(const CompareResult& result, DetailsRecord details);
  ~CDetailsDlg() override;

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void attachControls() override;
  bool onInitDialog() override;
  void initPlacement() override;
  void layoutControls() override;
  void loadTexts() override;
  // The lines are language texts too: they are built again, then laid out.
  void reloadTexts() override;
  void paintClient(HDC dc, const RECT& rect) override;

  const DetailsRecord& details() const { return m_details; }
  // The client width that shows the longer path whole, the icon before it included, and
  // every other line's texts whole (a line across both cells too).
  int clientWidthForPaths() const;
  // The side whose path is under the mouse, or kNoLink.
  int hotLink() const { return m_hotLink; }
  // Whether a side's path is a link: the side has the item.
  bool hasLink(int side) const;
  // Where a side's path link lies in client coordinates: its icon and its text as drawn.
  // Empty for a side without the item.
  RECT linkRect(int side) const;

  // The link of a side: a control in the Tab round over the path the dialog draws, which
  // Enter or Space presses; hidden for a side without the item.
  HWND linkWindow(int side) const { return m_links[side].hwnd(); }

  // A screen reader reads the two paths as links that open the item (the link controls,
  // named by their paths; a side without the item as a text), then each further line as
  // one text with its label, both sides' values and its mark in words
  // (DetailsAccessible.cpp).
  int accessiblePartCount() const override;
  olAccessPart accessiblePart(int index) const override;

private:
  // Places the link controls over the paths as drawn, and names them for readers.
  void placeLinks();
  void nameLinks();
  // The sides whose path is read as a text, having no link.
  int plainPathCount() const;
  void setHotLink(int side);
  int linkAt(POINT point) const;
  void openSide(int side) const;
  // The help's page on this dialog, from the help button or F1.
  void openHelp() const;
  // The first line's text of a side cut to fit its cell, and where it starts.
  olstring shownPathText(int side) const;
  int pathTextLeft(int side) const;
  // The part of the client area above the buttons.
  RECT linesArea() const;

  const CompareResult& m_result;
  DetailsRecord m_details;
  olButton m_closeButton;
  olButton m_helpButton;
  olButton_TextLink m_links[2];
  int m_hotLink = kNoLink;
};

// The entry for the details command: shows the details of one item of the result in a
// modal dialog, owned by and centred on the window that runs modally now (the main window,
// which is disabled meanwhile), and returns when the user closes it. The item must belong
// to the result; the dialog keeps no pointer into either once it returns. Returns false,
// and shows nothing, when there is no item or the dialog cannot be made.
bool runDetailsDialog(const CompareResult& result, const CompareItem* item);
