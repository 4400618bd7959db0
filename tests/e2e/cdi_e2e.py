# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""End-to-end tests of cdi-editor on a real X server.

Each scenario starts the program afresh, works it with the mouse and keyboard at the positions
of the window's layout, and reads back what it shows through the accessibility tree. Run by
run_e2e.sh, which provides the X server, the session bus and the clean-up.

Usage: cdi_e2e.py <cdi-editor> <examples folder> <scratch folder> <output folder>
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import traceback

from desktop import (
    E2EFailure,
    Role,
    State,
    Application,
    centre,
    click,
    click_with,
    drag,
    expect_equal,
    extents,
    has_state,
    labels_text,
    name,
    press,
    role_is,
    screenshot,
    text_of,
    type_text,
    wait_for,
    walk,
)
from expected import Sample, angle_to_code, code_to_angle

WINDOW_SIZE = (873, 535)
SCREEN = (1920, 1080)  # run_e2e.sh's X screen
GRID = (208, 16, 201, 505)
CHART = (416, 16, 449, 505)
MEMO = (16, 120)
COLUMN_WIDTHS = (45, 36, 36, 36, 36)
HEADER_HEIGHT = 16
ROW_HEIGHT = 14

BUTTONS = {
    "Button1": (16, 16, 81, 33),
    "Button2": (16, 344, 177, 33),
    "Button3": (16, 472, 177, 49),
    "Button4": (120, 304, 73, 33),
    "Button5": (16, 384, 177, 33),
    "Button6": (16, 424, 177, 33),
    "Button7": (112, 16, 81, 33),
}
LABELS = {"Label1": (44, 72), "Label2": (24, 317), "Label3": (128, 72), "Label4": (64, 56), "Label5": (24, 285)}
COMBO_BOX1 = (40, 88)

TEXTS = {
    0: {
        "Button1": "Файл",
        "Button2": "Сохранить в таблицу",
        "Button3": "О программе",
        "Button4": "График",
        "Button5": "Сохранить в файл",
        "Button6": "Компилировать",
        "Button7": "English",
        "Label1": "первый",
        "Label2": "Табл.",
        "Label3": "второй",
        "Label4": "Импульс датчика:",
        "Label5": 'Выход "искра"',
        "title": "Перерасчет угла опережения ФУОЗ Zarnik  v0.983",
        "chart": "График УОЗ, файл: ",
        "headers": ["об/мин", "таб.1", "таб.2", "таб.3", "УОЗ"],
    },
    1: {
        "Button1": "File",
        "Button2": "Save to table",
        "Button3": "Help",
        "Button4": "Refresh",
        "Button5": "Save to file",
        "Button6": "Compile HEX File",
        "Button7": "Russian",
        "Label1": "   first",
        "Label2": "Table",
        "Label3": "second",
        "Label4": "   Sensor angle:",
        "Label5": '      Out "spark"',
        "title": "Ignition timing calculator for Zarnik project v0.983",
        "chart": "Timing graph, file: ",
        "headers": ["RPM", "Tab.1", "Tab.2", "Tab.3", "angle"],
    },
}

YELLOW = (255, 255, 0)


def cell_centre(column, row):
    """The centre of a grid cell in window coordinates, from the grid's layout."""
    left = GRID[0] + 1 + sum(COLUMN_WIDTHS[:column])
    top = GRID[1] + 1 + (0 if row == 0 else HEADER_HEIGHT + (row - 1) * ROW_HEIGHT)
    height = HEADER_HEIGHT if row == 0 else ROW_HEIGHT
    return (left + COLUMN_WIDTHS[column] // 2, top + height // 2)


class Program:
    """One run of cdi-editor, with its main window."""

    def __init__(self, executable, environment, log_path, cwd, scale=1):
        # X pixels per pixel of the layout (QT_SCALE_FACTOR): the accessibility tree gives places
        # in the layout's pixels, xdotool and the screenshots work in the X server's.
        self.scale = scale
        self.log = open(log_path, "ab")
        self.process = subprocess.Popen(
            [executable], env=environment, cwd=cwd, stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True
        )
        try:
            self.app = Application(self.process.pid)
            # The top-level window holds the menu bar, the status bar and between them the
            # table window of 873 x 535, whose client area the positions below refer to.
            self.window, self.form = wait_for(self._find_window, 30, "the main window with its 873 x 535 area")
            self.origin = extents(self.form)[:2]
            # The controls, by role and position in the window, looked up once: each later
            # read is then a single question to the program.
            self.controls = {}
            for node in walk(self.form):
                x, y, _, _ = extents(node)
                self.controls.setdefault((node.get_role(), x - self.origin[0], y - self.origin[1]), node)
            self.grid = self.control(Role.TABLE, *GRID[:2])
            self.chart = self.control(Role.FILLER, *CHART[:2])
            self.memo = self.control(Role.TEXT, *MEMO)
        except BaseException:
            self.close()
            raise

    def _find_window(self):
        for top in self.app.top_levels():
            if not has_state(top, State.SHOWING):
                continue
            form = next((n for n in walk(top) if n is not top and extents(n)[2:] == WINDOW_SIZE), None)
            if form is not None:
                return (top, form)
        return None

    def control(self, kind, left, top):
        found = self.controls.get((kind, left, top))
        if found is None:
            raise E2EFailure(f"no {kind.value_nick} at ({left}, {top}) in the main window")
        return found

    # --- reading

    def title(self):
        return name(self.window)

    def chart_title(self):
        return name(self.chart)

    def memo_text(self):
        return text_of(self.memo)

    def caption(self, control):
        if control in BUTTONS:
            return name(self.control(Role.PUSH_BUTTON, *BUTTONS[control][:2]))
        return name(self.control(Role.LABEL, *LABELS[control]))

    def sensor_angle(self):
        combo = self.control(Role.COMBO_BOX, *COMBO_BOX1)
        edit = next(n for n in walk(combo) if role_is(n, Role.TEXT))
        return text_of(edit)

    def cell(self, column, row):
        """Row 0 is the column headers; rows 1 to 32 are the points."""
        if row == 0:
            return name(self.grid.get_column_header(column))
        return name(self.grid.get_accessible_at(row - 1, column))

    def grid_rows(self):
        """Rows 0 to 32 of the grid, five cell texts each."""
        return [[self.cell(column, row) for column in range(5)] for row in range(33)]

    # --- acting as a person

    def at(self, left, top):
        return ((self.origin[0] + left) * self.scale, (self.origin[1] + top) * self.scale)

    def on_screen(self, point):
        """A point of the accessibility tree as X pixels."""
        return (point[0] * self.scale, point[1] * self.scale)

    def click_button(self, control):
        left, top, width, height = BUTTONS[control]
        click(*self.at(left + width // 2, top + height // 2))

    def edit_cell(self, column, row, typed, enter=False, shown=None):
        """Clicks a cell, replaces its text by typing, and waits until the cell shows it."""
        x, y = self.at(*cell_centre(column, row))
        cell = self.grid.get_accessible_at(row - 1, column)
        cx, cy, cw, ch = extents(cell)
        if not (cx <= x < cx + cw and cy <= y < cy + ch):
            raise E2EFailure(f"cell ({column}, {row}) is at {(cx, cy, cw, ch)}, not under its layout position")
        click(x, y)
        wait_for(lambda: has_state(cell, State.SELECTED), 5, f"cell ({column}, {row}) to be selected")
        press("End", "shift+Home")
        type_text(typed)
        if enter:
            press("Return")
        shown = typed if shown is None else shown
        wait_for(lambda: self.cell(column, row) == shown, 5, f"cell ({column}, {row}) to show {shown!r}")

    def choose_file(self, path):
        """Clicks the file button and types the path into the open dialog's file name field."""
        self.click_button("Button1")
        dialog = self.app.wait_top_level(lambda t: role_is(t, Role.DIALOG, Role.FILE_CHOOSER), 10, "the open dialog")
        field = wait_for(
            lambda: next((n for n in walk(dialog) if role_is(n, Role.TEXT) and has_state(n, State.FOCUSED)), None),
            5,
            "the focused file name field",
        )
        press("ctrl+a")
        type_text(path)
        wait_for(lambda: text_of(field) == path, 5, f"the file name field to hold {path}")
        press("Return")
        self.app.wait_no_top_level(
            lambda t: role_is(t, Role.DIALOG, Role.FILE_CHOOSER), 10, "the open dialog to close"
        )

    def message_box(self, expected, close_by_click=False):
        """Waits for a message box, checks its text and closes it with Enter or its OK button."""
        box = self.app.wait_top_level(lambda t: role_is(t, Role.ALERT), 10, f"a message box {expected!r}")
        expect_equal(labels_text(box), [expected], "message box text")
        if close_by_click:
            ok = next(n for n in walk(box) if role_is(n, Role.PUSH_BUTTON) and name(n) == "OK")
            click(*centre(ok))
        else:
            press("Return")
        self.app.wait_no_top_level(lambda t: role_is(t, Role.ALERT), 10, "the message box to close")

    def answer_question(self, expected, answer):
        """Waits for a question box, checks its text and clicks the answer's button."""
        box = self.app.wait_top_level(lambda t: role_is(t, Role.ALERT), 10, f"the question {expected!r}")
        expect_equal(labels_text(box), [expected], "question text")
        button = next((n for n in walk(box) if role_is(n, Role.PUSH_BUTTON) and name(n) == answer), None)
        if button is None:
            raise E2EFailure(f"no button {answer!r} in the question {expected!r}")
        click(*centre(button))
        # What the answer starts may show a box of its own at once.
        self.app.wait_no_top_level(
            lambda t: role_is(t, Role.ALERT) and labels_text(t) == [expected], 10, "the question to close"
        )

    def expect_alive(self):
        if self.process.poll() is not None:
            raise E2EFailure(f"the program ended with status {self.process.returncode}")

    def close(self):
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
            self.process.wait(5)
        except ProcessLookupError:
            pass
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(5)
        self.process.poll()
        self.log.close()

    def log_tail(self, lines=20):
        with open(self.log.name, "rb") as file:
            return file.read().decode("utf-8", "replace").splitlines()[-lines:]


class Run:
    """Shared settings of the scenarios: the program, the sample and the folders."""

    def __init__(self, executable, examples, scratch, output):
        self.executable = executable
        self.sample_path = os.path.join(examples, "CDI.asm")
        with open(self.sample_path, "rb") as file:
            self.sample = Sample(file.read())
        self.scratch = scratch
        self.output = output
        self.environment = dict(os.environ)
        self.environment.update(
            {
                "QT_QPA_PLATFORM": "xcb",
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                "QT_ACCESSIBILITY": "1",
                "LC_ALL": "C.UTF-8",
                "SHELL": "/bin/sh",
            }
        )

    def folder(self, scenario):
        path = os.path.join(self.scratch, scenario)
        os.makedirs(path, exist_ok=True)
        return path

    def sample_copy(self, scenario):
        path = os.path.join(self.folder(scenario), "CDI.asm")
        shutil.copyfile(self.sample_path, path)
        return path

    def start(self, scenario, scale=1):
        # The program runs in a folder of its own, apart from the sources it opens.
        environment = dict(self.environment)
        if scale != 1:
            environment["QT_SCALE_FACTOR"] = str(scale)
        return Program(
            self.executable,
            environment,
            os.path.join(self.scratch, f"{scenario}.log"),
            self.folder(f"{scenario}.cwd"),
            scale,
        )


def load_sample(program, path):
    program.choose_file(path)
    expected_title = TEXTS[0]["chart"] + "CDI.asm"
    wait_for(lambda: program.chart_title() == expected_title, 10, f"the chart title {expected_title!r}")


# --- scenarios ---------------------------------------------------------------------------------


def scenario_load(run, program):
    """Load the sample through the dialog; texts, grid, chart title and a screenshot."""
    # From the documents folder, as "Open sample" puts it: the status bar shows the path as
    # "~/Documents/CDI.asm", and the screenshot (the README's) no scratch folder.
    documents = os.path.join(os.environ["HOME"], "Documents")
    os.makedirs(documents, exist_ok=True)
    path = os.path.join(documents, "CDI.asm")
    shutil.copyfile(run.sample_path, path)
    expect_equal(program.title(), TEXTS[0]["title"], "window title at start")
    expect_equal(program.chart_title(), "График УОЗ", "chart title at start")
    load_sample(program, path)
    sample = run.sample
    first_line = sample.lines[0].decode("cp1251")
    memo = program.memo_text()
    if not memo.startswith(first_line + "\n"):
        raise E2EFailure(f"Memo1 begins with {memo[:80]!r}, not with the first line {first_line!r}")
    expect_equal(memo, sample.memo_text(), "Memo1's whole text")
    expect_equal(program.sensor_angle(), "20", "ComboBox1")
    rows = program.grid_rows()
    expect_equal(rows[0], TEXTS[0]["headers"], "header row")
    expected_rows = sample.grid()
    angles = [code_to_angle(sample.code(1, row), 20) for row in range(1, 33)]
    expect_equal([row[4] for row in rows[1:]], angles, "angle column of table 1")
    for row in range(1, 33):
        expect_equal(rows[row], expected_rows[row - 1], f"grid row {row}")
    check_screenshot(run, program)


def check_screenshot(run, program):
    """The angle column is yellow in rows 1-32 only, and the chart has red points."""
    region = (*program.origin, *WINDOW_SIZE)
    png = os.path.join(run.output, "e2e-screenshot.png")
    column4_x = GRID[0] + 1 + sum(COLUMN_WIDTHS[:4]) + COLUMN_WIDTHS[4] - 5  # right of the text
    column3_x = GRID[0] + 1 + sum(COLUMN_WIDTHS[:3]) + COLUMN_WIDTHS[3] - 5

    def red(pixel):
        return pixel[0] >= 200 and pixel[1] <= 60 and pixel[2] <= 60

    def problems(picture):
        found = []
        for row in range(1, 33):
            y = cell_centre(4, row)[1]
            if picture.pixel(column4_x, y) != YELLOW:
                found.append(f"angle cell of row {row} is {picture.pixel(column4_x, y)}, not yellow")
            if picture.pixel(column3_x, y) == YELLOW:
                found.append(f"code cell of table 3, row {row} is yellow")
        if picture.pixel(column4_x, cell_centre(4, 0)[1]) == YELLOW:
            found.append("the angle column's header is yellow")
        reds = picture.count(CHART, red)
        if reds < 20:
            found.append(f"only {reds} red pixels in the chart")
        return found

    last = []

    def clean():
        nonlocal last
        last = problems(screenshot(region))
        return not last

    try:
        wait_for(clean, 10, "the painted window", interval=0.2)
    except E2EFailure as error:
        raise E2EFailure("; ".join(last[:5])) if last else error
    # The picture shows the whole window: menu bar, table window and status bar. It is the
    # README's docs/screenshot.png.
    expect_equal(status_texts(program)[-2:], ["~/Documents/CDI.asm", ""], "the status bar's path")
    # The whole table window fits the screen: nothing scrolls.
    bars = [extents(n) for n in walk(program.window) if role_is(n, Role.SCROLL_BAR) and has_state(n, State.SHOWING)]
    expect_equal(bars, [], "scroll bars shown")
    screenshot(extents(program.window), png)
    print(f"  screenshot: {png} ({os.path.getsize(png)} bytes)")


def scenario_edit_and_save(run, program):
    """Three angles and one RPM edited, saved to the table and the file, then reloaded."""
    path = run.sample_copy("save")
    load_sample(program, path)
    sample = run.sample
    sensor = sample.sensor
    # Row: (typed, shown) - a comma is typed and shown as the locale's point.
    angle_edits = {3: ("11", "11"), 10: ("30,5", "30.5"), 20: ("-5.3", "-5.3")}
    rpm_row, rpm = 9, 2100
    before = program.grid_rows()
    for row, (typed, shown) in angle_edits.items():
        assert before[row][4] != shown, "an edit must change the cell"
        program.edit_cell(4, row, typed, enter=True, shown=shown)
    program.edit_cell(0, rpm_row, str(rpm))

    new_codes = {row: angle_to_code(shown, sensor) for row, (_, shown) in angle_edits.items()}
    expected_codes = [str(new_codes.get(row, sample.code(1, row))) for row in range(1, 33)]
    program.click_button("Button2")
    wait_for(
        lambda: [program.cell(1, row) for row in range(1, 33)] == expected_codes,
        10,
        f"table 1 to hold the codes {expected_codes}",
    )
    for row, (_, shown) in angle_edits.items():
        expect_equal(program.cell(4, row), shown, f"angle of row {row} after Save to table")

    expected_file = sample.saved({rpm_row: rpm}, new_codes)
    program.click_button("Button5")

    def written():
        with open(path, "rb") as file:
            return file.read() != sample.data

    wait_for(written, 10, f"{path} to be written")
    with open(path, "rb") as file:
        saved = file.read()
    if saved != expected_file:
        raise E2EFailure(f"saved file differs from the expected bytes: {first_difference(saved, expected_file)}")
    expected_sample = Sample(expected_file)
    wait_for(lambda: program.memo_text() == expected_sample.memo_text(), 5, "Memo1 to show the saved text")

    program.choose_file(path)
    expected_rows = expected_sample.grid()
    wait_for(
        lambda: program.grid_rows()[1:] == expected_rows, 10, "the grid to show the reloaded file"
    )
    expect_equal(program.cell(0, rpm_row), "2090", "RPM of row 9 read back from its compare constant")
    expect_equal(program.cell(4, 3), "10.9", "angle of row 3 read back")
    expect_equal(program.cell(4, 10), "30.5", "angle of row 10 read back")
    expect_equal(program.cell(4, 20), "-5.2", "angle of row 20 read back")
    expect_equal(
        [program.cell(1, row) for row in (3, 10, 20)], ["13", "240", "36"], "codes of the edited rows read back"
    )


def first_difference(actual, expected):
    actual_lines = actual.split(b"\r\n")
    expected_lines = expected.split(b"\r\n")
    for number, (a, e) in enumerate(zip(actual_lines, expected_lines), start=1):
        if a != e:
            return f"line {number}: {a.decode('cp1251')!r} instead of {e.decode('cp1251')!r}"
    return f"{len(actual_lines)} lines instead of {len(expected_lines)}"


def scenario_messages(run, program):
    """An angle out of range, an RPM below idle, a file that does not exist."""
    path = run.sample_copy("messages")
    load_sample(program, path)
    sample = run.sample
    codes_before = [program.cell(1, row) for row in range(1, 33)]
    original_angle = program.cell(4, 5)

    program.edit_cell(4, 5, "-200", enter=True)
    program.click_button("Button2")
    program.message_box("Превышен предел 125° ниже датчика")
    expect_equal([program.cell(1, row) for row in range(1, 33)], codes_before, "table 1 after the refused angle")

    program.edit_cell(4, 5, original_angle, enter=True)
    program.edit_cell(0, 2, "459")
    program.click_button("Button5")
    program.message_box("Обороты не ниже холостых, 460/мин", close_by_click=True)
    with open(path, "rb") as file:
        if file.read() != sample.data:
            raise E2EFailure("the refused save changed the file on disk")

    missing = os.path.join(run.folder("messages"), "missing", "CDI.asm")
    program.choose_file(missing)
    # The RPM typed above is still not in the file.
    program.answer_question("Сохранить изменения в CDI.asm?", "Не сохранять")
    program.message_box("Ошибка доступа к файлу " + missing)
    expect_equal(program.memo_text(), "", "Memo1 after a file that cannot be opened")
    expect_equal(program.chart_title(), "График УОЗ, файл: CDI.asm", "chart title after the failed load")


def check_texts(program, language):
    texts = TEXTS[language]
    for control in (*BUTTONS, *LABELS):
        expect_equal(program.caption(control), texts[control], f"{control} in language {language}")
    expect_equal(program.title(), texts["title"], f"window title in language {language}")
    expect_equal(program.chart_title(), texts["chart"] + "CDI.asm", f"chart title in language {language}")
    expect_equal(program.grid_rows()[0], texts["headers"], f"header row in language {language}")


def scenario_language(run, program):
    """English and back, after a load."""
    load_sample(program, run.sample_copy("language"))
    check_texts(program, 0)
    program.click_button("Button7")
    wait_for(lambda: program.title() == TEXTS[1]["title"], 5, "the English window title")
    check_texts(program, 1)
    program.click_button("Button7")
    wait_for(lambda: program.title() == TEXTS[0]["title"], 5, "the Russian window title")
    check_texts(program, 0)


def marked_processes():
    """Processes started by this run, found by the marker in their environment."""
    marker = ("CDI_E2E_RUN=" + os.environ["CDI_E2E_RUN"]).encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as file:
                if marker in file.read().split(b"\0"):
                    found.append(int(entry))
        except OSError:
            pass
    return found


def process_folder(pid):
    try:
        return os.readlink(f"/proc/{pid}/cwd")
    except OSError:
        return None


def status_texts(program):
    bar = next(n for n in walk(program.window) if role_is(n, Role.STATUS_BAR))
    return labels_text(bar)


def valid_intel_hex(data):
    """True for Intel HEX records with good checksums ending in the end-of-file record."""
    lines = data.decode("ascii", "replace").splitlines()
    if not lines or lines[-1] != ":00000001FF":
        return False
    for line in lines:
        if not line.startswith(":") or len(line) < 11:
            return False
        try:
            record = bytes.fromhex(line[1:])
        except ValueError:
            return False
        if len(record) != record[0] + 5 or sum(record) % 256 != 0:
            return False
    return True


def scenario_compile(run, program):
    """The compile button opens a terminal in the file's folder that assembles the source."""
    path = run.sample_copy("compile here")  # a folder name with a space
    folder = os.path.dirname(path)
    hex_path = os.path.join(folder, "CDI.hex")
    load_sample(program, path)
    program_group = os.getpgid(program.process.pid)

    def terminal():
        found = []
        for pid in marked_processes():
            try:
                if process_folder(pid) == folder and os.getpgid(pid) != program_group:
                    found.append(pid)
            except ProcessLookupError:
                pass
        return found

    def window_of(pids):
        for pid in pids:
            search = subprocess.run(["xdotool", "search", "--pid", str(pid)], capture_output=True, timeout=30)
            if search.returncode == 0:
                return True
        return False

    def hex_ready():
        try:
            with open(hex_path, "rb") as file:
                return valid_intel_hex(file.read())
        except OSError:
            return False

    program.click_button("Button6")
    try:
        first = wait_for(terminal, 20, f"a terminal working in {folder}")
        wait_for(lambda: window_of(first), 20, "the terminal's window")
        wait_for(hex_ready, 60, f"a valid Intel HEX file {hex_path}", interval=0.2)
        # The window learns how the assembler ended.
        verdict = re.compile(r"^\d\d:\d\d:\d\d: ассемблер завершился без ошибок, собран CDI\.hex$")
        wait_for(lambda: any(verdict.match(text) for text in status_texts(program)), 10, "the verdict in the status bar")
    finally:
        groups = set()
        for pid in terminal():
            try:
                groups.add(os.getpgid(pid))
            except ProcessLookupError:
                pass
        for group in groups - {program_group, os.getpgid(0)}:
            try:
                os.killpg(group, signal.SIGTERM)
            except ProcessLookupError:
                pass  # the terminal ended by itself in between
    wait_for(lambda: not terminal(), 10, "the terminal to close")


QUESTION = "Сохранить изменения в CDI.asm?"


def file_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def edit_row3(run, program):
    """Types 11 degrees into row 3's angle; the save turns it into code 13."""
    program.edit_cell(4, 3, "11", enter=True)
    return run.sample.saved({}, {3: angle_to_code("11", run.sample.sensor)})


def expect_exit(program, what):
    try:
        status = program.process.wait(10)
    except subprocess.TimeoutExpired:
        raise E2EFailure(f"the program did not end after {what}") from None
    expect_equal(status, 0, f"exit status after {what}")


def scenario_unsaved_close(run, program):
    """Closing with unsaved changes asks first: Cancel stays, Discard closes, Save writes."""
    path = run.sample_copy("unsaved close")
    load_sample(program, path)
    original = program.cell(4, 3)
    edit_row3(run, program)
    press("ctrl+q")
    program.answer_question(QUESTION, "Отмена")
    time.sleep(0.3)
    program.expect_alive()
    expect_equal(program.cell(4, 3), "11", "the typed angle after Cancel")
    # Without a window manager the keyboard focus went with the closed box: click to get it back.
    click(*program.at(MEMO[0] + 20, MEMO[1] + 20))
    press("ctrl+q")
    program.answer_question(QUESTION, "Не сохранять")
    expect_exit(program, "Discard")
    expect_equal(file_bytes(path), run.sample.data, "the file after Discard")

    second = run.start("scenario_unsaved_close_save")
    try:
        load_sample(second, path)
        expect_equal(second.cell(4, 3), original, "row 3 read from the untouched file")
        expected = edit_row3(run, second)
        press("ctrl+q")
        second.answer_question(QUESTION, "Сохранить")
        expect_exit(second, "Save")
    finally:
        second.close()
    saved = file_bytes(path)
    if saved != expected:
        raise E2EFailure(f"the file saved on closing differs: {first_difference(saved, expected)}")


scenario_unsaved_close.ends_program = True


def cancel_file_dialog(program):
    program.click_button("Button1")
    program.app.wait_top_level(lambda t: role_is(t, Role.DIALOG, Role.FILE_CHOOSER), 10, "the open dialog")
    press("Escape")
    program.app.wait_no_top_level(
        lambda t: role_is(t, Role.DIALOG, Role.FILE_CHOOSER), 10, "the open dialog to close"
    )


def scenario_unsaved_reload(run, program):
    """A cancelled file dialog would read the file again: Cancel keeps the edit, Discard reads
    the file, Save writes the edit first and then reads it back."""
    path = run.sample_copy("unsaved reload")
    load_sample(program, path)
    original = program.cell(4, 3)
    memo = program.memo_text()
    expected = edit_row3(run, program)
    cancel_file_dialog(program)
    program.answer_question(QUESTION, "Отмена")
    expect_equal(program.cell(4, 3), "11", "the typed angle after Cancel")
    expect_equal(program.memo_text(), memo, "Memo1 after Cancel")

    cancel_file_dialog(program)
    program.answer_question(QUESTION, "Не сохранять")
    wait_for(lambda: program.cell(4, 3) == original, 5, f"row 3 to show {original!r} from the file again")
    expect_equal(file_bytes(path), run.sample.data, "the file after Discard")

    edit_row3(run, program)
    cancel_file_dialog(program)
    program.answer_question(QUESTION, "Сохранить")
    wait_for(lambda: program.cell(4, 3) == "10.9", 5, "row 3 read back from the saved file")
    saved = file_bytes(path)
    if saved != expected:
        raise E2EFailure(f"the file saved before the reload differs: {first_difference(saved, expected)}")


def angle_column(program):
    return [program.cell(4, row) for row in range(1, 33)]


def code_column(program, table=1):
    return [program.cell(table, row) for row in range(1, 33)]


def scenario_undo(run, program):
    """Undo and redo of a typed angle and of "Save to table", with the keyboard."""
    path = run.sample_copy("undo")
    load_sample(program, path)
    sample = run.sample
    original = program.cell(4, 5)
    codes = code_column(program)
    program.edit_cell(4, 5, "25", enter=True)
    press("ctrl+z")
    wait_for(lambda: program.cell(4, 5) == original, 5, f"row 5 to show {original!r} again after undo")
    press("ctrl+y")
    wait_for(lambda: program.cell(4, 5) == "25", 5, "row 5 to show 25 again after redo")

    saved_code = str(angle_to_code("25", sample.sensor))
    program.click_button("Button2")
    wait_for(lambda: program.cell(1, 5) == saved_code, 5, f"table 1 row 5 to hold {saved_code}")
    press("ctrl+z")
    wait_for(lambda: code_column(program) == codes, 5, "the codes of the file after undoing Save to table")
    expect_equal(program.cell(4, 5), "25", "the typed angle after undoing Save to table")
    press("ctrl+shift+z")
    wait_for(lambda: program.cell(1, 5) == saved_code, 5, "Save to table redone")
    press("ctrl+z", "ctrl+z")
    wait_for(lambda: angle_column(program)[4] == original, 5, "both steps undone")
    expect_equal(code_column(program), codes, "codes after undoing both steps")
    with open(path, "rb") as file:
        expect_equal(file.read(), sample.data, "the file, never saved")


def scenario_range(run, program):
    """Rows 3-6 selected with Shift+Down and Shift+click, interpolated and shifted one step up,
    then saved to the file: exactly those four codes change."""
    path = run.sample_copy("range")
    load_sample(program, path)
    sample = run.sample
    expect_equal(angle_column(program)[2:6], ["10.2", "12.3", "15.1", "17.9"], "rows 3-6 as loaded")
    program.edit_cell(4, 3, "10.2")
    press("shift+Down", "shift+Down")
    click_with("shift", *program.at(*cell_centre(4, 6)))
    time.sleep(0.2)
    press("ctrl+i")
    # 10.2 at 600 rpm to 17.9 at 1200 rpm: 12.77 at 800, 15.33 at 1000.
    interpolated = ["10.2", "12.8", "15.3", "17.9"]
    wait_for(lambda: angle_column(program)[2:6] == interpolated, 5, f"rows 3-6 to show {interpolated}")
    press("ctrl+Up")
    shifted = ["10.9", "13.5", "16", "18.6"]
    wait_for(lambda: angle_column(program)[2:6] == shifted, 5, f"rows 3-6 to show {shifted}")
    expect_equal(angle_column(program)[6], "22.1", "row 7, outside the selection")

    program.click_button("Button5")
    new_codes = {row: angle_to_code(text, sample.sensor) for row, text in zip(range(3, 7), shifted)}
    expect_equal(new_codes, {3: 13, 4: 9, 5: 6, 6: 2}, "codes worked out from the shifted angles")
    expected_file = sample.saved({}, new_codes)

    def written():
        with open(path, "rb") as file:
            return file.read() != sample.data

    wait_for(written, 10, f"{path} to be written")
    with open(path, "rb") as file:
        saved = file.read()
    if saved != expected_file:
        raise E2EFailure(f"saved file differs from the expected bytes: {first_difference(saved, expected_file)}")


def markers(picture, region):
    """Centres of the 3 x 3 pure red markers in a region of a picture."""
    left, top, width, height = region
    red = (255, 0, 0)
    found = []
    for y in range(top + 1, top + height - 1):
        for x in range(left + 1, left + width - 1):
            if all(picture.pixel(x + dx, y + dy) == red for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                found.append((x, y))
    return found


def scenario_drag(run, program):
    """A red point of the chart dragged up: its row's angle rises by whole 0.7-degree steps,
    no other cell changes, and one undo takes it back."""
    path = run.sample_copy("drag")
    load_sample(program, path)
    program.edit_cell(0, 2, "500")  # the current cell off the angle column: no highlight point
    before = angle_column(program)
    codes = code_column(program)
    chart = (CHART[0] + 1, CHART[1] + 1, CHART[2] - 2, CHART[3] - 2)
    picture = screenshot((*program.origin, *WINDOW_SIZE))
    found = markers(picture, chart)
    # A marker with no other within 12 pixels, so that the press cannot take its neighbour.
    alone = [m for m in found if all(o == m or abs(o[0] - m[0]) + abs(o[1] - m[1]) > 12 for o in found)]
    if len(found) < 20 or not alone:
        raise E2EFailure(f"{len(found)} red markers in the chart, {len(alone)} of them apart")
    x, y = alone[len(alone) // 2]
    drag(*program.at(x, y), 0, -40)

    def changed():
        now = angle_column(program)
        return now if now != before else None

    after = wait_for(changed, 5, "an angle to change after the drag")
    rows = [row for row in range(32) if after[row] != before[row]]
    if len(rows) != 1:
        raise E2EFailure(f"the drag changed rows {[r + 1 for r in rows]}, not one")
    row = rows[0]
    rise = round((float(after[row]) - float(before[row])) * 10)
    if rise <= 0 or rise % 7 != 0:
        raise E2EFailure(f"row {row + 1} went from {before[row]} to {after[row]}, not up by whole code steps")
    expect_equal(code_column(program), codes, "codes after the drag (not yet saved to the table)")
    press("ctrl+z")
    wait_for(lambda: angle_column(program) == before, 5, "the drag undone in one step")


def scenario_unordered_breakpoints(run, program):
    """A breakpoint typed not above the row before is marked at once; "Save to file" asks,
    naming the rows: Enter (Cancel) keeps the file, "Save anyway" writes it, and the file
    loads again with the mark."""
    path = run.sample_copy("unordered")
    load_sample(program, path)
    program.edit_cell(0, 15, "3400")

    def mark(rpm):
        return (
            f"Строка 15 ({rpm} об/мин) не выше строки 14 (3450 об/мин) по шагам оборотов прошивки: "
            "одна из двух строк не используется никогда"
        )

    row15 = program.grid.get_accessible_at(14, 0)
    wait_for(lambda: row15.get_description() == mark(3400), 5, "the mark of row 15")
    x, y = GRID[0] + COLUMN_WIDTHS[0] - 3, cell_centre(0, 15)[1]
    orange = (255, 170, 60)
    wait_for(lambda: screenshot((*program.origin, *WINDOW_SIZE)).pixel(x, y) == orange, 5, "row 15 in orange")
    question = (
        "Обороты не по возрастанию: строка 15 (3400) не выше строки 14 (3450). Прошивка никогда "
        "не использует одну строку из каждой такой пары.\nВсё равно сохранить?"
    )
    program.click_button("Button5")
    box = program.app.wait_top_level(lambda t: role_is(t, Role.ALERT), 10, "the question")
    expect_equal(labels_text(box), [question], "question text")
    press("Return")
    program.app.wait_no_top_level(lambda t: role_is(t, Role.ALERT), 10, "the question to close")
    if file_bytes(path) != run.sample.data:
        raise E2EFailure("the file was written although Cancel was chosen")
    program.click_button("Button5")
    program.answer_question(question, "Сохранить всё равно")
    wait_for(lambda: file_bytes(path) != run.sample.data, 10, f"{path} to be written")
    program.choose_file(path)
    wait_for(lambda: program.cell(0, 15) == "3450", 10, "row 15 read back as 3450")
    wait_for(lambda: row15.get_description() == mark(3450), 5, "the mark of the loaded row 15")


def select_cell(program, column, row):
    cell = program.grid.get_accessible_at(row - 1, column)
    click(*program.at(*cell_centre(column, row)))
    wait_for(lambda: has_state(cell, State.SELECTED), 5, f"cell ({column}, {row}) to be selected")


def notice(program):
    """The text of the notice of replaced angles above the grid, or None while it is hidden."""
    for node in walk(program.form):
        if role_is(node, Role.LABEL) and name(node).startswith("Введённые углы") and has_state(node, State.SHOWING):
            return name(node)
    return None


def scenario_replaced_notice(run, program):
    """A typed angle replaced by a table and by a sensor-angle switch is announced above the
    grid; the notice's Undo brings it back with the old table, and the next edit removes it."""
    load_sample(program, run.sample_copy("notice"))
    sample = run.sample
    program.edit_cell(4, 24, "30", enter=True)
    click(*program.at(64 + 8, 312 + 10))  # the edit field of the table box
    press("End", "shift+Home")
    type_text("2")
    text = "Введённые углы таблицы 1, не сохранённые в таблицу, заменены: 1."
    wait_for(lambda: notice(program) == text, 5, f"the notice {text!r}")
    expect_equal(program.cell(4, 24), code_to_angle(sample.code(2, 24), 20), "row 24 with table 2")
    undo = next(n for n in walk(program.form) if role_is(n, Role.PUSH_BUTTON) and name(n) == "Отменить")
    click(*centre(undo))
    wait_for(lambda: program.cell(4, 24) == "30", 5, "the typed 30 back in row 24")
    wait_for(lambda: notice(program) is None, 5, "the notice to go")
    expect_equal(angle_column(program)[:23], [code_to_angle(sample.code(1, r), 20) for r in range(1, 24)], "table 1")

    click(*program.at(COMBO_BOX1[0] + 8, COMBO_BOX1[1] + 10))
    press("End", "shift+Home")
    type_text("25")
    wait_for(lambda: notice(program) == text, 5, "the notice after the sensor-angle change")
    expect_equal(program.cell(4, 24), code_to_angle(sample.code(1, 24), 25), "row 24 at 25 degrees")
    program.edit_cell(4, 2, "11")
    wait_for(lambda: notice(program) is None, 5, "the notice to go with the next edit")


def scenario_copy_paste(run, program):
    """Rows 3-6 copied with Ctrl+C and pasted at row 20 with Ctrl+V as one undo step; a paste
    that does not fit is refused with the value named and changes nothing."""
    load_sample(program, run.sample_copy("paste"))
    before = angle_column(program)
    select_cell(program, 4, 3)
    press("shift+Down", "shift+Down", "shift+Down", "ctrl+c")
    select_cell(program, 4, 20)
    press("ctrl+v")
    wait_for(lambda: angle_column(program)[19:23] == before[2:6], 5, f"rows 20-23 to show {before[2:6]}")
    expect_equal(angle_column(program)[23:], before[23:], "rows below the paste")
    expect_equal(code_column(program), [str(run.sample.code(1, r)) for r in range(1, 33)], "codes")
    press("ctrl+z")
    wait_for(lambda: angle_column(program) == before, 5, "the paste undone in one step")
    select_cell(program, 4, 31)
    press("ctrl+v")
    program.message_box(
        f"Вставляется значений: 4, а места есть для 2; «{before[4]}» уже не помещается. Ничего не вставлено."
    )
    expect_equal(angle_column(program), before, "the angles after the refused paste")


def inside(box, area):
    x, y, width, height = box
    left, top, area_width, area_height = area
    return left <= x and top <= y and x + width <= left + area_width and y + height <= top + area_height


def shown_area(program):
    """The part of the screen between the window's menu bar and its status bar."""
    window = extents(program.window)
    bars = {}
    for kind in (Role.MENU_BAR, Role.STATUS_BAR):
        bar = next((n for n in walk(program.window) if role_is(n, kind)), None)
        if bar is None or not inside(extents(bar), window):
            raise E2EFailure(f"the {kind.value_nick} is not inside the window at {window}")
        bars[kind] = extents(bar)
    menu_bottom = bars[Role.MENU_BAR][1] + bars[Role.MENU_BAR][3]
    return (window[0], menu_bottom, window[2], bars[Role.STATUS_BAR][1] - menu_bottom)


def focused_node(program):
    return next((n for n in walk(program.form) if n is not program.form and has_state(n, State.FOCUSED)), None)


def scenario_small_screen(run, program):
    """At 200 % on a 1920 x 1080 screen the whole window, its bars included, is on the screen;
    the table window scrolls inside it, and every control comes into view and takes clicks."""
    window = extents(program.window)
    screen = (0, 0, SCREEN[0] // program.scale, SCREEN[1] // program.scale)
    if not inside(window, screen):
        raise E2EFailure(f"the window at {window} reaches beyond the screen {screen}")
    shown = shown_area(program)
    if extents(program.form)[3] <= shown[3]:
        raise E2EFailure(f"the table window {extents(program.form)} fits {shown}: nothing to scroll")
    # The tab chain, from the text box on: each control is in view once it has the focus.
    click(*program.at(MEMO[0] + 20, MEMO[1] + 20))
    visited = 0
    for step in range(14):
        node = wait_for(lambda: focused_node(program), 5, f"a focused control after {step} Tab presses")
        if role_is(node, Role.TABLE):
            # Taller than the window: its last row is in view.
            node = node.get_accessible_at(31, 0)
        wait_for(lambda: inside(extents(node), shown), 5, f"{node.get_role_name()} {name(node)!r} in view")
        visited += 1
        press("Tab")
    expect_equal(visited, 14, "controls visited")
    # Scrolled with the mouse wheel over the window's background to its end: the last button in
    # view, and a click on the button above it reaches that button where it now is.
    wheel_at = program.at(100, 464)
    for _ in range(10):
        subprocess.run(["xdotool", "mousemove", str(wheel_at[0]), str(wheel_at[1]), "click", "5"], check=True)
    help_button = program.control(Role.PUSH_BUTTON, *BUTTONS["Button3"][:2])
    wait_for(lambda: inside(extents(help_button), shown), 5, "the help button in view")
    click(*program.on_screen(centre(program.control(Role.PUSH_BUTTON, *BUTTONS["Button5"][:2]))))
    program.message_box("Сначала нужно открыть файл прошивки!")


scenario_small_screen.scale = 2


def window_id(program):
    found = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--pid", str(program.process.pid)], capture_output=True, timeout=30
    )
    ids = found.stdout.split()
    if not ids:
        raise E2EFailure("no visible X window of the program")
    return ids[-1].decode()


def choose_from_menu(program, menu, item):
    bar = next(n for n in walk(program.window) if role_is(n, Role.MENU_BAR))
    title = next((n for n in walk(bar) if name(n).replace("&", "") == menu), None)
    if title is None:
        raise E2EFailure(f"no menu {menu!r}")
    click(*centre(title))

    def entry():
        for top in program.app.top_levels():
            for node in walk(top):
                if role_is(node, Role.MENU_ITEM, Role.CHECK_MENU_ITEM) and name(node).replace("&", "") == item:
                    if has_state(node, State.SHOWING) and extents(node)[2] > 0:
                        return node
        return None

    click(*centre(wait_for(entry, 5, f"the menu entry {item!r}")))


def layout_of(program):
    """(form, grid, chart) places and sizes relative to the table window's corner."""
    form = extents(program.form)

    def relative(node):
        x, y, width, height = extents(node)
        return (x - form[0], y - form[1], width, height)

    return (form[2:], relative(program.grid), relative(program.chart))


FIXED_LAYOUT = (WINDOW_SIZE, GRID, CHART)


def scenario_resizable(run, program):
    """View - Resizable layout: the window grows, the chart takes the extra width and height and
    the grid the extra height; the choice is remembered; turned off, the fixed layout is back."""
    expect_equal(layout_of(program), FIXED_LAYOUT, "the fixed layout at start")
    window = extents(program.window)
    choose_from_menu(program, "Вид", "Растягиваемое окно")
    grown = (window[2] + 300, window[3] + 200)
    subprocess.run(["xdotool", "windowsize", window_id(program), str(grown[0]), str(grown[1])], check=True)
    stretched = (
        (WINDOW_SIZE[0] + 300, WINDOW_SIZE[1] + 200),
        (GRID[0], GRID[1], GRID[2], GRID[3] + 200),
        (CHART[0], CHART[1], CHART[2] + 300, CHART[3] + 200),
    )
    wait_for(lambda: layout_of(program) == stretched, 5, f"the layout {stretched}, not {layout_of(program)}")
    expect_equal(
        extents(program.control(Role.PUSH_BUTTON, *BUTTONS["Button5"][:2]))[:2],
        program.at(*BUTTONS["Button5"][:2]),
        "a button's place in the grown window",
    )
    program.close()

    again = run.start("scenario_resizable_again")
    try:
        subprocess.run(["xdotool", "windowsize", window_id(again), str(grown[0]), str(grown[1])], check=True)
        wait_for(lambda: layout_of(again) == stretched, 5, "the remembered resizable layout")
        choose_from_menu(again, "Вид", "Растягиваемое окно")
        wait_for(lambda: layout_of(again) == FIXED_LAYOUT, 5, "the fixed layout back")
        wait_for(lambda: extents(again.window)[2:] == window[2:], 5, f"the window back at {window[2:]}")
    finally:
        again.close()


scenario_resizable.ends_program = True


SCENARIOS = [
    ("load the sample and look at the window", scenario_load),
    ("edit, save to table and file, reload", scenario_edit_and_save),
    ("message boxes", scenario_messages),
    ("language switch", scenario_language),
    ("compile in a terminal", scenario_compile),
    ("unsaved changes on closing", scenario_unsaved_close),
    ("unsaved changes on a cancelled file dialog", scenario_unsaved_reload),
    ("undo and redo", scenario_undo),
    ("interpolate and shift a range, save to file", scenario_range),
    ("drag a point on the chart", scenario_drag),
    ("breakpoints out of order", scenario_unordered_breakpoints),
    ("typed angles replaced by a switch: notice and undo", scenario_replaced_notice),
    ("copy rows and paste them, a paste refused", scenario_copy_paste),
    ("a 1920 x 1080 screen at 200 %", scenario_small_screen),
    ("resizable layout", scenario_resizable),
]


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    run = Run(*argv[1:])
    # A developer may pick scenarios by number: CDI_E2E_ONLY="2 3".
    only = os.environ.get("CDI_E2E_ONLY", "").split()
    passed = failed = 0
    for number, (title, scenario) in enumerate(SCENARIOS, start=1):
        if only and str(number) not in only:
            continue
        started = time.monotonic()
        program = None
        try:
            program = run.start(scenario.__name__, getattr(scenario, "scale", 1))
            scenario(run, program)
            if not getattr(scenario, "ends_program", False):
                program.expect_alive()
            passed += 1
            print(f"PASS {number}. {title} ({time.monotonic() - started:.1f} s)", flush=True)
        except Exception as error:  # every scenario runs; each failure is reported
            failed += 1
            print(f"FAIL {number}. {title}: {error}", flush=True)
            if not isinstance(error, E2EFailure):
                traceback.print_exc()
            if program and program.process.poll() is not None:
                print(f"  the program ended with status {program.process.returncode}", flush=True)
            if program:
                for line in program.log_tail():
                    print(f"  program: {line}", flush=True)
        finally:
            if program:
                program.close()
    print(f"{passed} passed, {failed} failed", flush=True)
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
