"""Drives real programs under Xvfb as a person would: windows, keys, clicks, screenshots.

Usage:
    with XSession() as x:
        program = x.start([binary], cwd=workdir)
        window = x.wait_window("^Quorvane")
        x.key(window, "Escape")
        code = program.wait(30)
Everything started through the session is killed when the with-block ends, pass or fail.
"""

import ctypes
import ctypes.util
import os
import re
import subprocess
import time


class Failure(Exception):
    """A check of an end-to-end test did not hold."""


class Checks:
    """Prints each check as it is made and remembers whether any failed."""

    def __init__(self):
        self.failed = 0

    def expect(self, condition, what):
        print(("ok    " if condition else "FAIL  ") + what, flush=True)
        if not condition:
            self.failed += 1
        return condition

    def require(self, condition, what):
        """Like expect, but a failure ends the scenario at once."""
        if not self.expect(condition, what):
            raise Failure(what)

    def exit_code(self):
        print("PASSED" if self.failed == 0 else f"FAILED ({self.failed} checks)", flush=True)
        return 0 if self.failed == 0 else 1


class Program:
    """A program started in the session, its output captured to files in its log folder."""

    def __init__(self, args, cwd, env, log_dir, name):
        self.stdout_path = os.path.join(log_dir, name + ".stdout")
        self.stderr_path = os.path.join(log_dir, name + ".stderr")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(args, cwd=cwd, env=env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL)

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout):
        """The exit code, or None if it is still running after timeout seconds."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stdout(self):
        with open(self.stdout_path, errors="replace") as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path, errors="replace") as f:
            return f.read()

    def kill(self):
        if self.running():
            self.process.terminate()
            if self.wait(5) is None:
                self.process.kill()
                self.process.wait()


class Image:
    """An RGB screenshot; pixel(x, y) counts from the top left."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.rgb[at:at + 3])

    def region(self, x, y, width, height):
        return [self.pixel(x + i, y + j) for j in range(height) for i in range(width)]


def _read_ppm(data):
    # Header: P6, width, height, maxval, each separated by whitespace, then raw RGB bytes.
    fields, at = [], 0
    while len(fields) < 4:
        match = re.compile(rb"\s*(#[^\n]*\n\s*)*(\S+)").match(data, at)
        fields.append(match.group(2))
        at = match.end()
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return Image(width, height, data[at + 1:at + 1 + width * height * 3])


class XSession:
    def __init__(self, screen="1920x1080x24", log_dir=None):
        self.screen = screen
        self.log_dir = log_dir
        self.programs = []
        self.xvfb = None
        self.env = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            # -noreset: the server otherwise resets whenever its last client leaves, and a program
            # connecting during that reset has its connection dropped.
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-noreset",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display_file:
            number = display_file.readline().strip()
        if not number:
            self.xvfb.kill()
            raise Failure("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number, LP_NUM_THREADS="2")
        self.env.pop("WAYLAND_DISPLAY", None)
        return self

    def __exit__(self, *exc):
        for program in self.programs:
            program.kill()
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        return False

    def start(self, args, cwd, name=None):
        """Starts args in cwd with DISPLAY set; output goes to <log_dir or cwd>/<name>.stdout/.stderr."""
        name = name or os.path.basename(args[0])
        program = Program(args, cwd, self.env, self.log_dir or cwd, name)
        self.programs.append(program)
        return program

    def _run(self, args, timeout=10):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True,
                                timeout=timeout)
        return result.returncode, result.stdout

    def windows(self, name):
        """Ids of the visible windows whose title matches the regular expression name."""
        _, out = self._run(["xdotool", "search", "--onlyvisible", "--name", name])
        return out.split()

    def wait_window(self, name, timeout=30):
        """The first visible window whose title matches name; Failure after timeout seconds."""
        # Polled rather than --sync: a window vanishing mid-search makes xdotool fail at once.
        found = wait_until(lambda: self.windows(name), timeout, interval=0.2)
        if not found:
            raise Failure(f"no window named {name!r} within {timeout} s")
        return found[0]

    def focus(self, window):
        self._run(["xdotool", "windowfocus", "--sync", window])

    def key(self, window, *keys):
        """Focuses window and presses keys as a keyboard would (e.g. "Return", "ctrl+a")."""
        self.focus(window)
        self._run(["xdotool", "key", "--delay", "50", *keys])

    def type(self, window, text):
        self.focus(window)
        self._run(["xdotool", "type", "--delay", "50", text])

    def click(self, window, x, y, button=1):
        """Clicks at (x, y) of the window's client area."""
        self._run(["xdotool", "mousemove", "--sync", "--window", window, str(x), str(y)])
        self._run(["xdotool", "click", str(button)])

    def title(self, window):
        code, out = self._run(["xdotool", "getwindowname", window])
        return out.rstrip("\n") if code == 0 else None

    def geometry(self, window):
        """(x, y, width, height) of the client area on screen, or None once the window is gone."""
        code, out = self._run(["xwininfo", "-id", window])
        if code != 0:
            return None
        value = lambda label: int(re.search(label + r":\s*(-?\d+)", out).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                value("Height"))

    def close(self, window):
        """Asks the window to close as the title bar's close box does (WM_DELETE_WINDOW)."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("pad", ctypes.c_long * 12)]

        display = x11.XOpenDisplay(self.env["DISPLAY"].encode())
        if not display:
            raise Failure("cannot open the X display")
        event = ClientMessage(type=33, window=int(window), format=32)  # 33: ClientMessage
        event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(display, int(window), 0, 0, ctypes.byref(event))
        x11.XCloseDisplay(display)

    def screenshot(self, path=None):
        """The whole screen as an Image; also saved as path (any format import knows) if given."""
        if path:
            self._run(["import", "-window", "root", path], 30)
        source = path or "root"
        args = ["convert", path] if path else ["import", "-window", "root"]
        args += ["-depth", "8", "ppm:-"]
        result = subprocess.run(args, env=self.env, capture_output=True, timeout=30)
        if result.returncode != 0:
            raise Failure(f"no screenshot of {source}")
        return _read_ppm(result.stdout)


def wait_until(condition, timeout, interval=0.1):
    """Polls condition until it is true or timeout seconds pass; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)
