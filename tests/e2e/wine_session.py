"""Wine in a fresh prefix, one virtual desktop on Xvfb and a silent ALSA device."""

import os
import shutil
import subprocess
import tempfile
import time

from xsession import SCREEN, XSession


class WineSession(XSession):
    """The desktop as big as the screen, at dpi dots per inch."""

    def __init__(self, screen=SCREEN, dpi=96):
        super().__init__(screen)
        self.dpi = dpi

    def __enter__(self):
        super().__enter__()
        self.home = tempfile.mkdtemp(prefix="quorvane-wine-")
        # Without a default ALSA device DirectShow renders no MP3 at all.
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write("pcm.!default { type null }\nctl.!default { type hw card 0 }\n")
        self.env.update(HOME=self.home, WINEPREFIX=os.path.join(self.home, "prefix"),
                        WINEDEBUG="-all")
        # One virtual desktop per prefix: clicks and keys reach the dialog, the exit code stays.
        for key, name, value in (("Explorer", "Desktop", "Default"),
                                 ("Explorer\\Desktops", "Default", "%dx%d" % self.screen)):
            self._run(["wine", "reg", "add", f"HKCU\\Software\\Wine\\{key}", "/v", name, "/d",
                       value, "/f"], 120)
        # The display's dots per inch, as Windows' display scale sets them (96 at 100 %).
        self._run(["wine", "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                   "REG_DWORD", "/d", str(self.dpi), "/f"], 120)
        self._run(["wineserver", "-w"], 120)
        return self

    def __exit__(self, *exc):
        super().__exit__(*exc)
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        shutil.rmtree(self.home, ignore_errors=True)

    def click_screen(self, x, y):
        # No --sync: it waits for a motion that never comes when the pointer is there already.
        self._run(["xdotool", "mousemove", str(x), str(y)])
        time.sleep(0.2)
        self._run(["xdotool", "click", "1"])

    def key(self, window, *keys, command="key"):
        self._run(["xdotool", command, "--delay", "120", *keys])
        # A busy Wine can still be handling the last key when the next one comes.
        time.sleep(0.5)
