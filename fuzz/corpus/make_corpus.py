#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""Writes the seed corpora of fuzz_load (load/) and fuzz_save (save/) and the dictionary from
examples/CDI.asm. Run it again when the sample changes."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.normpath(os.path.join(here, "..", ".."))
with open(os.path.join(root, "examples", "CDI.asm"), "rb") as f:
    sample = f.read()


def cp(text):
    return text.encode("cp1251")


def lines_of(data):
    return data.split(b"\r\n")[:-1]


def join(lines, eol=b"\r\n"):
    return b"".join(line + eol for line in lines)


def long_lines(data):
    """Comment lines after the tables' start made longer than 80 characters, and a stray CR."""
    lines = lines_of(data)
    out = []
    for line in lines:
        if line.startswith(b"FuozTable"):
            line += b"\t; " + cp("таблица ") * 12
        out.append(line)
    out[-1] = out[-1] + b"\r" + b"x" * 90
    return join(out)


def with_lines(data, edit):
    """The sample's lines after edit(lines), which changes the list in place."""
    lines = lines_of(data)
    edit(lines)
    return join(lines)


def first_value_of_table_1(lines):
    return lines.index(b"FuozTable1:") + 1


def lone_cr(lines):
    """A lone CR in table 1's first value line hides a second value from the editor's view."""
    lines[first_value_of_table_1(lines)] = b"ldi R16, 14 ;c\rldi R16, 30"


def if_block(lines):
    """A disabled value line in a conditional block right after table 1's label."""
    at = first_value_of_table_1(lines)
    lines[at:at] = [b".if 0", b"ldi R16, 99", b"st X+, R16", b".endif"]


def instruction_forms(lines):
    """Value and compare lines in other letter case and blanks, as the assembler takes them."""
    at = first_value_of_table_1(lines)
    lines[at] = b"LDI R16, 14"
    lines[at + 2] = b"ldi r16,14 ;second"
    lines[at + 4] = b"\tldi\tR16,\t14"
    lines[at + 6] = b"Codes: Ldi R016 , 11"
    compare = next(i for i, line in enumerate(lines) if line.startswith(b"cpi R21,"))
    lines[compare] = b"CPI r21,249"


sources = {
    "sample": sample,
    "lf-only": sample.replace(b"\r\n", b"\n"),
    "truncated": sample[: len(sample) // 2],
    "no-pulse-steps": sample.replace(b"ldi R23,", b"ldi R24,", 1),
    "no-third-label-colon": sample.replace(b"FuozTable3:", b"FuozTable3 ", 1),
    "long-lines": long_lines(sample),
    "no-last-break": sample[:-2],
    "lone-cr-hides-value": with_lines(sample, lone_cr).replace(b"\r\n", b"\n"),
    "if-block-before-table": with_lines(sample, if_block),
    "instruction-forms": with_lines(sample, instruction_forms),
}


def header(flags=0, sensor=0, pulse=0, edits=()):
    data = struct.pack("BBBB", flags, sensor, pulse, len(edits))
    for column, row, value in edits:
        data += struct.pack("BBB", column, row, value)
    return data


# flags: bits 0-1 active table, 2 "Save to table" first, 3 spark output item, 4 sensor angle,
# 5 second pulse; an edit is (column | 8 for an odd text, row - 1, value).
headers = {
    "plain": header(),
    "edited": header(0b110101, 2, 1, [(4, 4, 170), (0, 9, 30), (3, 0, 200), (2, 31, 180)]),
    "rpm-too-low": header(0b001010, 0, 0, [(0, 20, 0)]),
    "odd-texts": header(0b110110, 13, 2, [(1 | 8, 3, 2), (2 | 8, 5, 12), (4 | 8, 7, 3)]),
    "not-a-number": header(0b000100, 0, 0, [(2 | 8, 0, 1)]),
    "angle-too-low": header(0b000100, 0, 0, [(4, 10, 0)]),
}

os.makedirs(os.path.join(here, "load"), exist_ok=True)
os.makedirs(os.path.join(here, "save"), exist_ok=True)
for name, data in sources.items():
    with open(os.path.join(here, "load", name + ".asm"), "wb") as f:
        f.write(data)
with open(os.path.join(here, "load", "empty.asm"), "wb") as f:
    pass

saves = {f"{h}-sample": (h, "sample") for h in headers}
saves.update({
    "edited-lf-only": ("edited", "lf-only"),
    "edited-long-lines": ("edited", "long-lines"),
    "plain-no-third-label-colon": ("plain", "no-third-label-colon"),
    "edited-no-last-break": ("edited", "no-last-break"),
    "edited-lone-cr-hides-value": ("edited", "lone-cr-hides-value"),
    "plain-if-block-before-table": ("plain", "if-block-before-table"),
    "edited-instruction-forms": ("edited", "instruction-forms"),
})
for name, (h, s) in saves.items():
    with open(os.path.join(here, "save", name + ".bin"), "wb") as f:
        f.write(headers[h] + sources[s])

markers = ["угол", "ldi R23,", "ldi R30,", ';лог"0"на выход "искра"', ';лог"1"на выход "искра"',
           "cpi R21,", "sbi ADCSRA,", "FuozTable", "FuozTable1:", "FuozTable2:", "FuozTable3:",
           "ldi R16,", "кварц4МГц", "0b00000010", "0b00000000", "\r\n", "PortC,0", "PortD,6",
           ".if 0", ".else", ".endif", ".macro", ".endm", ".exit", "\\\r\n", "\r", "LDI r16,"]
with open(os.path.join(here, "..", "cdi.dict"), "w", encoding="ascii") as f:
    f.write("# Markers of the firmware source layout, in code page 1251.\n")
    for marker in markers:
        escaped = "".join(c if 32 <= ord(c) < 127 and c not in '"\\' else f"\\x{b:02x}"
                          for c, b in ((ch, cp(ch)[0]) for ch in marker))
        f.write(f'"{escaped}"\n')
