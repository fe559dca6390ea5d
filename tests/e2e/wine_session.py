"""Wine in a fresh prefix, one virtual desktop on Xvfb and a silent ALSA device."""

import os
import shutil
import subprocess
import tempfile
import time

from xsession import XSession


class WineSession(XSession):
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
                                 ("Explorer\\Desktops", "Default", self.screen.rsplit("x", 1)[0])):
            self._run(["wine", "reg", "add", f"HKCU\\Software\\Wine\\{key}", "/v", name, "/d",
                       value, "/f"], 120)
        self._run(["wineserver", "-w"], 120)
        return self

    def __exit__(self, *exc):
        super().__exit__(*exc)
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        shutil.rmtree(self.home, ignore_errors=True)
        return False

    def click_screen(self, x, y):
        """Clicks at (x, y) of the screen; the virtual desktop sits at its top left."""
        # No --sync: it waits for a motion that never comes when the pointer is there already.
        self._run(["xdotool", "mousemove", str(x), str(y)])
        time.sleep(0.2)
        self._run(["xdotool", "click", "1"])

    def press(self, *keys):
        """Keys to whatever has the focus inside the desktop."""
        self._run(["xdotool", "key", "--delay", "80", *keys])

    def write(self, text):
        self._run(["xdotool", "type", "--delay", "120", text])
        # A busy Wine can still be handling the last key when the next one comes.
        time.sleep(0.5)
