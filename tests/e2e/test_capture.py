"""The capture tool as a person uses it: camera lines, a frame as PNG, a numbered sequence, the
volume and surface of a frame, and clear refusals of arguments it cannot use.

Run: python3 test_capture.py BUILD_DIR    (exit code 0 = pass)
"""

import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from xsession import Checks, Failure

CAMERA_LINE = re.compile(r"^t=(\S+) calls=(\S+) pos=(\S+),(\S+),(\S+) dir=(\S+),(\S+)$")


def run(build, *args, cwd=None):
    env = dict(os.environ, LP_NUM_THREADS=os.environ.get("LP_NUM_THREADS", "2"))
    return subprocess.run([os.path.join(build, "quorvane-capture"), *args], cwd=cwd, env=env,
                          capture_output=True, text=True, timeout=600)


def png_size_and_rows(path):
    """(width, height, rows of RGB bytes) of an 8-bit RGB PNG without filters beyond 'none'-'paeth'."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2), "8-bit RGB"
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, stride, rows, previous = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = previous[i], previous[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def camera_lines(checks, build):
    result = run(build, "--camera", "0", "30", "79.6", "81.8", "104.5")
    lines = result.stdout.splitlines()
    checks.expect(result.returncode == 0 and len(lines) == 5, "--camera prints one line per time")
    parsed = [CAMERA_LINE.match(line) for line in lines]
    checks.expect(all(parsed), f"each line reads t=... calls=... pos=x,y,z dir=x,y ({lines[:1]})")
    if not all(parsed) or len(parsed) != 5:
        return
    checks.expect(lines[0] == "t=0 calls=shaft.update,shaft.draw pos=0,0,3 dir=-11,0",
                  f"t=0: the opening camera turned by -11 ({lines[0]})")
    checks.expect(parsed[1].group(1) == "30" and abs(float(parsed[1].group(7)) -
                  0.419904 * math.sin(12.0)) < 1e-6, "t=30: the nod is eased to 0.4199")
    checks.expect(parsed[2].group(1) == "79.5999985",
                  f"t is float(T) printed with %.9g ({parsed[2].group(1)})")
    checks.expect(parsed[3].group(2) == "finale.update,finale.draw,sheet.draw",
                  f"t=81.8: the finale with the sheet drawn over it ({parsed[3].group(2)})")
    checks.expect(parsed[4].group(2) == "finale.update,finale.draw" and
                  [float(v) for v in parsed[4].group(3, 4, 5, 6, 7)] == [0, 0, 3, 0, 0],
                  f"t=104.5: the rest camera, no sheet ({lines[4]})")


def refusals(checks, build):
    for args in ([], ["--time", "abc", "--out", "x.png"], ["--camera"],
                 ["--from", "5", "--to", "1", "--out", "d"], ["--time", "1"],
                 ["--size", "0x10", "--time", "1", "--out", "x.png"],
                 ["--bench", "--volume", "v.raw"], ["--frobnicate"]):
        result = run(build, *args)
        checks.expect(result.returncode == 2 and "usage: quorvane-capture" in result.stderr,
                      f"refused with usage and code 2: {' '.join(args) or '(nothing)'}")


def frames(checks, build, workdir):
    png = os.path.join(workdir, "frame.png")
    result = run(build, "--size", "48x27", "--time", "1.5", "--out", png)
    checks.expect(result.returncode == 0, f"--time writes a frame ({result.stderr.strip()})")
    if result.returncode == 0:
        width, height, rows = png_size_and_rows(png)
        checks.expect((width, height, len(rows)) == (48, 27, 27), f"a 48x27 PNG ({width}x{height})")

    sequence = os.path.join(workdir, "sequence")
    result = run(build, "--size", "16x9", "--from", "2", "--to", "2.5", "--fps", "10", "--out",
                 sequence)
    names = sorted(os.listdir(sequence)) if os.path.isdir(sequence) else []
    checks.expect(result.returncode == 0 and names == [f"frame_{i:05d}.png" for i in range(5)],
                  f"--from 2 --to 2.5 --fps 10 writes five numbered frames ({names})")

    if shutil.which("ffmpeg") is None:
        result = run(build, "--size", "16x9", "--from", "0", "--to", "0.1", "--out", sequence,
                     "--video", os.path.join(workdir, "v.mp4"))
        checks.expect(result.returncode == 1 and "ffmpeg" in result.stderr,
                      f"--video without ffmpeg: a clear error ({result.stderr.strip()})")


def read_ply(path):
    """(vertices, faces) of the ASCII PLY the tool writes."""
    with open(path) as f:
        lines = f.read().splitlines()
    end = lines.index("end_header")
    counts = {line.split()[1]: int(line.split()[2]) for line in lines[:end]
              if line.startswith("element")}
    body = lines[end + 1:]
    vertices = [tuple(map(float, line.split())) for line in body[:counts["vertex"]]]
    faces = [tuple(map(int, line.split())) for line in body[counts["vertex"]:]]
    return vertices, faces


def changes_sign_around(field, v, size=128):
    """Whether the 2x2x2 voxels around voxel-space point v hold both signs (or a zero)."""
    base = [math.floor(c) for c in v]
    for dx in (0, -1) if v[0] - base[0] < 1e-3 else (0,):
        for dy in (0, -1) if v[1] - base[1] < 1e-3 else (0,):
            for dz in (0, -1) if v[2] - base[2] < 1e-3 else (0,):
                values = []
                for i in range(8):
                    x, y, z = base[0] + dx + (i & 1), base[1] + dy + (i >> 1 & 1), base[2] + dz + (i >> 2)
                    inside = 0 <= x < size and 0 <= y < size and 0 <= z < size
                    values.append(field[(z * size + y) * size + x] if inside else 0.0)
                if min(values) <= 0.0 <= max(values):
                    return True
    return False


def volume_and_surface(checks, build, workdir):
    volume, surface = os.path.join(workdir, "v.raw"), os.path.join(workdir, "s.ply")
    result = run(build, "--size", "32x18", "--time", "10", "--out",
                 os.path.join(workdir, "f.png"), "--volume", volume, "--surface", surface)
    checks.require(result.returncode == 0, f"--volume and --surface at t=10 ({result.stderr})")
    raw = open(volume, "rb").read()
    checks.expect(len(raw) == 128 ** 3 * 4, f"a 128^3 float32 volume ({len(raw)} bytes)")
    field = struct.unpack(f"<{len(raw) // 4}f", raw)
    vertices, faces = read_ply(surface)
    checks.expect(len(faces) > 100 and len(vertices) == 4 * len(faces),
                  f"four vertices per quad ({len(vertices)} for {len(faces)} quads)")
    checks.expect(all(face == (4, 4 * i, 4 * i + 1, 4 * i + 2, 4 * i + 3)
                      for i, face in enumerate(faces)), "face i lists vertices 4i .. 4i+3")
    # A corner at p sits at voxel-space (p + 0.5) * 128 - 1, inside a dual cube the surface crosses.
    off = [v for v in vertices
           if not changes_sign_around(field, [(c + 0.5) * 128 - 1 for c in v])]
    checks.expect(not off, f"every corner lies where the field changes sign ({len(off)} do not)")

    result = run(build, "--size", "32x18", "--time", "40", "--out", os.path.join(workdir, "g.png"),
                 "--volume", volume)
    checks.expect(result.returncode == 1 and "builds no volume" in result.stderr,
                  f"t=40 builds no volume: a clear error ({result.stderr.strip()})")


def main():
    build = os.path.abspath(sys.argv[1])
    checks = Checks()
    with tempfile.TemporaryDirectory() as workdir:
        try:
            camera_lines(checks, build)
            refusals(checks, build)
            frames(checks, build, workdir)
            volume_and_surface(checks, build, workdir)
        except Failure as failure:
            print(f"stopped: {failure}")
            checks.failed += 1
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
