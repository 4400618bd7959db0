#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""Checks a screenshot of cdi-editor with the sample loaded for the grid's first row.

The sample's first rows are   460 14 17 21 10.2 / 500 14 17 20 10.2 / 600 14 16 18 10.2 /
800 11 14 14 12.3. Without reading text, a cell with the same text as another draws the same
pixels, so: the angle cells of rows 1 to 3 (yellow) are the same picture and not empty, and the
one of row 4 differs; the cells of table 1 and table 2 in row 1 are the same pictures as in row 2,
table 3's differs; the RPM cells of rows 1 and 2 differ. Before the load (the first screenshot)
the grid's angle cells are empty.

Usage: windows-grid-check.py BEFORE.ppm AFTER.ppm
"""
import sys


class Picture:
    def __init__(self, path):
        data = open(path, "rb").read()
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos : pos + 1].isspace():
                pos += 1
            if data[pos : pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            start = pos
            while not data[pos : pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        if fields[0] != b"P6" or fields[3] != b"255":
            raise SystemExit(f"{path}: not a P6 picture with 8-bit colours")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1 :]

    def pixel(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.pixels[offset : offset + 3])

    def cell(self, left, top, right, bottom):
        """The pixels inside a cell, its borders left out."""
        return tuple(self.pixel(x, y) for y in range(top + 1, bottom) for x in range(left + 1, right))


def yellow(p):
    return p[0] > 200 and p[1] > 200 and p[2] < 80


def dark(p):
    return sum(p) < 3 * 110


def fail(message):
    print(f"grid check FAILED: {message}")
    sys.exit(1)


def yellow_cells(picture):
    """The angle column: its left and right x and the (top, bottom) of each yellow cell."""
    counts = {}
    for x in range(picture.width):
        n = sum(1 for y in range(0, picture.height, 2) if yellow(picture.pixel(x, y)))
        if n:
            counts[x] = n
    if not counts:
        return None
    most = max(counts.values())
    columns = [x for x, n in counts.items() if n > most // 2]
    left, right = min(columns), max(columns)
    middle = (left + right) // 2
    cells, top = [], None
    for y in range(picture.height):
        inside = yellow(picture.pixel(right - 1, y))
        if inside and top is None:
            top = y
        elif not inside and top is not None:
            if y - top >= 8:
                cells.append((top - 1, y))
            top = None
    return left - 1, right + 1, middle, cells


def column_lines(picture, right, top, bottom):
    """x of the vertical grid lines left of the angle column (whose left line is at right),
    nearest first, within a row that has no selected cell: columns of one colour from the cell's
    top to its bottom that is neither the cells' background nor yellow."""
    # Text is left-aligned: the cell just left of the angle column ends in its background.
    background = picture.pixel(right - 2, (top + bottom) // 2)
    lines = []
    for x in range(right - 1, max(0, right - 400), -1):
        colour = picture.pixel(x, top + 1)
        if colour != background and not yellow(colour) and all(
            picture.pixel(x, y) == colour for y in range(top + 1, bottom)
        ):
            lines.append(x)
    return lines


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    before, after = Picture(sys.argv[1]), Picture(sys.argv[2])

    found = yellow_cells(after)
    if not found or len(found[3]) < 32:
        fail(f"no angle column of 32 yellow cells in the screenshot after the load ({found and len(found[3])} cells)")
    left, right, _, cells = found
    rows = cells[:4]
    angle = [after.cell(left, top, right, bottom) for top, bottom in rows]
    if not any(dark(p) for p in angle[0]):
        fail("the first row's angle cell is empty")
    if angle[0] != angle[1] or angle[0] != angle[2]:
        fail("the angle cells of rows 1 to 3 (all 10.2) differ")
    if angle[0] == angle[3]:
        fail("the angle cells of rows 1 and 4 (10.2, 12.3) are alike")

    # The left lines of the four columns before the angle column: table 3, 2, 1 and RPM, found in
    # the second row, where no cell is selected.
    lines = column_lines(after, left, *rows[1])
    if len(lines) < 4:
        fail(f"found {len(lines)} grid lines in the second row, not the 4 of RPM and tables 1 to 3")
    bounds = sorted(lines[:4]) + [left]
    row_cells = []
    for top, bottom in rows[:2]:
        row_cells.append([after.cell(bounds[i], top, bounds[i + 1], bottom) for i in range(4)])
    first, second = row_cells
    for column, name in enumerate(["table 1", "table 2", "table 3"], start=1):
        if not any(dark(p) for p in first[column]):
            fail(f"the first row's {name} cell is empty")
    if first[1] != second[1] or first[2] != second[2]:
        fail("rows 1 and 2 differ in tables 1 and 2 (14 and 17 in both)")
    if first[3] == second[3]:
        fail("rows 1 and 2 are alike in table 3 (21 and 20)")
    if first[0] == second[0]:
        fail("rows 1 and 2 are alike in the RPM column (460 and 500)")

    old = yellow_cells(before)
    if old and old[3]:
        o_left, o_right, _, o_cells = old
        if any(dark(p) for p in before.cell(o_left, o_cells[0][0], o_right, o_cells[0][1])):
            fail("the angle cell of the first row has text before the load")
    print(f"grid check passed: angle column at x {left}..{right}, first row at y {rows[0][0]}..{rows[0][1]}, "
          f"column lines at {bounds}")


if __name__ == "__main__":
    main()
