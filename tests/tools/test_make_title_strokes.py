"""tools/make_title_strokes.py as its user runs it.  Run: python3 test_make_title_strokes.py SOURCE_DIR"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from xsession import run_checks  # noqa: E402


def main(checks):
    source = os.path.abspath(sys.argv[1])
    script = os.path.join(source, "tools", "make_title_strokes.py")
    with tempfile.TemporaryDirectory() as workdir:
        out, preview = os.path.join(workdir, "strokes.cpp"), os.path.join(workdir, "strokes.png")
        result = subprocess.run([sys.executable, script, "--out", out, "--preview", preview],
                                cwd=source, capture_output=True, text=True, timeout=120)
        checks.require(result.returncode == 0, f"it writes the table ({result.stderr.strip()})")
        checks.expect("17 strokes, 322 segments" in result.stdout, f"and says so ({result.stdout})")
        with open(out, "rb") as made, open(os.path.join(source, "scenes", "title_strokes.cpp"),
                                           "rb") as kept:
            checks.expect(made.read() == kept.read(),
                          "the table it writes is scenes/title_strokes.cpp byte for byte")
        with open(preview, "rb") as image:
            checks.expect(image.read(8) == b"\x89PNG\r\n\x1a\n", "the preview is a PNG")
        missing = os.path.join(workdir, "missing.jhf")
        result = subprocess.run([sys.executable, script, "--font", missing, "--out", out + "2"],
                                cwd=source, capture_output=True, text=True, timeout=120)
        checks.expect(result.returncode == 1 and result.stderr.count("\n") == 1 and
                      "hershey-fonts-data" in result.stderr and not os.path.exists(out + "2"),
                      f"without the font: one line naming its package ({result.stderr.strip()})")


if __name__ == "__main__":
    sys.exit(run_checks(main))
