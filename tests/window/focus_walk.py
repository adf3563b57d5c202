#!/usr/bin/env python3
"""Walks the focus through a real Mirrane window with Tab and Shift+Tab and checks the round.

Usage: focus_walk.py WINDOW-ID
The window uses the Light theme: a focused control shows the accent colour #007ACC (an
edit's frame, a button's frame, a check box's box and underline, the list's frame). Where
the focus is after each key is the box around the accent pixels that are new against the
pixels every picture of the round shares (a checked box is accent-filled all the time).
"""
import struct
import subprocess
import sys
import time

ACCENT = (0x00, 0x7A, 0xCC)
CONTROLS = 23  # 4 header buttons, 2 paths and their browse buttons, exclude, 9 switches and
               # the time tolerance button,
               # compare, the splitter, the list, the unchecked view button
PANEL_WIDTH = 294


def picture(window):
    data = subprocess.run(['xwd', '-id', window, '-silent'], check=True, capture_output=True).stdout
    fields = struct.unpack('>25I', data[:100])
    header, width, byte_order, bytes_per_line, colours = fields[0], fields[4], fields[7], fields[12], fields[19]
    start = header + colours * 12
    red, green, blue = ACCENT
    pixel = bytes((blue, green, red)) if byte_order == 0 else bytes((0, red, green, blue))[:3]
    accent = set()
    at = data.find(pixel, start)
    while at >= 0:
        offset = at - start
        if byte_order == 0 and offset % 4 == 0:
            accent.add((offset % bytes_per_line // 4, offset // bytes_per_line))
        elif byte_order != 0 and offset % 4 == 1:
            accent.add(((offset - 1) % bytes_per_line // 4, offset // bytes_per_line))
        at = data.find(pixel, at + 1)
    return data[start:], accent, width


def settled(window, before, step=''):
    """The picture once it differs from before and two takes in a row agree (ten seconds)."""
    deadline = time.time() + 10
    last = None
    while time.time() < deadline:
        raw, accent, width = picture(window)
        if raw != before and last is not None and raw == last[0]:
            return last
        last = (raw, accent, width)
        time.sleep(0.05)
    sys.exit('the window did not change after the key' + step)


def box(points):
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    return (min(xs), min(ys), max(xs), max(ys))


def walk(window, key, steps, start):
    shots = [start]
    for step in range(steps):
        subprocess.run(['xdotool', 'key', '--window', window, key], check=True)
        shots.append(settled(window, shots[-1][0], f' ({key} #{step + 1}, after {shots[-1][1] and box(shots[-1][1])})'))
    return shots


def focus_boxes(shots):
    shared = set.intersection(*(accent for _, accent, _ in shots))
    boxes = []
    for _, accent, _ in shots:
        own = accent - shared
        if not own:
            sys.exit('a step showed no focus: some control does not show that it has it')
        boxes.append(box(own))
    return boxes


def reading_order(b):
    left, top, right, bottom = b
    column = 0 if (left + right) // 2 < PANEL_WIDTH else 1
    return (column, top // 8, left)


def main():
    window = sys.argv[1]
    # The list holds the focus once the compare has ended, and shows it once the window is
    # the active one. Where the window manager left the focus elsewhere (a busy machine, the
    # progress dialog closing), the window is activated again, and after a few seconds the
    # list is clicked below its rows, as a user would (a generous bound, not a measure).
    began = time.time()
    while True:
        start = picture(window)
        if any(x > PANEL_WIDTH for x, _ in start[1]):
            break
        if time.time() > began + 60:
            sys.exit('the list never got the focus')
        subprocess.run(['xdotool', 'windowactivate', window], capture_output=True)
        if time.time() > began + 5:
            subprocess.run(['xdotool', 'mousemove', '--window', window, '600', '400', 'click', '1',
                            'mousemove', '0', '0'], capture_output=True)
        time.sleep(0.2)
    forward = walk(window, 'Tab', CONTROLS, settled(window, b''))
    back = walk(window, 'shift+Tab', CONTROLS, forward[-1])
    boxes = focus_boxes(forward + back)
    ahead, behind = boxes[:CONTROLS + 1], boxes[CONTROLS + 1:]
    print('forward:', ahead)
    failures = []
    if ahead[-1] != ahead[0]:
        failures.append(f'{CONTROLS} Tabs did not come back to where they began')
    if len(set(ahead[:-1])) != CONTROLS:
        failures.append(f'the round met {len(set(ahead[:-1]))} controls, not {CONTROLS}')
    # From the control first in reading order (top left) the round goes in reading order.
    first = min(range(CONTROLS), key=lambda i: reading_order(ahead[i]))
    round_ = ahead[first:CONTROLS] + ahead[:first]
    for a, b in zip(round_, round_[1:]):
        if reading_order(a) >= reading_order(b):
            failures.append(f'{b} comes after {a}, out of the order they stand in')
    if behind != list(reversed(ahead)):
        failures.append('Shift+Tab did not go the same round backwards')
    if failures:
        sys.exit('\n'.join(failures))
    print(f'one round of {CONTROLS} controls in reading order, and back')


main()
