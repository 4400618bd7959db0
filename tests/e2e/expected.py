# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""What the window must show for a firmware source, worked out independently of the program.

The sample is read line by line (not by the program's position rules): the first line's sensor
angle, the "cpi R21," compare lines in file order and the "ldi R16," value lines after each
"FuozTable<n>:" label. Angles are exact decimals: S - 0.7 * c below, S + 0.7 * (255 - c) above.
"""

from decimal import Decimal

ENCODING = "cp1251"
STEP = Decimal("0.7")
NO_ANGLE_CODE = 180

COMPARE_PREFIX = "cpi R21,".encode(ENCODING)
VALUE_PREFIX = "ldi R16,".encode(ENCODING)
COMPARE_COMMENT = ";сравнение РОН с контстантой".encode(ENCODING)
VALUE_COMMENT = ";множитель".encode(ENCODING)
STORE_PREFIX = "st X+, R16\t;в ОЗУ, ".encode(ENCODING)
DEGREE = "°".encode(ENCODING)


def decimal_text(value):
    """A decimal in the program's general number format with "." as separator."""
    text = format(value.normalize(), "f")
    return "0" if text in ("-0", "0") else text


def code_to_angle(code, sensor):
    if code == NO_ANGLE_CODE:
        return "-"
    if code < NO_ANGLE_CODE:
        return decimal_text(Decimal(sensor) - STEP * code)
    return decimal_text(Decimal(sensor) + STEP * (255 - code))


def angle_to_code(text, sensor):
    """The table code of an angle text; None outside the limits."""
    if text == "-":
        return NO_ANGLE_CODE
    angle = float(text)
    if sensor >= angle:
        code = round((sensor - angle) / 0.7)  # round() takes a half to the even neighbour
        return code if code < NO_ANGLE_CODE else None
    code = round(255 - (angle - sensor) / 0.7)
    return code if code > NO_ANGLE_CODE else None


def compare_to_rpm(constant):
    return 10 * round(11718.75 / (255 - constant))


def rpm_to_compare(rpm):
    return round(255 - 117187.5 / rpm)


def split_lines(data):
    """The lines of a CR LF file, without their line ends; the file ends in CR LF."""
    assert data.endswith(b"\r\n"), "the sample must end in CR LF"
    return data[:-2].split(b"\r\n")


def join_lines(lines):
    return b"".join(line + b"\r\n" for line in lines)


class Sample:
    """The settings and tables of a firmware source, as line numbers and values."""

    def __init__(self, data):
        self.data = data
        self.lines = split_lines(data)
        first = self.lines[0].decode(ENCODING)
        self.sensor = int(first.rsplit("угол", 1)[1])
        self.compare_lines = [i for i, line in enumerate(self.lines) if line.startswith(COMPARE_PREFIX)]
        assert len(self.compare_lines) == 31, "the sample has 31 compare lines"
        self.table_lines = []
        for table in (1, 2, 3):
            label = self.lines.index(f"FuozTable{table}:".encode(ENCODING))
            values = [i for i in range(label + 1, len(self.lines)) if self.lines[i].startswith(VALUE_PREFIX)]
            self.table_lines.append(values[:32])

    def compare_constant(self, row):
        """The constant of grid row 2..32: the first compare line belongs to row 32."""
        line = self.lines[self.compare_lines[32 - row]]
        return int(line[len(COMPARE_PREFIX):].split(b"\t")[0])

    def code(self, table, row):
        line = self.lines[self.table_lines[table - 1][row - 1]]
        return int(line[len(VALUE_PREFIX):].split(b"\t")[0])

    def grid(self, active_table=1):
        """The 32 data rows of the grid after a load: RPM, three code columns, angles."""
        rows = []
        for row in range(1, 33):
            rpm = "460" if row == 1 else str(compare_to_rpm(self.compare_constant(row)))
            codes = [str(self.code(t, row)) for t in (1, 2, 3)]
            rows.append([rpm, *codes, code_to_angle(self.code(active_table, row), self.sensor)])
        return rows

    def memo_text(self):
        """What the text box shows: the lines joined by line feeds."""
        return "\n".join(line.decode(ENCODING) for line in self.lines)

    def saved(self, rpm_edits, code_edits, table=1):
        """The file bytes a save writes after editing RPM rows and codes of one table.

        rpm_edits: {row: rpm}; code_edits: {row: code}. Every other line stays as it is, which
        holds for a source whose lines are all in the form the save writes (as the sample is).
        """
        lines = list(self.lines)
        for row, rpm in rpm_edits.items():
            constant = str(rpm_to_compare(rpm)).encode(ENCODING)
            lines[self.compare_lines[32 - row]] = COMPARE_PREFIX + b" " + constant + b"\t" + COMPARE_COMMENT
        for row, code in code_edits.items():
            assert code != NO_ANGLE_CODE, "the comment of code 180 repeats an earlier angle"
            value_line = self.table_lines[table - 1][row - 1]
            lines[value_line] = VALUE_PREFIX + b" " + str(code).encode(ENCODING) + b"\t" + VALUE_COMMENT
            angle = code_to_angle(code, self.sensor).encode(ENCODING)
            lines[value_line + 1] = STORE_PREFIX + angle + DEGREE
        return join_lines(lines)
