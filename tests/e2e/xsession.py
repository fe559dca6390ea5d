"""Drives real programs under Xvfb as a person would; all it starts dies with the with-block."""

import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import tempfile
import time

SCREEN = (1920, 1080)


class Failure(Exception):
    """A check that ends its scenario at once."""


class Checks:
    failed = 0

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
    process.terminate()  # nothing once it has ended
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()


def read_text(path):
    with open(path, errors="replace") as f:
        return f.read()


class Program:
    """A started program, its output captured to <cwd>/<name>.stdout and .stderr."""

    def __init__(self, args, cwd, env, name):
        self.logs = [os.path.join(cwd, name + end) for end in (".stdout", ".stderr")]
        with open(self.logs[0], "wb") as out, open(self.logs[1], "wb") as err:
            self.process = subprocess.Popen(args, cwd=cwd, env=env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL)

    def wait(self, timeout):  # the exit code, or None while it still runs
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    stdout = lambda self: read_text(self.logs[0])
    stderr = lambda self: read_text(self.logs[1])


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def region(self, x, y, width, height):
        rgb = b"".join(self.rgb[(at := ((y + j) * self.width + x) * 3):at + 3 * width]
                       for j in range(height))
        return list(zip(rgb[0::3], rgb[1::3], rgb[2::3]))


def read_image(path, env=None):
    """An image file through ImageMagick; "x:root" is the whole screen of env's display."""
    result = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], env=env,
                            capture_output=True, timeout=60)
    if result.returncode != 0:
        raise Failure(f"no image of {path}")
    width, height = map(int, result.stdout.split(maxsplit=3)[1:3])  # P6 WIDTH HEIGHT 255 RGB...
    return Image(width, height, result.stdout[-width * height * 3:])


class XSession:
    """An Xvfb screen of the given size; with sound, a sound server whose device plays into
    nothing in real time, as a sound card would."""

    def __init__(self, screen=SCREEN, sound=False):
        self.screen, self.sound = screen, sound

    def __enter__(self):
        self.programs, read_end, write_end = [], *os.pipe()
        # -noreset: a reset when the last client leaves drops a program connecting in that moment.
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % self.screen,
             "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display_file:
            number = display_file.readline().strip()
        if not number:
            self.xvfb.kill()
            raise Failure("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number, LP_NUM_THREADS="2")
        self.env.pop("WAYLAND_DISPLAY", None)
        if self.sound:
            self.pulse = tempfile.mkdtemp(prefix="quorvane-pulse-")
            self._pulse(["-n", "--daemonize=yes", "--exit-idle-time=-1", "-L", "module-null-sink",
                         "-L", f"module-native-protocol-unix auth-anonymous=1 "
                               f"socket={self.pulse}/native"])
            self.env["PULSE_SERVER"] = f"unix:{self.pulse}/native"
        return self

    def __exit__(self, *exc):
        for process in [program.process for program in self.programs] + [self.xvfb]:
            stop(process)
        if self.sound:
            self._pulse(["--kill"])
            shutil.rmtree(self.pulse, ignore_errors=True)

    def _pulse(self, args):
        env = dict(self.env, HOME=self.pulse, XDG_RUNTIME_DIR=self.pulse)
        subprocess.run(["pulseaudio", *args], env=env, capture_output=True, timeout=60)

    def start(self, args, cwd, name):
        self.programs.append(Program(args, cwd, self.env, name))
        return self.programs[-1]

    def _run(self, args, timeout=10):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=timeout)
        return result.returncode, result.stdout

    def windows(self, name):
        return self._run(["xdotool", "search", "--onlyvisible", "--name", name])[1].split()

    def wait_window(self, name, timeout=60):
        # Polled rather than --sync: a window vanishing mid-search makes xdotool fail at once.
        found = wait_until(lambda: self.windows(name), timeout, interval=0.2)
        if not found:
            raise Failure(f"no window named {name!r} within {timeout} s")
        return found[0]

    def key(self, window, *keys, command="key"):  # or types text with command="type"
        self._run(["xdotool", "windowfocus", "--sync", window])
        self._run(["xdotool", command, "--delay", "50", *keys])

    def click(self, window, x, y):
        self._run(["xdotool", "mousemove", "--sync", "--window", window, str(x), str(y)])
        self._run(["xdotool", "click", "1"])

    def title(self, window):
        return self._run(["xdotool", "getwindowname", window])[1].rstrip("\n")

    def geometry(self, window):  # (x, y, width, height) of the client area on screen
        out = self._run(["xwininfo", "-id", window])[1]
        return tuple(int(re.search(label + r":\s*(-?\d+)", out)[1]) for label in (
            "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def close(self, window):
        """Sends WM_DELETE_WINDOW as a title bar's close box does: Xvfb runs no window manager."""
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype = ctypes.c_void_p
        display = ctypes.c_void_p(x11.XOpenDisplay(self.env["DISPLAY"].encode()))
        if not display:
            raise Failure("cannot open the X display")
        atom = lambda name: x11.XInternAtom(display, name, 0)  # atoms fit the int it returns
        # XClientMessageEvent as LP64 longs: type, serial, send_event, display, window, atom, format
        event = (ctypes.c_long * 24)(33, 0, 0, 0, int(window), atom(b"WM_PROTOCOLS"), 32,
                                     atom(b"WM_DELETE_WINDOW"))
        x11.XSendEvent(display, ctypes.c_ulong(int(window)), 0, ctypes.c_long(0), event)
        x11.XCloseDisplay(display)

    def screenshot(self):
        return read_image("x:root", self.env)


def wait_until(condition, timeout, interval=0.1):
    """Polls condition until it is true or timeout seconds pass; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)
