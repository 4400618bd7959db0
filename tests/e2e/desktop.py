# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""Drives a running program on an X display as a person would and reads it back.

Input goes through xdotool (real pointer moves, clicks and key presses on the X server); what
the windows show is read through the accessibility tree (AT-SPI) that Qt's bridge exports.
Every wait polls a condition against a deadline.
"""

import subprocess
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

Role = Atspi.Role
State = Atspi.StateType


class E2EFailure(AssertionError):
    """A check of the end-to-end run failed."""


def wait_for(condition, timeout, what, interval=0.05):
    """Polls condition() until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except GLib.Error as error:  # an object that went away while it was read
            last_error = error
        if time.monotonic() > deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise E2EFailure(f"timed out after {timeout} s waiting for {what}{detail}")
        time.sleep(interval)


def expect_equal(actual, expected, what):
    if actual != expected:
        raise E2EFailure(f"{what}: expected {expected!r}, got {actual!r}")


# --- X input -----------------------------------------------------------------------------------


def _xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, timeout=30)


def click(x, y):
    """Moves the pointer to the screen position and clicks the left button there."""
    # One request stream: the server moves the pointer before it presses the button. (The
    # --sync option would wait for a motion that never comes when the pointer is already there.)
    _xdotool("mousemove", str(x), str(y), "click", "1")


def click_with(key, x, y):
    """Clicks the left button at the screen position while holding a modifier key ("shift")."""
    _xdotool("mousemove", str(x), str(y), "keydown", key, "click", "1", "keyup", key)


def drag(x, y, dx, dy, steps=4):
    """Presses the left button at the screen position, moves by (dx, dy) in a few steps and
    lets go there."""
    _xdotool("mousemove", str(x), str(y), "mousedown", "1")
    for step in range(1, steps + 1):
        time.sleep(0.05)
        _xdotool("mousemove", str(x + dx * step // steps), str(y + dy * step // steps))
    time.sleep(0.05)
    _xdotool("mouseup", "1")


def type_text(text):
    _xdotool("type", "--delay", "30", "--", text)


def press(*keys):
    """Presses keys by their X names ("Return", "ctrl+a"), one after the other."""
    _xdotool("key", "--delay", "30", *keys)


# --- Accessibility tree ------------------------------------------------------------------------


def role(node):
    return node.get_role()


def role_is(node, *roles):
    return node.get_role() in roles


def name(node):
    return node.get_name() or ""


def children(node):
    return [child for child in (node.get_child_at_index(i) for i in range(node.get_child_count())) if child]


def extents(node):
    """(x, y, width, height) of the object on the screen."""
    box = node.get_extents(Atspi.CoordType.SCREEN)
    return (box.x, box.y, box.width, box.height)


def centre(node):
    x, y, width, height = extents(node)
    return (x + width // 2, y + height // 2)


def has_state(node, state):
    return node.get_state_set().contains(state)


def text_of(node):
    """The whole text of an object with the text interface."""
    return node.get_text(0, node.get_character_count())


def walk(node, skip_roles=(Role.TABLE, Role.LIST, Role.TREE)):
    """Yields the node and its descendants, depth first; tables and lists are not entered."""
    yield node
    if role(node) in skip_roles:
        return
    for child in children(node):
        yield from walk(child, skip_roles)


def labels_text(node):
    """The texts of all labels under an object, in tree order."""
    return [name(n) for n in walk(node) if role(n) == Role.LABEL]


class Application:
    """One running program as the accessibility bus sees it, found by its process id."""

    def __init__(self, pid, timeout=30):
        self.pid = pid
        self.node = wait_for(self._find, timeout, f"process {pid} on the accessibility bus")
        # Nothing cached: every read asks the program, so no stale name or state is seen.
        self.node.set_cache_mask(Atspi.Cache.NONE)

    def _find(self):
        for app in children(Atspi.get_desktop(0)):
            if app.get_process_id() == self.pid:
                return app
        return None

    def top_levels(self):
        return children(self.node)

    def wait_top_level(self, test, timeout, what):
        """The first showing top-level object for which test(node) holds."""

        def found():
            for top in self.top_levels():
                if has_state(top, State.SHOWING) and test(top):
                    return top
            return None

        return wait_for(found, timeout, what)

    def wait_no_top_level(self, test, timeout, what):
        wait_for(
            lambda: not any(has_state(t, State.SHOWING) and test(t) for t in self.top_levels()),
            timeout,
            what,
        )


# --- Screen ------------------------------------------------------------------------------------


class Picture:
    """RGB pixels of a screen region."""

    def __init__(self, ppm):
        # P6 header: magic, width, height, maximum value, each followed by white space; a "#"
        # starts a comment up to the end of its line.
        fields = []
        pos = 0
        while len(fields) < 4:
            while ppm[pos : pos + 1].isspace():
                pos += 1
            if ppm[pos : pos + 1] == b"#":
                pos = ppm.index(b"\n", pos)
                continue
            start = pos
            while not ppm[pos : pos + 1].isspace():
                pos += 1
            fields.append(ppm[start:pos])
        if fields[0] != b"P6" or fields[3] != b"255":
            raise E2EFailure(f"unexpected picture format {fields}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = ppm[pos + 1 :]

    def pixel(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.pixels[offset : offset + 3])

    def count(self, region, test):
        left, top, width, height = region
        return sum(
            1
            for y in range(top, top + height)
            for x in range(left, left + width)
            if test(self.pixel(x, y))
        )


def screenshot(region, png_path=None):
    """A picture of a screen region (x, y, width, height), also saved as PNG when asked."""
    whole = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, check=True, timeout=30)
    x, y, width, height = region
    crop = ["-crop", f"{width}x{height}+{x}+{y}", "+repage"]
    ppm = subprocess.run(
        ["convert", "xwd:-", *crop, "ppm:-"], input=whole.stdout, capture_output=True, check=True, timeout=60
    )
    if png_path:
        subprocess.run(
            ["convert", "xwd:-", *crop, "-strip", "-define", "png:compression-level=9", f"png:{png_path}"],
            input=whole.stdout,
            check=True,
            timeout=60,
        )
    return Picture(ppm.stdout)
