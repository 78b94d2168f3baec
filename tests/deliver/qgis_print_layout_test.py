#!/usr/bin/env python3
"""The print layout of the project beside an output prints its frames at
their scale.

Frames are written without grids, everything but the four sides of each
inner frame is removed from the output, and QGIS (headless) exports the
project's layout to PDF: a 1:10 000 sheet alone (its page layout), and an
atlas of a 1:10 000 and a 1:50 000 sheet in one GeoPackage and of two
sheets of the shared layout. On every page exactly four lines are drawn,
those of the page's own frame, and each side's printed length equals its
length on the ground divided by the scale within 0.2 mm.

Usage: qgis_print_layout_test.py TARVIK_CLI. Exits 77 (skipped) without
PyQGIS."""
import math
import os
import re
import subprocess
import sys
import tempfile
import zlib

try:
    from qgis.core import (QgsApplication, QgsFeatureRequest, QgsLayoutExporter, QgsProject, QgsVectorLayer)
except ImportError as e:
    print("PyQGIS test skipped:", e, "(Debian: python3-qgis)")
    sys.exit(77)

MM_PER_PT = 25.4 / 72
TOLERANCE_MM = 0.2


def run(args):
    done = subprocess.run(args, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr


def keep_inner_frames(store, frames_field=None):
    """Removes every feature but the four longest lines of ID 1 (the inner
    frame's sides: no grid is drawn) of each frame; returns {frame: [side
    lengths on the ground, m]}."""
    sides = {}
    layers = [QgsVectorLayer(store + "|layername=" + name, name, "ogr") for name in table_names(store)]
    for layer in layers:
        assert layer.isValid(), layer.source()
        name = layer.name()
        ids = [f.id() for f in layer.getFeatures()]
        keep = []
        if name.startswith("L_"):
            groups = {}
            for f in layer.getFeatures(QgsFeatureRequest().setFilterExpression('"ID" = 1')):
                frame = f[frames_field] if frames_field else name[2:]
                groups.setdefault(frame, []).append((f.geometry().length(), f.id()))
            for frame, lines in groups.items():
                lines.sort(reverse=True)
                sides[frame] = [length for length, _ in lines[:4]]
                keep += [fid for _, fid in lines[:4]]
        assert layer.dataProvider().deleteFeatures([i for i in ids if i not in keep])
    return sides


def table_names(store):
    import sqlite3
    with sqlite3.connect(store) as db:
        rows = db.execute("SELECT table_name FROM gpkg_contents WHERE table_name LIKE 'L\\_%' ESCAPE '\\' "
                          "OR table_name LIKE 'p\\_%' ESCAPE '\\' OR table_name LIKE 'a\\_%' ESCAPE '\\'")
        return [r[0] for r in rows]


TOKEN = re.compile(rb"\((?:\\.|[^\\)])*\)|<[0-9A-Fa-f\s]*>|/[^\s/\[\]()<>{}]+|[-+]?(?:\d+\.?\d*|\.\d+)|[A-Za-z'\"*]+|\[|\]")


def multiply(a, b):
    """PDF matrices [a b c d e f]: a then b."""
    return [a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
            a[2] * b[1] + a[3] * b[3], a[4] * b[0] + a[5] * b[2] + b[4], a[4] * b[1] + a[5] * b[3] + b[5]]


def stroked_segments(content):
    """The straight segments of the stroked paths of a page, in mm."""
    ctm, stack, operands, path, out = [1, 0, 0, 1, 0, 0], [], [], [], []
    current = None
    for token in TOKEN.findall(content):
        try:
            operands.append(float(token))
            continue
        except ValueError:
            pass
        op = token
        if op == b"q":
            stack.append(ctm)
        elif op == b"Q":
            ctm = stack.pop() if stack else ctm
        elif op == b"cm":
            ctm = multiply(operands[-6:], ctm)
        elif op in (b"m", b"l"):
            x, y = operands[-2:]
            point = ((x * ctm[0] + y * ctm[2] + ctm[4]) * MM_PER_PT, (x * ctm[1] + y * ctm[3] + ctm[5]) * MM_PER_PT)
            if op == b"l" and current is not None:
                path.append((current, point))
            current = point
        elif op in (b"S", b"s"):
            out += path
            path, current = [], None
        elif op in (b"n", b"f", b"f*", b"B", b"B*", b"b", b"b*", b"re", b"c", b"v", b"y"):
            if op not in (b"re", b"c", b"v", b"y"):
                path, current = [], None
        operands = []
    return out


def pages(pdf):
    """The content of each page, in order."""
    data = open(pdf, "rb").read()
    objects = {int(n): body for n, body in re.findall(rb"(\d+) 0 obj(.*?)endobj", data, re.S)}

    def stream(n):
        body = objects[n]
        raw = re.search(rb"stream\r?\n(.*)endstream", body, re.S).group(1)
        return zlib.decompress(raw) if b"FlateDecode" in body else raw

    out = []
    for n in sorted(objects):
        body = objects[n]
        if re.search(rb"/Type\s*/Page\b", body):
            out.append(b"".join(stream(int(c)) for c in re.findall(rb"(\d+) 0 R", re.search(
                rb"/Contents\s*(\[[^\]]*\]|\d+ 0 R)", body).group(1))))
    return out


def check_page(content, ground_sides, scale, what):
    segments = stroked_segments(content)
    printed = sorted(math.dist(a, b) for (a, b) in segments)
    assert len(segments) == 4, "%s: %d lines drawn, not the four of its frame: %s" % (what, len(segments), printed)
    expected = sorted(length / scale * 1000 for length in ground_sides)
    worst = max(abs(p - e) for p, e in zip(printed, expected))
    assert worst <= TOLERANCE_MM, "%s: printed %s mm, true %s mm" % (what, printed, expected)
    print("%s: sides %s mm, true %s mm, largest difference %.4f mm" % (
        what, ["%.2f" % p for p in printed], ["%.2f" % e for e in expected], worst))


def export(project_path, pdf):
    project = QgsProject.instance()
    project.clear()
    assert project.read(project_path), project_path + " does not load"
    layouts = project.layoutManager().layouts()
    assert len(layouts) == 1, [l.name() for l in layouts]
    layout = layouts[0]
    settings = QgsLayoutExporter.PdfExportSettings()
    if layout.atlas().enabled():
        result, error = QgsLayoutExporter.exportToPdf(layout.atlas(), pdf, settings)
    else:
        result, error = QgsLayoutExporter(layout).exportToPdf(pdf, settings), ""
    assert result == QgsLayoutExporter.Success, (result, error)
    return layout


def main(cli):
    app = QgsApplication([], False)
    app.initQgis()
    with tempfile.TemporaryDirectory() as tmp:
        no_grid = ["--set", "rgGrid=0"]
        # One 1:10 000 sheet: its own page.
        one = os.path.join(tmp, "one.gpkg")
        run([cli, "sheet", "E45G095066", "-o", one] + no_grid)
        sides = keep_inner_frames(one)
        layout = export(one + ".qgs", os.path.join(tmp, "one.pdf"))
        assert not layout.atlas().enabled()
        (content,) = pages(os.path.join(tmp, "one.pdf"))
        check_page(content, sides["E45G095066"], 10000, "1:10 000 page")

        # A 1:10 000 and a 1:50 000 sheet in one output: an atlas at each frame's scale.
        both = os.path.join(tmp, "both.gpkg")
        run([cli, "sheet", "E45G095066", "-o", both] + no_grid)
        run([cli, "sheet", "E45E024017", "-o", both, "--append"] + no_grid)
        sides = keep_inner_frames(both)
        export(both + ".qgs", os.path.join(tmp, "both.pdf"))
        printed = pages(os.path.join(tmp, "both.pdf"))
        assert len(printed) == 2, len(printed)
        check_page(printed[0], sides["E45G095066"], 10000, "atlas page 1, 1:10 000")
        check_page(printed[1], sides["E45E024017"], 50000, "atlas page 2, 1:50 000")

        # Two sheets of the shared layout.
        index = os.path.join(tmp, "sheets.shp")
        run([cli, "make-index", "--scale", "10000", "--bbox", "88", "16", "88.1", "16.04", "-o", index])
        shared = os.path.join(tmp, "shared.gpkg")
        run([cli, "index", index, "--name-template", "[TFH]", "-o", shared, "--layout", "shared"] + no_grid)
        sides = keep_inner_frames(shared, "FrameName")
        assert len(sides) == 2, sides.keys()
        layout = export(shared + ".qgs", os.path.join(tmp, "shared.pdf"))
        names = []
        atlas = layout.atlas()
        atlas.beginRender()
        for i in range(atlas.count()):
            atlas.seekTo(i)
            names.append(atlas.nameForPage(i))
        atlas.endRender()
        printed = pages(os.path.join(tmp, "shared.pdf"))
        assert len(printed) == len(names) == 2, (names, len(printed))
        for name, content in zip(names, printed):
            check_page(content, sides[name], 10000, "shared layout page " + name)
    app.exitQgis()


if __name__ == "__main__":
    main(sys.argv[1])
