"""Reads the running program as a screen reader does, through AT-SPI (pyatspi).

Started by screen_reader.sh with the work folder: the program compares WORK/a with
WORK/b.zip, and its 7-Zip waits behind a gate (WORK/gate-open) while it unpacks. The script
reads the progress dialog at the gate, opens it, then reads the compare panel, the header,
the results list with its verdicts and the status bar, follows the focus down the list with
the Down key, and reads the details dialog. Then it types the two folders of WORK/big into
the path boxes and compares them with Enter; while the compare reads their large middle
pair it is paused from the keyboard, its progress bar read (a value between its ends) and
resumed, and it runs to its end. Every wait has a deadline; a failure says what was
expected and what was found, and the script ends with exit code 1.
"""
import os
import sys
import time

import pyatspi
from gi.repository import GLib

WORK = sys.argv[1]
failures = []


def check(condition, what):
    print(("ok      " if condition else "FAILED  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def pump(seconds=0.0):
    """Delivers the events that arrived, for at least the given time."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def wait_for(what, probe, seconds=30):
    """The first true result of probe within the time; ends the script when there is none."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # an object that went away while it was read: ask again
            found = None
        if found:
            return found
        pump(0.05)
    check(False, "within %d s: %s" % (seconds, what))
    finish()


def finish():
    if failures:
        print("%d check(s) failed" % len(failures))
        sys.exit(1)
    sys.exit(0)


def states(node):
    return set(node.getState().getStates())


def descendants(node, depth=0):
    """The objects below node, depth first; tables are not entered (their cells are asked
    for by row and column, as a reader does)."""
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        if child.getRole() != pyatspi.ROLE_TABLE and depth < 12:
            yield from descendants(child, depth + 1)


def find(node, role, name=None, starts=None):
    for child in descendants(node):
        if child.getRole() != role:
            continue
        if name is not None and child.name != name:
            continue
        if starts is not None and not child.name.startswith(starts):
            continue
        return child
    return None


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "mirrane":
            return app
    return None


def top_level(app, role, name):
    for index in range(app.childCount):
        window = app.getChildAtIndex(index)
        if window is not None and window.getRole() == role and window.name == name:
            return window
    return None


def press_key(keysym):
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)


KEY_DOWN = 0xFF54
KEY_UP = 0xFF52
KEY_RETURN = 0xFF0D
KEY_ESCAPE = 0xFF1B
KEY_SPACE = 0x20

focus_events = []


def on_focus(event):
    try:
        focus_events.append((event.source.getRole(), event.source.name))
    except Exception:
        pass


app = wait_for("the program appears on the accessibility bus", program)
main = wait_for("the main window", lambda: top_level(app, pyatspi.ROLE_FRAME, "Mirrane"))
# Only now: a program learns of listeners that come after it is on the bus, while one that
# registered before the program had subscribed to that news may go unheard.
pyatspi.Registry.registerEventListener(on_focus, "focus:")

# ---- the progress dialog, while 7-Zip waits at the gate
wait_for("the compare reaches 7-Zip", lambda: os.path.exists(os.path.join(WORK, "gate-entered")))
progress = wait_for("the progress dialog", lambda: top_level(app, pyatspi.ROLE_DIALOG, "Comparing"))
bar = find(progress, pyatspi.ROLE_PROGRESS_BAR)
if check(bar is not None, "the progress dialog has a progress bar"):
    value = bar.queryValue()
    check(bar.name.endswith("items found"), "the bar's name is its text: %r" % bar.name)
    # Busy while unpacking: the total is not known yet.
    check((value.minimumValue, value.maximumValue, value.currentValue) == (0, 0, 0),
          "a busy bar's value and range are 0: %r" % ((value.minimumValue, value.maximumValue, value.currentValue),))
status_line = find(progress, pyatspi.ROLE_LABEL)
check(status_line is not None and status_line.name.startswith("Unpacking") and "b.zip" in status_line.name,
      "the status line is read: %r" % (status_line.name if status_line else None))
check(find(progress, pyatspi.ROLE_PUSH_BUTTON, "Pause") is not None, "the pause button by role and name")
check(find(progress, pyatspi.ROLE_PUSH_BUTTON, "Cancel") is not None, "the cancel button by role and name")
open(os.path.join(WORK, "gate-open"), "w").close()

# ---- the result
table = wait_for("the results list as a table with rows",
                 lambda: (lambda t: t if t and t.queryTable().nRows > 0 else None)(find(main, pyatspi.ROLE_TABLE)))
wait_for("the progress dialog closes", lambda: top_level(app, pyatspi.ROLE_DIALOG, "Comparing") is None)
check(table.name == "Results", "the list is named: %r" % table.name)

# The compare panel's controls, by role and name.
first_box = find(main, pyatspi.ROLE_TEXT, "First folder or file")
if check(first_box is not None, "the first path box is named by its caption"):
    text = first_box.queryText()
    check(text.getText(0, -1) == os.path.join(WORK, "a"), "the first path box holds the first path")
check(find(main, pyatspi.ROLE_TEXT, "Second folder or file") is not None, "the second path box by its caption")
check(find(main, pyatspi.ROLE_PUSH_BUTTON, "Compare") is not None, "the compare button")
splitter = find(main, pyatspi.ROLE_SPLIT_PANE, "Width of the compare panel")
if check(splitter is not None and pyatspi.STATE_FOCUSABLE in states(splitter), "the splitter, a stop of the Tab round"):
    width = splitter.queryValue()
    check(0 < width.minimumValue <= width.currentValue <= width.maximumValue,
          "the splitter's value is the panel's width within its range: %r" %
          ((width.minimumValue, width.currentValue, width.maximumValue),))
case_box = find(main, pyatspi.ROLE_CHECK_BOX, "Name letter case")
check(case_box is not None and pyatspi.STATE_CHECKED in states(case_box), "the letter-case switch, checked")
for icon in ("Load project", "Save project", "Reset", "Menu"):
    check(find(main, pyatspi.ROLE_PUSH_BUTTON, icon) is not None, "the icon button %r, named by its tip" % icon)
diffs = find(main, pyatspi.ROLE_PUSH_BUTTON, "Differences")
check(diffs is not None and pyatspi.STATE_CHECKED in states(diffs), "the view button 'Differences', checked")
all_items = find(main, pyatspi.ROLE_PUSH_BUTTON, "All Items")
check(all_items is not None and pyatspi.STATE_CHECKED not in states(all_items), "the view button 'All Items', not checked")

# The header and the status bar.
check(find(main, pyatspi.ROLE_LABEL, "First: " + os.path.join(WORK, "a")) is not None, "the header's first path")
check(find(main, pyatspi.ROLE_LABEL, "Second: " + os.path.join(WORK, "b.zip")) is not None, "the header's second path")
badge = find(main, pyatspi.ROLE_LABEL, starts="Differences:")
check(badge is not None and badge.name ==
      "Differences: 5 (only in the first folder: 1, only in the second folder: 1), equal: 2",
      "the badge in words: %r" % (badge.name if badge else None))
status = find(main, pyatspi.ROLE_STATUS_BAR)
check(status is not None and status.name.startswith("6 items"), "the status bar: %r" % (status.name if status else None))

# The rows: two cells, first and second side, and the verdict as the row's description.
cells = table.queryTable()
check(cells.nColumns == 2, "two cells a row")
rows = {}
for row in range(cells.nRows):
    first, second = cells.getAccessibleAt(row, 0), cells.getAccessibleAt(row, 1)
    rows[row] = (first.name, second.name, cells.getRowDescription(row))
    print("        row %d: %r | %r | %r" % (row, *rows[row]))
expected = {
    "docs/report.txt": ("report.txt, 10 bytes, modified", "report.txt, 10 bytes", "content differs"),
    "only-first.txt": ("only-first.txt, 10 bytes", "not in the second folder", "only in the first folder"),
    "only-second.txt": ("not in the first folder", "only-second.txt, 11 bytes", "only in the second folder"),
    "Case.txt": ("Case.txt, 5 bytes", "case.txt, 5 bytes", "name differs in letter case"),
    "thing": ("thing, folder", "thing, 7 bytes", "folder against file"),
}
for item, (first, second, verdict) in expected.items():
    found = [r for r, (a, b, d) in rows.items() if a.startswith(first) and b.startswith(second)]
    check(len(found) == 1 and rows[found[0]][2] == verdict, "the row of %s reads %r" % (item, verdict))

# The caret: Down moves it, and the focus event names the row it reached.
extents = table.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
pyatspi.Registry.generateMouseEvent(extents.x + 40, extents.y - 12, "b1c")  # the header: activates the window
wait_for("the list has the focus", lambda: pyatspi.STATE_FOCUSED in states(table))
wait_for("the focus event of the list", lambda: (pyatspi.ROLE_TABLE, "Results") in focus_events, 10)
focused_row = -1
for step in range(3):
    del focus_events[:]
    press_key(KEY_DOWN)
    focused_row += 1
    column = 1 if rows[focused_row][0].startswith("not in") else 0
    expected_name = rows[focused_row][column]
    last = wait_for("a focus event after Down #%d" % (step + 1),
                    lambda: focus_events[-1] if focus_events and focus_events[-1][1] == expected_name else None, 10)
    check(last[0] == pyatspi.ROLE_TABLE_CELL, "Down #%d: the focus is on row %d's cell %r" % (step + 1, focused_row, last[1]))
    cell = cells.getAccessibleAt(focused_row, column)
    check({pyatspi.STATE_FOCUSED, pyatspi.STATE_SELECTED} <= states(cell), "that cell is focused and selected")
    check(cell.description == rows[focused_row][2], "that cell's description is the row's verdict")
wait_for("the status bar reads the selected row with its verdict",
         lambda: status.name.endswith(", " + rows[focused_row][2]))

# The details dialog of the row of docs/report.txt.
report = [r for r, (a, b, d) in rows.items() if a.startswith("report.txt")][0]
while focused_row != report:
    press_key(KEY_DOWN if focused_row < report else KEY_UP)
    focused_row += 1 if focused_row < report else -1
wait_for("the caret on the row of report.txt", lambda: focus_events and focus_events[-1][1].startswith("report.txt"))
press_key(KEY_RETURN)
details = wait_for("the details dialog", lambda: top_level(app, pyatspi.ROLE_DIALOG, "Details"))
link = find(details, pyatspi.ROLE_LINK, "First: " + os.path.join(WORK, "a", "docs", "report.txt"))
check(link is not None and link.description == "equal", "the first path is a link, its mark in words")
actions = [link.queryAction().getName(i) for i in range(link.queryAction().nActions)] if link else []
check("Press" in actions, "the link can be pressed: %r" % actions)
check(link is not None and pyatspi.STATE_FOCUSABLE in states(link), "the link is a stop of the Tab round")
check(find(details, pyatspi.ROLE_LINK, "Second: " + os.path.join(WORK, "b.zip", "docs", "report.txt")) is not None,
      "the second path is a link")
size = find(details, pyatspi.ROLE_LABEL, starts="Size:")
check(size is not None and size.name == "Size: 10 bytes (10) on the first side, 10 bytes (10) on the second side",
      "the size line is read with its label: %r" % (size.name if size else None))
content = find(details, pyatspi.ROLE_LABEL, "Content differs")
check(content is not None and content.description == "different", "the content line with its mark")
check(find(details, pyatspi.ROLE_PUSH_BUTTON, "Close") is not None, "the close button")
press_key(KEY_ESCAPE)
wait_for("the details dialog closes", lambda: top_level(app, pyatspi.ROLE_DIALOG, "Details") is None)

# ---- a second compare, held by its pause while it reads a large pair
first_box.queryEditableText().setTextContents(os.path.join(WORK, "big", "a"))
second_box = find(main, pyatspi.ROLE_TEXT, "Second folder or file")
second_box.queryEditableText().setTextContents(os.path.join(WORK, "big", "b"))
second_box.queryComponent().grabFocus()
wait_for("the second path box has the focus", lambda: pyatspi.STATE_FOCUSED in states(second_box), 10)
press_key(KEY_RETURN)
progress = wait_for("the progress dialog of the second compare",
                    lambda: top_level(app, pyatspi.ROLE_DIALOG, "Comparing"))
bar = wait_for("its progress bar", lambda: find(progress, pyatspi.ROLE_PROGRESS_BAR))


def between():
    """The bar's value while some items are done and some not: throughout the read of the
    large pair, which takes the compare seconds (a second for each 2 GiB on a fast machine,
    where the key below follows within a tenth of one)."""
    value = bar.queryValue()
    now = (value.minimumValue, value.currentValue, value.maximumValue)
    return now if now[0] < now[1] < now[2] else None


# The pause from the keyboard: the dialog takes the keys once clicked, and Space presses the
# focused button, made ready first so that the key follows at once what it answers.
pause = wait_for("the pause button", lambda: find(progress, pyatspi.ROLE_PUSH_BUTTON, "Pause"))
extents = progress.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
pyatspi.Registry.generateMouseEvent(extents.x + 20, extents.y + 12, "b1c")
pause.queryComponent().grabFocus()
wait_for("the pause button has the focus", lambda: pyatspi.STATE_FOCUSED in states(pause), 10)
wait_for("the bar stands between its ends while the large pair is read", between, 60)
seen = time.monotonic()
press_key(KEY_SPACE)
wait_for("the pause button says Resume", lambda: pause.name == "Resume", 10)
print("        paused %d ms after the bar stood between its ends" % ((time.monotonic() - seen) * 1000))
held = between()
check(held is not None, "paused, the bar reads a value between its ends: %r" %
      ((bar.queryValue().minimumValue, bar.queryValue().currentValue, bar.queryValue().maximumValue),))
check(held is not None and bar.name == "%d of %d items" % held[1:], "the bar's name is its text: %r" % bar.name)
line = find(progress, pyatspi.ROLE_LABEL)
print("        held at %r, %r, %r" % (held, bar.name, line.name if line else None))
pump(0.3)
check(between() == held, "the value stands while the compare is paused: %r" % (between(),))
press_key(KEY_SPACE)
wait_for("the pause button says Pause again", lambda: pause.name == "Pause", 10)
wait_for("the resumed compare ends", lambda: top_level(app, pyatspi.ROLE_DIALOG, "Comparing") is None, 150)
wait_for("the status bar tells the end of the compare",
         lambda: status.name.startswith("No differences"), 10)
finish()
