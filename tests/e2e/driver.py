"""Drives the built vantrel program from outside, as a user does.

A `Session` owns one private X server (Xvfb, on a display number it picks itself), one fresh
VANTREL_HOME folder and one run of the program at a time.  With `window_manager` set, openbox
manages the display as on a desktop: it frames, places and focuses the windows, and keeps a
panel's strip at the bottom of the screen out of the work area (PANEL_HEIGHT).  Every wait is bounded: a window that
does not appear, a clipboard that stays empty or a program that does not end raises `Failure`,
and the runner then attaches a screenshot of the whole screen and the program's standard error.
Keys and text go through xdotool to the focused window, the clipboard is read with xclip and
screenshots are written as PNG by ImageMagick's import.
"""

import ctypes
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time


def _die_with_parent():
    """Runs in a started child: the kernel ends it when the driver ends, even when the driver
    is killed on a time-out, so no X server or program outlives its scenario."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


# The accented letters the scenarios type, as X key symbols (lower and upper case).
ACCENTED_KEYSYMS = (
    "eacute Eacute", "egrave Egrave", "ediaeresis Ediaeresis", "agrave Agrave",
    "adiaeresis Adiaeresis", "odiaeresis Odiaeresis", "ocircumflex Ocircumflex",
    "udiaeresis Udiaeresis", "idiaeresis Idiaeresis", "ccedilla Ccedilla", "ntilde Ntilde",
    "EuroSign",
)


# The strip the window manager keeps free at the bottom of the screen, as for a panel.
PANEL_HEIGHT = 32
SCREEN_SIZE = (1024, 768)

OPENBOX_CONFIG = f"""<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>0</top><bottom>{PANEL_HEIGHT}</bottom><left>0</left><right>0</right></margins>
  <desktops><number>1</number></desktops>
</openbox_config>
"""


# The titles of the message boxes the program shows.
BOX_TITLES = ("Warning", "Error", "Information", "Confirm")


class Failure(Exception):
    """A check of a scenario failed; the message says what was expected and what was seen."""


class Skipped(Exception):
    """The scenario needs a part the built program does not have yet."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_in(needle, haystack, what):
    if needle not in haystack:
        raise Failure(f"{what}: expected to contain {needle!r}, got:\n{haystack}")


def run_tool(args, timeout=10, env=None, input_bytes=None):
    """Runs a command line tool with a bound on its time; returns its standard output."""
    try:
        done = subprocess.run(args, capture_output=True, timeout=timeout, env=env,
                              input=input_bytes)
    except subprocess.TimeoutExpired:
        raise Failure(f"{args[0]} did not finish within {timeout} s")
    if done.returncode != 0:
        raise Failure(f"{' '.join(args)} failed ({done.returncode}): "
                      f"{done.stderr.decode(errors='replace')}")
    return done.stdout.decode("utf-8", errors="replace")


class Session:
    """One X server and one VANTREL_HOME shared by every start of the program in a scenario."""

    def __init__(self, app, artifacts, splash_ms=50, window_manager=False):
        self.app = os.path.abspath(app)
        self.window_manager = window_manager
        self.wm = None
        self.artifacts = artifacts
        self.splash_ms = splash_ms
        self.root = tempfile.mkdtemp(prefix="vantrel-e2e-")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.home)
        self.xvfb = None
        self.proc = None
        self.stderr_path = os.path.join(self.root, "stderr.txt")
        self.stderr_file = None
        self.shot_count = 0
        # The titles of the program's own windows (set by the scenarios) and how many message
        # boxes the scenario is waiting for: any other window open after a step fails it.
        self.known_titles = None
        self.program_title = None
        self.boxes_expected = 0
        self._start_x()

    # -- the X server -------------------------------------------------------------------------
    def _start_x(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{SCREEN_SIZE[0]}x{SCREEN_SIZE[1]}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.xvfb.poll() is not None:
                os.close(read_end)
                raise Failure("Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"):
            self.env.pop(name, None)
        self.env.update({
            "DISPLAY": self.display,
            "VANTREL_HOME": self.home,
            "VANTREL_SPLASH_MS": str(self.splash_ms),
            "XDG_RUNTIME_DIR": self.root,
            "LC_ALL": "C.UTF-8",
            "ASAN_OPTIONS": "detect_leaks=0",
        })
        self._bind_accented_keys()
        if self.window_manager:
            self._start_window_manager()

    def _start_window_manager(self):
        """Starts openbox on the display and waits until it manages the screen (it names
        itself on the root window)."""
        config = os.path.join(self.root, "openbox-rc.xml")
        with open(config, "w") as f:
            f.write(OPENBOX_CONFIG)
        self.wm = subprocess.Popen(["openbox", "--sm-disable", "--config-file", config],
                                   env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        deadline = time.monotonic() + 15
        while "_NET_WORKAREA(CARDINAL)" not in self.root_property("_NET_WORKAREA"):
            if time.monotonic() > deadline or self.wm.poll() is not None:
                raise Failure("openbox did not start")
            time.sleep(0.1)

    def root_property(self, name):
        return subprocess.run(["xprop", "-root", name], capture_output=True, timeout=5,
                              env=self.env).stdout.decode()

    def work_area(self):
        """The part of the screen windows may take: (left, top, width, height)."""
        if not self.window_manager:
            return (0, 0) + SCREEN_SIZE
        values = self.root_property("_NET_WORKAREA").split("=", 1)[1]
        return tuple(int(v) for v in values.replace(",", " ").split()[:4])

    def _bind_accented_keys(self):
        """Gives the accented letters the scenarios type keys of their own, lower case and
        (with Shift) upper case, before the program starts. Without them xdotool binds a spare
        key for each such letter just while typing it, and on a loaded machine the program can
        read the key after the binding is gone and lose the letter."""
        if not shutil.which("xmodmap"):
            return
        table = run_tool(["xmodmap", "-pke"], env=self.env)
        free = [line.split()[1] for line in table.splitlines()
                if line.startswith("keycode") and line.rstrip().endswith("=")]
        bindings = [f"keycode {code} = {keys}" for code, keys in zip(free, ACCENTED_KEYSYMS)]
        args = ["xmodmap"]
        for binding in bindings:
            args += ["-e", binding]
        run_tool(args, env=self.env)

    def close(self):
        self.stop_program()
        for process in (self.wm, self.xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    # -- the program --------------------------------------------------------------------------
    def start_program(self, splash_ms=None, program=None):
        """Starts the program (or another one built with it) afresh; the previous run must have
        ended."""
        check(self.proc is None or self.proc.poll() is not None, "the program is still running")
        env = dict(self.env)
        if splash_ms is not None:
            env["VANTREL_SPLASH_MS"] = str(splash_ms)
        self.stderr_file = open(self.stderr_path, "ab")
        self.proc = subprocess.Popen([program or self.app], cwd=self.root, env=env,
                                     stdout=subprocess.DEVNULL, stderr=self.stderr_file,
                                     preexec_fn=_die_with_parent)
        return self.proc

    def stop_program(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        if self.stderr_file:
            self.stderr_file.close()
            self.stderr_file = None

    def wait_exit(self, timeout=10):
        """Waits for the program to end by itself; a crash or a non-zero code is a failure."""
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.check_windows("when the program was to end")
            raise Failure(f"the program did not end within {timeout} s")
        self.stderr_file.close()
        self.stderr_file = None
        check(code == 0, f"the program ended with code {code}")

    def stderr(self):
        if not os.path.exists(self.stderr_path):
            return ""
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("utf-8", errors="replace")

    def assert_running(self):
        if self.proc.poll() is not None:
            raise Failure(f"the program ended unexpectedly with code {self.proc.returncode}")

    # -- windows ------------------------------------------------------------------------------
    def x(self, *args, timeout=10):
        return run_tool(["xdotool", *args], timeout=timeout, env=self.env)

    def visible_windows(self):
        """Maps the id of every visible window of the program to its title (a window without
        a caption, such as the splash, carries the program's name "vantrel")."""
        try:
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                  str(self.proc.pid)],
                                 capture_output=True, timeout=10, env=self.env).stdout.decode()
        except subprocess.TimeoutExpired:
            raise Failure("xdotool search did not finish")
        names = {}
        for wid in out.split():
            try:
                names[wid] = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True,
                                            timeout=5, env=self.env).stdout.decode().strip()
            except subprocess.TimeoutExpired:
                pass
        return names

    def wait_window(self, title, timeout=15):
        """Waits for a visible window whose whole title matches the pattern; returns its id."""
        pattern = re.compile(title)
        deadline = time.monotonic() + timeout
        while True:
            self.assert_running()
            for wid, name in self.visible_windows().items():
                if pattern.fullmatch(name):
                    return wid
            self.check_windows(f"while waiting for the window {title!r}")
            if time.monotonic() > deadline:
                raise Failure(f"no window titled {title!r} within {timeout} s; "
                              f"visible: {sorted(self.visible_windows().values())}")
            time.sleep(0.1)

    def wait_gone(self, title, timeout=10):
        pattern = re.compile(title)
        deadline = time.monotonic() + timeout
        while any(pattern.fullmatch(n) for n in self.visible_windows().values()):
            if time.monotonic() > deadline:
                raise Failure(f"window {title!r} still shown after {timeout} s")
            time.sleep(0.1)

    def window_shown(self, title):
        pattern = re.compile(title)
        return any(pattern.fullmatch(n) for n in self.visible_windows().values())

    def geometry(self, wid):
        """The window's place on the screen and its size: (x, y, width, height). (xwininfo
        tells the place right under a window manager too, where xdotool adds the frame's
        offset once more.)"""
        info = run_tool(["xwininfo", "-id", wid], env=self.env)
        values = [re.search(pattern + r":\s*(-?\d+)", info)
                  for pattern in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                  "Height")]
        check(all(values), f"xwininfo tells no geometry of window {wid}:\n{info}")
        return tuple(int(v.group(1)) for v in values)

    def frame(self, wid):
        """The window with the frame the window manager put around it: (x, y, width, height)
        on the screen (the window itself without a window manager)."""
        x, y, width, height = self.geometry(wid)
        if not self.window_manager:
            return x, y, width, height
        out = run_tool(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"], env=self.env)
        match = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out)
        left, right, top, bottom = (int(v) for v in match.groups()) if match else (0, 0, 0, 0)
        return x - left, y - top, width + left + right, height + top + bottom

    def stacking(self):
        """The managed windows from the bottom of the stack to the top, as decimal ids (only
        a window manager keeps this list)."""
        out = self.root_property("_NET_CLIENT_LIST_STACKING")
        return [str(int(w, 16)) for w in re.findall(r"0x[0-9a-fA-F]+", out)]

    def window_state(self, wid):
        """How the X server and the window manager see a window: its map state ("IsViewable"
        when it can be seen) and its WM_STATE ("Normal", "Iconic", "Withdrawn", or None when
        no window manager has taken it on)."""
        info = run_tool(["xwininfo", "-id", wid], env=self.env)
        match = re.search(r"Map State:\s*(\w+)", info)
        state = subprocess.run(["xprop", "-id", wid, "WM_STATE"], capture_output=True,
                               timeout=5, env=self.env).stdout.decode()
        wm_state = re.search(r"window state:\s*(\w+)", state)
        return (match.group(1) if match else None), (wm_state.group(1) if wm_state else None)

    def check_shown(self, wid, what):
        """Checks a window is mapped and can be seen, and (under a window manager) that the
        window manager holds it in its normal state."""
        map_state, wm_state = self.window_state(wid)
        check(map_state == "IsViewable", f"{what} is not viewable (map state {map_state})")
        if self.window_manager:
            check(wm_state == "Normal", f"{what} is not managed (WM_STATE {wm_state})")

    def focus(self, wid):
        if self.window_manager:
            # The window manager activates the window (and raises it) as a click would; a
            # window it will not activate (another one is modal) gets the keyboard directly.
            try:
                self.x("windowactivate", "--sync", wid, timeout=3)
            except Failure:
                self.x("windowfocus", "--sync", wid)
        else:
            self.x("windowfocus", "--sync", wid)
        time.sleep(0.1)

    # -- keyboard, mouse, clipboard -------------------------------------------------------------
    def key(self, *keys, pause=0.15, check_after=True):
        self.assert_running()
        self.x("key", "--delay", "40", *keys)
        time.sleep(pause)
        if check_after:
            self.check_windows(f"after the keys {' '.join(keys)}")

    def type(self, text, pause=0.15):
        self.assert_running()
        self.x("type", "--delay", "40", "--", text, timeout=30)
        time.sleep(pause)
        self.check_windows(f"after typing {text!r}")

    def fill(self, *values):
        """Types each value into one field after the other, with Tab between them."""
        for k, value in enumerate(values):
            if k:
                self.key("Tab")
            if value is not None:
                self.type(str(value))

    def click(self, wid, x, y, button=1):
        wx, wy, _, _ = self.geometry(wid)
        # No --sync: it waits for a motion that never comes when the pointer is already there.
        self.x("mousemove", str(wx + x), str(wy + y))
        time.sleep(0.05)
        self.x("click", str(button))
        time.sleep(0.2)
        self.check_windows(f"after a click at {x},{y}")

    def set_field(self, wid, x, y, value):
        """Clicks into the field at window position (x, y), selects its text and types a value."""
        self.click(wid, x, y)
        self.key("End", "shift+Home")
        self.type(str(value))

    def drag(self, start, end):
        self.x("mousemove", "--sync", str(start[0]), str(start[1]))
        self.x("mousedown", "1")
        self.move_held(start, end)
        self.x("mouseup", "1")
        time.sleep(0.3)

    def move_held(self, start, end, pause=0.03):
        """Moves the mouse from one screen point to another in ten steps, a button held."""
        for k in range(1, 11):
            self.x("mousemove", "--sync", str(start[0] + (end[0] - start[0]) * k // 10),
                   str(start[1] + (end[1] - start[1]) * k // 10))
            time.sleep(pause)

    def clear_clipboard(self, marker="(cleared by the test)"):
        """Puts a marker text on the clipboard; xclip stays behind serving it until the program
        takes the clipboard over."""
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=marker.encode(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.env,
                       timeout=10)
        self.marker = marker

    def copied(self, keys="alt+y"):
        """Presses the copy key and returns the text it put on the clipboard."""
        self.clear_clipboard()
        self.key(keys)
        return self.clipboard(changed_from=self.marker)

    def clipboard(self, timeout=5, changed_from=None):
        """Reads the clipboard's text, waiting until it differs from `changed_from`."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                text = subprocess.run(["xclip", "-o", "-selection", "clipboard"],
                                      capture_output=True, timeout=3,
                                      env=self.env).stdout.decode("utf-8", errors="replace")
            except subprocess.TimeoutExpired:
                text = ""
            if text and text != changed_from:
                return text.replace("\r\n", "\n")
            if time.monotonic() > deadline:
                raise Failure("the clipboard holds no new text")
            time.sleep(0.1)

    def newest_window(self, timeout=10, after=None):
        """Waits for a visible window made after the window `after` (the newest window when
        `after` is None); window ids grow as windows are made."""
        deadline = time.monotonic() + timeout
        while True:
            self.assert_running()
            ids = sorted(int(w) for w in self.visible_windows())
            if ids and (after is None or ids[-1] > int(after)):
                return str(ids[-1])
            if time.monotonic() > deadline:
                raise Failure(f"no new window within {timeout} s")
            time.sleep(0.1)

    def message(self, after, timeout=10):
        """Waits for a message box made after the window `after`, reads its text (Ctrl+C copies
        a message box) and returns it; the box stays open."""
        wid = self.newest_window(timeout, after)
        deadline = time.monotonic() + timeout
        while True:
            text = self.box_text(wid)
            if text is not None:
                return text
            if time.monotonic() > deadline:
                raise Failure(f"the message box {wid} gave no text to Ctrl+C")

    def answer_message(self, after, key="Return"):
        """Reads the message box made after window `after`, closes it with the given key and
        waits for it to go; returns its text."""
        text = self.message(after)
        box = self.newest_window()
        self.key(key, check_after=False)
        deadline = time.monotonic() + 10
        while box in self.visible_windows():
            if time.monotonic() > deadline:
                raise Failure(f"the message box stayed after {key}:\n{text}")
            time.sleep(0.1)
        self.boxes_expected = max(0, self.boxes_expected - 1)
        self.check_windows(f"after answering the message with {key}")
        return text

    def box_text(self, wid):
        """The text of a message box (Ctrl+C copies it), or None when it copies nothing."""
        self.focus(wid)
        self.clear_clipboard()
        self.key("ctrl+c", pause=0.3, check_after=False)
        try:
            return self.clipboard(timeout=1, changed_from=self.marker)
        except Failure:
            return None

    # -- windows nobody asked for -----------------------------------------------------------------
    def expect_box(self, count=1):
        """Tells the checks that the next step brings up `count` message boxes, which the
        scenario then reads and answers."""
        self.boxes_expected += count

    def stray_windows(self):
        """The visible windows of the program that no step asked for: a message box beyond the
        ones expected, a second window with the program's own title (a box titled after the
        program) or a window whose title is none of the program's known ones."""
        if self.known_titles is None or self.proc is None or self.proc.poll() is not None:
            return []
        shown = self.visible_windows()
        boxes = [(w, n) for w, n in shown.items()
                 if n in BOX_TITLES or not self.known_titles.fullmatch(n)]
        titled = sorted(int(w) for w, n in shown.items() if n == self.program_title)
        boxes += [(str(w), self.program_title) for w in titled[1:]]
        return sorted(boxes, key=lambda b: int(b[0]))[self.boxes_expected:]

    def check_windows(self, step):
        """Fails the step when an error box or another window nobody asked for is open,
        naming its title and text."""
        stray = self.stray_windows()
        if not stray:
            return
        wid, title = stray[-1]
        text = self.box_text(wid) if wid in self.visible_windows() else None
        raise Failure(f"{step}, a window nobody asked for is open: {title!r}: "
                      f"{text if text is not None else '(no text to copy)'}"
                      + (f" (and {[n for _, n in stray[:-1]]})" if len(stray) > 1 else ""))

    # -- files and pictures ---------------------------------------------------------------------
    def screenshot(self, path):
        """Writes the whole screen as PNG (ImageMagick's import reads the windows' contents;
        xwd of the root window shows dialogs opened over a window as black)."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        try:
            subprocess.run(["import", "-window", "root", path], env=self.env, timeout=20,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        except subprocess.TimeoutExpired:
            pass
        return path

    def window_shot(self, wid, path, also=None):
        """Writes one window's picture with its frame (or the box around two windows) as a
        small PNG."""
        full = path + ".full.png"
        self.screenshot(full)
        x0, y0, w, h = self.frame(wid)
        if also:
            x1, y1, w1, h1 = self.frame(also)
            left, top = min(x0, x1), min(y0, y1)
            w, h = max(x0 + w, x1 + w1) - left, max(y0 + h, y1 + h1) - top
            x0, y0 = left, top
        subprocess.run(["convert", full, "-crop", f"{w}x{h}+{x0}+{y0}", "+repage", "-strip",
                        "-colors", "64", path], timeout=20, check=False)
        os.remove(full)
        return path

    def home_file(self, *parts):
        return os.path.join(self.home, *parts)

    def printed(self):
        folder = self.home_file("printed")
        if not os.path.isdir(folder):
            return []
        return sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".pdf"))

    def wait_pdf(self, path, timeout=15):
        """Waits for a complete PDF file at path (pdfinfo reads it)."""
        deadline = time.monotonic() + timeout
        while True:
            if os.path.exists(path):
                try:
                    run_tool(["pdfinfo", path])
                    return path
                except Failure:
                    pass
            self.check_windows(f"while waiting for the file {path}")
            if time.monotonic() > deadline:
                raise Failure(f"no complete PDF {path} within {timeout} s")
            time.sleep(0.2)

    def wait_printed(self, count, timeout=15):
        """Waits for the count-th PDF in the printed folder and for it to be complete."""
        deadline = time.monotonic() + timeout
        while len(self.printed()) < count:
            self.check_windows("while waiting for the printout")
            if time.monotonic() > deadline:
                raise Failure(f"no PDF number {count} in {self.home_file('printed')} "
                              f"within {timeout} s (found {self.printed()})")
            time.sleep(0.2)
        return self.wait_pdf(self.printed()[count - 1], max(deadline - time.monotonic(), 1))


def pdf_text(path):
    return run_tool(["pdftotext", "-layout", path, "-"])


def pdf_pages(path):
    info = run_tool(["pdfinfo", path])
    match = re.search(r"^Pages:\s+(\d+)", info, re.M)
    check(match is not None, f"pdfinfo shows no page count for {path}")
    return int(match.group(1))


def read_ini(path):
    """Reads an INI file into {section: {key: value}}, sections and keys in upper case."""
    sections = {}
    current = None
    with open(path, encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1].upper(), {})
            elif "=" in line and current is not None:
                k, v = line.split("=", 1)
                current[k.strip().upper()] = v.strip()
    return sections


def read_dbf(path):
    """Reads a DBF table with dbfread: its live records (as dicts, text fields stripped) and the
    number of records marked deleted but not packed away."""
    import dbfread  # the Debian package python3-dbfread; only scenarios that read tables need it
    table = dbfread.DBF(path, load=True, encoding="cp1252", char_decode_errors="strict")
    return [dict(r) for r in table.records], len(table.deleted)


def program_has(app, text):
    """Tells whether the built program carries a text (a menu caption) among its strings."""
    with open(app, "rb") as f:
        return text.encode() in f.read()
