// What a screen reader learns of the windows beyond the captions of Qt's own controls: the
// texts a window draws itself (a header, a badge, a status line, the lines of a dialog) as
// objects of their own, the toolkit's drawn controls with their roles, names, states and
// values, and the events that let a reader follow changes. The interfaces behind them are
// made on demand, for what a reader asks about; nothing is made while no reader listens.
#pragma once

#include <cstdint>

#include "toolkit/Types.h"

class olRowSelection;

// Installs the toolkit's accessibility for the Qt application (olApp::startInterface does
// it once the application exists; later calls do nothing).
void installAccessibility();
// Whether an assistive technology listens: every announcement below returns at once
// otherwise.
bool accessibilityActive();

// ---- texts a window draws itself

// What such a text is to a reader.
enum class olAccessRole {
  staticText,  // a label: a path, a badge, a line of a dialog
  statusBar,   // the line that describes the selection or the state of the window
  link,        // a text that acts when pressed (opens what it names)
};

// One drawn text. A part with an empty name is not shown to readers.
struct olAccessPart {
  olAccessRole role = olAccessRole::staticText;
  olstring name;
  olstring description;
  RECT rect;  // where it is drawn, in the window's client coordinates
};

// Mixed into a window object that draws texts of its own. Parts keep their index for the
// life of the window; their texts are asked for whenever a reader asks.
class olAccessibleParts {
public:
  virtual int accessiblePartCount() const = 0;
  virtual olAccessPart accessiblePart(int index) const = 0;
  // A reader pressed a link part: true when it acted.
  virtual bool activateAccessiblePart(int index);

protected:
  ~olAccessibleParts() = default;
};

// The window's parts may read differently now (after a repaint of what they show, or a new
// language): each part whose name or description differs from what readers were last told
// is announced as changed. Parts that did not change stay quiet.
void announceAccessibleParts(HWND window);

// ---- names of windows

// The name and the description a reader gives a window in place of its caption (a list,
// a splitter, an edit that shows its caption as a cue). An empty text gives the caption
// back. A change is announced.
void setAccessibleName(HWND hwnd, olstring_view name);
void setAccessibleDescription(HWND hwnd, olstring_view description);

// ---- the toolkit's controls tell of their changes (called by the controls themselves)

// A switch button's checked state changed.
void announceCheckedChanged(HWND button);
// A progress bar's value, range or mode changed; its text changed.
void announceValueChanged(HWND progress);
void announceNameChanged(HWND hwnd);

// A list's caret moved to a row (or to none): the row takes the reader's focus while the
// list has the keyboard focus.
void announceListCaret(HWND list);
// The list took the keyboard focus: its caret row takes the reader's focus once the
// platform has told readers of the list itself, which it does after the list heard of it.
void announceListFocused(HWND list);
// A list's selection changed from before to after: the rows that changed are announced one
// by one while they are few; a change of many rows (select all, invert) is one event for the
// whole list, so that its cost does not grow with the list.
void announceListSelection(HWND list, const olRowSelection& before, const olRowSelection& after, int rowCount);
// A list's rows were built anew: what readers knew of its rows is forgotten.
void announceListRowsReset(HWND list);

