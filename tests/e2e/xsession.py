"""Drives real programs under Xvfb as a person would; all it starts dies with the with-block."""

import ctypes
import ctypes.util
import os
import re
import subprocess
import time


class Failure(Exception):
    """A check that ends its scenario at once."""


class Checks:
    """Prints each check as it is made and counts the failures."""

    def __init__(self):
        self.failed = 0

    def expect(self, condition, what):
        print(("ok    " if condition else "FAIL  ") + what, flush=True)
        self.failed += not condition
        return condition

    def require(self, condition, what):
        if not self.expect(condition, what):
            raise Failure(what)


def run_checks(body):
    """The exit code of body(checks): 0 when every check held; a Failure counts as one more."""
    checks = Checks()
    try:
        body(checks)
    except Failure as failure:
        checks.expect(False, f"stopped: {failure}")
    print("PASSED" if checks.failed == 0 else f"FAILED ({checks.failed} checks)", flush=True)
    return 0 if checks.failed == 0 else 1


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def read_text(path):
    with open(path, errors="replace") as f:
        return f.read()


class Program:
    """A started program, its output captured to <log_dir>/<name>.stdout and .stderr."""

    def __init__(self, args, cwd, env, log_dir, name):
        self.logs = [os.path.join(log_dir, name + end) for end in (".stdout", ".stderr")]
        with open(self.logs[0], "wb") as out, open(self.logs[1], "wb") as err:
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
        return read_text(self.logs[0])

    def stderr(self):
        return read_text(self.logs[1])


class Image:
    """RGB pixels counted from the top left."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.rgb[at:at + 3])

    def region(self, x, y, width, height):
        return [self.pixel(x + i, y + j) for j in range(height) for i in range(width)]


def read_image(path, env=None):
    """An image file through ImageMagick, or the whole screen of env's display when path is None."""
    source = ["convert", path] if path else ["import", "-window", "root"]
    result = subprocess.run(source + ["-depth", "8", "ppm:-"], env=env, capture_output=True,
                            timeout=60)
    if result.returncode != 0:
        raise Failure(f"no image of {path or 'the screen'}")
    width, height = map(int, result.stdout.split(maxsplit=3)[1:3])  # P6 WIDTH HEIGHT 255 RGB...
    return Image(width, height, result.stdout[-width * height * 3:])


class XSession:
    def __init__(self, screen="1920x1080x24", log_dir=None):
        self.screen, self.log_dir, self.programs, self.xvfb = screen, log_dir, [], None

    def __enter__(self):
        read_end, write_end = os.pipe()
        # -noreset: a reset when the last client leaves drops a program connecting in that moment.
        self.xvfb = subprocess.Popen(
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
        for process in [program.process for program in self.programs] + [self.xvfb]:
            stop(process)
        return False

    def start(self, args, cwd, name=None):
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
        return self._run(["xdotool", "search", "--onlyvisible", "--name", name])[1].split()

    def wait_window(self, name, timeout=60):
        # Polled rather than --sync: a window vanishing mid-search makes xdotool fail at once.
        found = wait_until(lambda: self.windows(name), timeout, interval=0.2)
        if not found:
            raise Failure(f"no window named {name!r} within {timeout} s")
        return found[0]

    def key(self, window, *keys):
        self._run(["xdotool", "windowfocus", "--sync", window])
        self._run(["xdotool", "key", "--delay", "50", *keys])

    def type(self, window, text):
        self._run(["xdotool", "windowfocus", "--sync", window])
        self._run(["xdotool", "type", "--delay", "50", text])

    def click(self, window, x, y):
        """Clicks at (x, y) of the window's client area."""
        self._run(["xdotool", "mousemove", "--sync", "--window", window, str(x), str(y)])
        self._run(["xdotool", "click", "1"])

    def title(self, window):
        code, out = self._run(["xdotool", "getwindowname", window])
        return out.rstrip("\n") if code == 0 else None

    def geometry(self, window):
        """(x, y, width, height) of the client area on screen, or None once the window is gone."""
        code, out = self._run(["xwininfo", "-id", window])
        value = lambda label: int(re.search(label + r":\s*(-?\d+)", out).group(1))
        return None if code else tuple(value(label) for label in (
            "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def close(self, window):
        """Sends WM_DELETE_WINDOW as a title bar's close box does: Xvfb runs no window manager."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype, x11.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = x11.XOpenDisplay(self.env["DISPLAY"].encode())
        if not display:
            raise Failure("cannot open the X display")
        atom = lambda name: x11.XInternAtom(display, name, 0)
        # XClientMessageEvent as LP64 longs: type, serial, send_event, display, window, atom, format
        event = (ctypes.c_long * 24)(33, 0, 0, 0, int(window), atom(b"WM_PROTOCOLS"), 32,
                                     atom(b"WM_DELETE_WINDOW"))
        x11.XSendEvent(display, int(window), 0, 0, event)
        x11.XCloseDisplay(display)

    def screenshot(self, path=None):
        """The whole screen as an Image, also saved as path if given."""
        if path:
            self._run(["import", "-window", "root", path], 30)
        return read_image(path, self.env)


def wait_until(condition, timeout, interval=0.1):
    """Polls condition until it is true or timeout seconds pass; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)
