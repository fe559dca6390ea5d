#!/usr/bin/env python3
"""Writes scenes/title_strokes.cpp: the title "quorvane" in joined handwriting as pen segments.

The handwriting is the Hershey cursive font (Debian package hershey-fonts-data); the build does
not need the font, only this script does. Run from the repository root:

    tools/make_title_strokes.py [--font FILE.jhf] [--out FILE.cpp] [--preview FILE.png]

Layout: "quor" on the upper left, "vane." on the lower right of the page [0, 1]^2 (y down), with
the page mapped to the 6 x 3.5 particle sheet so that letters keep their shape on the sheet.
Timing: a pen of constant speed in units of 1/700 s; the pen lifts for exactly 100 units
between strokes. Each stroke's font edges are cut into segments of about 20 units, the cuts
shared among the edges in proportion to their lengths, so that the table has 322 segments.
"""

import argparse
import math
import struct
import sys
import zlib

FONT = "/usr/share/hershey-fonts/cursive.jhf"
OUT = "scenes/title_strokes.cpp"

# Notice that the font's licence asks to be distributed with data converted from it.
NOTICE = """\
This distribution of the Hershey Fonts may be used by anyone for
any purpose, commercial or otherwise, providing that:
	1. The following acknowledgements must be distributed with
		the font data:
		- The Hershey Fonts were originally created by Dr.
			A. V. Hershey while working at the U. S.
			National Bureau of Standards.
		- The format of the Font data in this distribution
			was originally created by
				James Hurt
				Cognition, Inc.
				900 Technology Park Drive
				Billerica, MA 01821
				(mit-eddie!ci-dandelion!hurt)
	2. The font data in this distribution may be converted into
		any other format *EXCEPT* the format distributed by
		the U.S. NTIS (which organization holds the rights
		to the distribution and use of the font data in that
		particular format). Not that anybody would really
		*want* to use their format... each point is described
		in eight bytes as "xxx yyy:", where xxx and yyy are
		the coordinate values as ASCII numbers."""

LINES = ("quor", "vane.")
# The font's dot sits at mid height; a full stop belongs on the baseline.
DROP = {".": 3}

# Pen-down runs in writing order, each a label and its pieces (line, character, font stroke, first vertex, last
# vertex or None for the stroke's end). Two font joins are written through (q-u and a-n); their
# shared point stays in the table as a zero-length segment. The pen also lifts at the sharp
# reversals of u, r, v and a, at the turn of r's shoulder and where o's oval closes.
PLAN = (
    ("q: bowl", ((0, 0, 0, 0, None),)),
    ("q: stem, loop and tie into u's lead-in", ((0, 0, 1, 0, None), (0, 1, 0, 0, 1))),
    ("u: first arm", ((0, 1, 0, 1, None),)),
    ("u: second arm and tie", ((0, 1, 1, 0, None),)),
    ("o: oval", ((0, 2, 0, 0, 14),)),
    ("o: tie", ((0, 2, 0, 14, None),)),
    ("r: lead-in", ((0, 3, 0, 0, 2),)),
    ("r: tick", ((0, 3, 0, 2, 3),)),
    ("r: shoulder and tie", ((0, 3, 0, 3, None),)),
    ("v: lead-in", ((1, 0, 0, 0, 1),)),
    ("v: valley", ((1, 0, 0, 1, None),)),
    ("v: tie", ((1, 0, 1, 0, None),)),
    ("a: bowl", ((1, 1, 0, 0, 13),)),
    ("a: stem and tie into n's first arch", ((1, 1, 0, 13, None), (1, 2, 0, 0, None))),
    ("n: second arch and tie", ((1, 2, 1, 0, None),)),
    ("e", ((1, 3, 0, 0, None),)),
    ("full stop", ((1, 4, 0, 0, None),)),
)

SEGMENTS = 322
LIFT = 100.0  # units of 1/700 s
END = 8152.47  # end of the last segment
QUANTUM = 1.0 / 1024.0  # times on this grid stay exact as floats, so lifts are exactly 100
LETTER_SCALE = 0.065  # sheet units per font unit
BOX = (0.0775, 0.121, 0.875, 0.873)  # page box the writing fills: left, top, right, bottom
SHEET = (6.0, 3.5)  # sheet size of the unit page


def read_jhf(path):
    """Glyphs of a Hershey .jhf file by character (first record is the space, then ASCII order)."""
    records = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            # A record longer than a line continues on the next one.
            if records and len(records[-1]) < 8 + 2 * int(records[-1][5:8]):
                records[-1] += line
            else:
                records.append(line)
    glyphs = {}
    for index, record in enumerate(records):
        body = record[8 : 8 + 2 * int(record[5:8])]
        pairs = [(ord(body[i]) - ord("R"), ord(body[i + 1]) - ord("R")) for i in range(0, len(body), 2)]
        left, right = pairs[0]
        strokes = [[]]
        for i, pair in enumerate(pairs[1:]):
            if body[2 + 2 * i : 4 + 2 * i] == " R":
                strokes.append([])
            else:
                strokes[-1].append(pair)
        glyphs[chr(32 + index)] = (left, right, [s for s in strokes if s])
    return glyphs


def place_lines(glyphs):
    """Per line, per character, the font strokes moved to the character's place in its word."""
    lines = []
    for word in LINES:
        advance = 0
        placed = []
        for ch in word:
            left, right, strokes = glyphs[ch]
            drop = DROP.get(ch, 0)
            placed.append([[(advance + x - left, y + drop) for x, y in s] for s in strokes])
            advance += right - left
        lines.append(placed)
    return lines


def plan_strokes(lines):
    """Pen-down runs as lists of (line, x, y) font points; a font join repeats its point."""
    runs = []
    for _, pieces in PLAN:
        run = []
        for line, char, stroke, first, last in pieces:
            points = lines[line][char][stroke]
            end = len(points) if last is None else last + 1
            run += [(line, x, y) for x, y in points[first:end]]
        runs.append(run)
    return runs


def apportion(runs):
    """Segments per edge: one for a zero-length edge, the rest by largest remainder of length."""
    lengths = [math.dist(a[1:], b[1:]) for run in runs for a, b in zip(run, run[1:])]
    moving = [i for i, length in enumerate(lengths) if length > 0]
    budget = SEGMENTS - (len(lengths) - len(moving))
    total = sum(lengths[i] for i in moving)
    quota = {i: lengths[i] * budget / total for i in moving}
    counts = [1] * len(lengths)
    for i in moving:
        counts[i] = max(1, math.floor(quota[i]))
    for i in sorted(moving, key=lambda i: (counts[i] - quota[i], i))[: budget - sum(counts[i] for i in moving)]:
        counts[i] += 1
    if sum(counts) != SEGMENTS:
        sys.exit(f"cannot cut the writing into {SEGMENTS} segments")
    return counts, total


def page_mapping(runs):
    """Font point (line, x, y) to page point, filling BOX with both lines at one letter size."""
    sx = LETTER_SCALE / SHEET[0]
    sy = LETTER_SCALE / SHEET[1]
    points = [p for run in runs for p in run]
    first = [p for p in points if p[0] == 0]
    second = [p for p in points if p[0] == 1]
    left = min(p[1] for p in first)
    top = min(p[2] for p in first)
    # The second line is shifted so that it ends at the box's right and bottom edges.
    shift_x = left + (BOX[2] - BOX[0]) / sx - max(p[1] for p in second)
    shift_y = top + (BOX[3] - BOX[1]) / sy - max(p[2] for p in second)

    def to_page(point):
        line, x, y = point
        if line == 1:
            x += shift_x
            y += shift_y
        return (BOX[0] + (x - left) * sx, BOX[1] + (y - top) * sy)

    return to_page


def as_float(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def build_table(font):
    glyphs = read_jhf(font)
    runs = plan_strokes(place_lines(glyphs))
    counts, length = apportion(runs)
    to_page = page_mapping(runs)
    speed = (END - LIFT * (len(runs) - 1)) / length  # units per font unit
    times, points, labels = [], [], []
    edge = 0
    written = 0.0
    for index, run in enumerate(runs):
        lift = LIFT * index
        labels.append((len(times), PLAN[index][0]))
        for a, b in zip(run, run[1:]):
            n = counts[edge]
            edge += 1
            step = math.dist(a[1:], b[1:]) / n
            for k in range(n):
                pa = to_page(tuple([a[0]] + [a[i] + (b[i] - a[i]) * k / n for i in (1, 2)]))
                pb = to_page(tuple([a[0]] + [a[i] + (b[i] - a[i]) * (k + 1) / n for i in (1, 2)]))
                start = round(written * speed / QUANTUM) * QUANTUM + lift
                written += step
                end = round(written * speed / QUANTUM) * QUANTUM + lift
                times.append((start, end))
                # The pen sweeps each segment from its later point back to its earlier one.
                points.append(tuple(as_float(v) for v in (*pa, *pb)))
    return times, points, labels, runs


def c_float(value):
    """The shortest literal that reads back as the same 32-bit float."""
    exact = as_float(value)
    for digits in range(6, 10):
        text = f"{exact:.{digits}g}"
        if as_float(float(text)) == exact:
            break
    if "e" not in text and "." not in text:
        text += ".0"
    return text + "f"


def write_cpp(path, times, points, labels):
    label_at = dict(labels)
    out = []
    out.append("// Generated by tools/make_title_strokes.py from the Hershey cursive font")
    out.append("// (cursive.jhf of Debian's hershey-fonts-data); regenerate rather than edit.")
    out.append("//")
    for line in NOTICE.expandtabs(4).split("\n"):
        out.append(("// " + line).rstrip())
    out.append("")
    out.append('#include "scenes/title_strokes.h"')
    out.append("")
    out.append("// clang-format off")
    out.append("const std::array<PenSegmentTime, titleSegments> titleStrokeTimes = {{")
    for k, (start, end) in enumerate(times):
        if k in label_at:
            out.append(f"    // {label_at[k]}")
        out.append(f"    {{{c_float(start)}, {c_float(end)}}},")
    out.append("}};")
    out.append("")
    out.append("const std::array<PenSegmentPoints, titleSegments> titleStrokePoints = {{")
    for k, record in enumerate(points):
        if k in label_at:
            out.append(f"    // {label_at[k]}")
        out.append("    {" + ", ".join(c_float(v) for v in record) + "},")
    out.append("}};")
    out.append("// clang-format on")
    with open(path, "w", encoding="ascii") as f:
        f.write("\n".join(out) + "\n")


def write_preview(path, points, width=960, height=560):
    """The table's segments in black on white, each segment's first point in red."""
    pixels = bytearray([255] * (width * height * 3))

    def plot(x, y, colour):
        px, py = int(x * width), int(y * height)
        if 0 <= px < width and 0 <= py < height:
            pixels[(py * width + px) * 3 : (py * width + px) * 3 + 3] = bytes(colour)

    for xa, ya, xb, yb in points:
        n = int(max(abs(xb - xa) * width, abs(yb - ya) * height) * 2) + 1
        for i in range(n + 1):
            f = i / n
            for dx in (0, 1):
                for dy in (0, 1):
                    plot(xa + (xb - xa) * f + dx / width, ya + (yb - ya) * f + dy / height, (0, 0, 0))
        plot(xa, ya, (255, 0, 0))
    rows = b"".join(b"\x00" + bytes(pixels[y * width * 3 : (y + 1) * width * 3]) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)))
        f.write(chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--font", default=FONT)
    parser.add_argument("--out", default=OUT)
    parser.add_argument("--preview", help="also draw the table into this PNG")
    args = parser.parse_args()
    try:
        times, points, labels, runs = build_table(args.font)
    except OSError as error:
        sys.exit(f"make_title_strokes.py: cannot read the font {args.font} "
                 f"(Debian package hershey-fonts-data): {error.strerror}")
    write_cpp(args.out, times, points, labels)
    if args.preview:
        write_preview(args.preview, points)
    durations = [end - start for start, end in times if end > start]
    print(
        f"{args.out}: {len(runs)} strokes, {len(times)} segments "
        f"({len(times) - len(durations)} of zero length), segments {min(durations):.2f} to "
        f"{max(durations):.2f} units, end {times[-1][1]:.5f}"
    )


if __name__ == "__main__":
    main()
