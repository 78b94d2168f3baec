#!/usr/bin/env python3
"""LibreCAD prints the frames' DXF as the preview draws them: mask rings
white on paper, the table's centre cell hatched, Chinese characters drawn.

Each check prints a drawing that keeps only the entities it looks at, with
LibreCAD's dxf2pdf fitted to the page, and reads the page back as pixels
(pdftoppm). The copies are declared in millimetres, as LibreCAD's page is
counted in drawing units.

Usage: dxf_librecad_test.py TARVIK_CLI. Exits 77 (skipped) without LibreCAD,
pdftoppm, numpy or Pillow."""
import os
import shutil
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from PIL import Image
except ImportError as e:
    print("skipped:", e, "(Debian: python3-numpy, python3-pil)")
    sys.exit(77)

ENCODING = "gbk"  # the drawing's declared code page


def pairs(path):
    with open(path, encoding=ENCODING) as f:
        lines = f.read().split("\n")
    return [(lines[i].strip(), lines[i + 1]) for i in range(0, len(lines) - 1, 2)]


def keep_only(source, target, wanted):
    """A copy of the drawing holding only the entities `wanted` accepts
    (a list of its (code, value) pairs), in millimetres."""
    tags = pairs(source)
    start = tags.index(("2", "ENTITIES")) + 1
    end = next(i for i in range(start, len(tags)) if tags[i] == ("0", "ENDSEC"))
    entities, current = [], []
    for tag in tags[start:end]:
        if tag[0] == "0" and current:
            entities.append(current)
            current = []
        current.append(tag)
    if current:
        entities.append(current)
    kept = [e for e in entities if wanted(e)]
    head = tags[:start]
    units = head.index(("9", "$INSUNITS")) + 1
    head[units] = ("70", "4")
    out = head + [t for e in kept for t in e] + tags[end:]
    with open(target, "w", encoding=ENCODING) as f:
        f.write("".join("%3s\n%s\n" % t for t in out))
    return len(kept)


def printed(dxf, tmp):
    """LibreCAD's print of the drawing as grey levels."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    subprocess.run(["librecad", "dxf2pdf", "-a", os.path.basename(dxf)], cwd=tmp, env=env, capture_output=True,
                   timeout=300)
    pdf = dxf[:-4] + ".pdf"
    assert os.path.exists(pdf), "LibreCAD printed nothing for " + dxf
    subprocess.run(["pdftoppm", "-r", "100", "-png", "-singlefile", pdf, dxf[:-4]], check=True)
    return np.asarray(Image.open(dxf[:-4] + ".png").convert("RGB")).astype(int)


def layer_of(entity):
    return next((v for c, v in entity if c == "8"), "")


def main(cli):
    if not shutil.which("librecad") or not shutil.which("pdftoppm"):
        print("LibreCAD or pdftoppm is not installed (Debian: librecad, poppler-utils); skipped")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as tmp:
        index = os.path.join(tmp, "idx.shp")
        made = subprocess.run([cli, "make-index", "--scale", "10000", "--bbox", "116", "39", "116.1", "39.1",
                               "-o", index], capture_output=True, text=True)
        assert made.returncode == 0, made.stderr
        drawing = os.path.join(tmp, "all.dxf")
        run = subprocess.run([cli, "index", index, "-o", drawing, "--name-template", "[TFH]", "--layout", "shared"],
                             capture_output=True, text=True)
        assert run.returncode == 0, run.stderr

        # Mask rings: filled, and white on paper (not a dark pixel).
        masks = os.path.join(tmp, "masks.dxf")
        assert keep_only(drawing, masks, lambda e: e[0] == ("0", "HATCH") and layer_of(e).endswith("_MASK")) >= 4
        page = printed(masks, tmp)
        assert (page < 255).any(), "the mask rings are not drawn"
        assert not (page.sum(axis=2) < 3 * 128).any(), "mask rings printed dark"

        # The centre cell's hatching: lines drawn.
        hatch = os.path.join(tmp, "hatch.dxf")
        assert keep_only(drawing, hatch, lambda e: e[0] == ("0", "HATCH") and layer_of(e).endswith("_HATCH")) >= 1
        lines = (printed(hatch, tmp).sum(axis=2) < 3 * 128).sum()
        assert lines > 200, "the centre cell is not hatched (%d dark pixels)" % lines

        # Chinese characters drawn with their strokes, not as the outline
        # LibreCAD puts for a character its font lacks: the three of
        # 比例尺1:10000 hold most of its ink (0.69; as outlines 0.49).
        scale = os.path.join(tmp, "scale.dxf")
        first = []

        def scale_text(entity):
            if first or not any(c == "1" and v.startswith("比例尺") for c, v in entity):
                return False
            first.append(entity)
            return True

        assert keep_only(drawing, scale, scale_text) == 1
        ink = printed(scale, tmp).sum(axis=2) < 3 * 128
        columns = np.nonzero(ink.any(axis=0))[0]
        left, right = columns.min(), columns.max()
        cut = left + (right - left) * 3 // 7  # 比例尺 take 3 of its 6.5 ems

        share = ink[:, left:cut].sum() / ink.sum()
        print("mask rings white, centre cell hatched (%d dark pixels), Chinese characters %.2f of the ink"
              % (lines, share))
        assert share > 0.6, "Chinese characters not drawn: %.2f of the ink" % share

if __name__ == "__main__":
    main(sys.argv[1])
