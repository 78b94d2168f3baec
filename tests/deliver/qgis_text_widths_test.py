#!/usr/bin/env python3
"""QGIS draws each text of a frame as wide as the preview does.

Two machines are played in turn:
  - one without the Windows faces the texts name (宋体, 黑体, 楷体): the
    project must name the installed stand-ins the preview draws them with;
  - one where 宋体 is installed (here WenQuanYi Zen Hei under that name, a
    face whose widths differ from the serif stand-in's): both programs must
    draw the real face, not the stand-in.

A 1:10 000 and a 1:50 000 frame are written to GeoPackages with their lines
and polygons emptied. Texts are drawn in passes of texts at least 3 mm
apart, by `tarvik-cli preview` and by QGIS from the project written beside
the output, at 400 dpi over the same page; each text's ink is measured
along its own direction, and QGIS's width must be within 5 % of the
preview's.

Usage: qgis_text_widths_test.py TARVIK_CLI [--report]. With --report it
prints every ratio; with TARVIK_DUMP=DIR in the environment it saves both
pictures of each text off by more than 5 % there. Exits 77 (skipped)
without PyQGIS, numpy or fontTools, or without the stand-in faces."""
import math
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from stand_in_face import renamed_face
    from qgis.core import (QgsApplication, QgsMapRendererSequentialJob, QgsMapSettings, QgsProject,
                           QgsRectangle)
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor, QFontDatabase, QImage
except ImportError as e:
    print("PyQGIS test skipped:", e, "(Debian: python3-qgis, python3-numpy, python3-fonttools)")
    sys.exit(77)

UMING = "/usr/share/fonts/truetype/arphic/uming.ttc"
ZENHEI = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
DPI = 400
MM = DPI / 25.4  # pixels per mm
APART_MM = 3.0   # texts of one pass lie at least this far apart
TOLERANCE = 1.05
INK = 224        # grey levels below this are ink: faint serifs count on both sides

# The frames measured, with texts in the other Windows faces besides 宋体.
FRAMES = [
    ("E45G095066", ["edtmian=某某县土地利用现状图", "edtru=秘密", "edtmapTitle=某某县土地利用现状图",
                    "edtleft=某某县测绘院", "morb=某某县测绘院<Br>YYYY年MM月DD日",
                    "btnleft=楷体,11", "btntlitle2=黑体,28", "btnrightdown=仿宋,12"]),
    ("J50E001001", ["edtmian=某某县", "btnjionMap=黑体,8"]),
]


def grey(image):
    image = image.convertToFormat(QImage.Format_Grayscale8)
    ptr = image.constBits()
    ptr.setsize(image.bytesPerLine() * image.height())
    rows = np.frombuffer(ptr, np.uint8).reshape(image.height(), image.bytesPerLine())
    return rows[:, :image.width()].copy()


def run(args, env=None):
    done = subprocess.run(args, capture_output=True, text=True, env=env)
    assert done.returncode == 0, " ".join(args) + ": " + done.stderr
    return done


class Page:
    """Where the preview's picture lies on the ground."""

    def __init__(self, image):
        self.east, self.north = map(float, image.text("Tarvik-Origin").split())
        self.metres_per_px = float(image.text("Tarvik-Scale")) / 1000 / MM
        self.width, self.height = image.width(), image.height()

    def box(self, ground):
        """Pixels (x0, y0, x1, y1) of a ground box (east, north min, then max)."""
        x0 = (ground[0] - self.east) / self.metres_per_px
        y0 = (self.north - ground[3]) / self.metres_per_px
        x1 = (ground[2] - self.east) / self.metres_per_px
        y1 = (self.north - ground[1]) / self.metres_per_px
        return (max(0, int(x0)), max(0, int(y0)), min(self.width, int(math.ceil(x1))),
                min(self.height, int(math.ceil(y1))))


def render(layer, page):
    settings = QgsMapSettings()
    settings.setLayers([layer])
    settings.setDestinationCrs(QgsProject.instance().crs())
    settings.setOutputSize(QSize(page.width, page.height))
    settings.setOutputDpi(DPI)
    settings.setExtent(QgsRectangle(page.east, page.north - page.height * page.metres_per_px,
                                    page.east + page.width * page.metres_per_px, page.north))
    settings.setBackgroundColor(QColor("white"))
    job = QgsMapRendererSequentialJob(settings)
    job.start()
    job.waitForFinished()
    return job.renderedImage(), job.takeLabelingResults()


def extent_along(dark, box, angle):
    """Length of the ink inside `box` (x0, y0, x1, y1 pixels) along a text
    turned `angle` degrees anticlockwise; None without ink."""
    x0, y0, x1, y1 = box
    ys, xs = np.nonzero(dark[y0:y1, x0:x1])
    if xs.size == 0:
        return None
    a = math.radians(angle)
    along = xs * math.cos(a) - ys * math.sin(a)
    return (along.max() - along.min() + 1) / MM


def measure(cli, sheet, sets, work, env):
    """(ratio, text, face, character spacing) for every text of the frame, QGIS's width over the preview's."""
    store = os.path.join(work, sheet + ".gpkg")
    run([cli, "sheet", sheet, "-o", store] + [a for s in sets for a in ("--set", s)], env)
    with sqlite3.connect(store) as db:
        db.execute("DELETE FROM L_" + sheet)
        db.execute("DELETE FROM p_" + sheet)
        key = next(row[1] for row in db.execute("PRAGMA table_info(a_%s)" % sheet) if row[5])
    project = QgsProject.instance()
    project.clear()
    assert project.read(store + ".qgs"), "the project does not load"
    layer = project.layerTreeRoot().checkedLayers()[0]
    assert layer.name() == "a_" + sheet, layer.name()
    texts = {f.id(): (str(f["TextString"]), str(f["FontName"]), float(f["Angle"] or 0), float(f["CharacterSpacing"] or 0))
             for f in layer.getFeatures()}

    picture = os.path.join(work, sheet + ".png")
    run([cli, "preview", store, "-o", picture, "--dpi", str(DPI)], env)
    page = Page(QImage(picture))
    _, labels = render(layer, page)
    # Each text's region on the ground: QGIS's label box grown by half the
    # distance kept between texts.
    grow = APART_MM / 2 * page.metres_per_px * MM
    regions = {}
    for label in labels.allLabels():
        if label.layerID != layer.id() or label.isUnplaced:
            continue
        r = label.labelRect
        regions[label.featureId] = (r.xMinimum() - grow, r.yMinimum() - grow, r.xMaximum() + grow, r.yMaximum() + grow)
    assert len(regions) == len(texts), "QGIS placed %d of %d texts" % (len(regions), len(texts))

    def overlap(a, b):
        return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]

    passes = []
    for fid, box in sorted(regions.items()):
        for group in passes:
            if not any(overlap(box, regions[other]) for other in group):
                group.append(fid)
                break
        else:
            passes.append([fid])

    results = []
    for number, group in enumerate(passes):
        copy = os.path.join(work, "%s_%d.gpkg" % (sheet, number))
        shutil.copy(store, copy)
        with sqlite3.connect(copy) as db:
            db.execute('DELETE FROM a_%s WHERE "%s" NOT IN (%s)' % (sheet, key, ",".join(map(str, group))))
        picture = os.path.join(work, "%s_%d.png" % (sheet, number))
        run([cli, "preview", copy, "-o", picture, "--dpi", str(DPI)], env)
        image = QImage(picture)
        here = Page(image)
        assert layer.setSubsetString('"%s" IN (%s)' % (key, ",".join(map(str, group))))
        drawn, _ = render(layer, here)
        ours, theirs = grey(image) < INK, grey(drawn) < INK
        for fid in group:
            text, face, angle, spacing = texts[fid]
            box = here.box(regions[fid])
            a = extent_along(ours, box, angle)
            b = extent_along(theirs, box, angle)
            if a is None and b is None:
                continue
            assert a is not None and b is not None, "%r (%s) drawn by only one of them" % (text, face)
            results.append((b / a, text, face, spacing))
            if os.environ.get("TARVIK_DUMP") and abs(b / a - 1) > 0.05:
                x0, y0, x1, y1 = box
                dump = os.path.join(os.environ["TARVIK_DUMP"], "%s_%d_%d" % (sheet, fid, int(100 * b / a)))
                image.copy(x0, y0, x1 - x0, y1 - y0).save(dump + "_p.png")
                drawn.copy(x0, y0, x1 - x0, y1 - y0).save(dump + "_q.png")
        layer.setSubsetString("")
    return results


def check(case, results, report):
    ratios = [r[0] for r in results]
    print("%s: %d texts, QGIS/preview width %.3f..%.3f" % (case, len(results), min(ratios), max(ratios)))
    if report:
        for r, text, face, _ in sorted(results):
            print("  %.3f %s %r" % (r, face, text))
    bad = [(r, t, f) for r, t, f, _ in results if not 1 / TOLERANCE <= r <= TOLERANCE]
    return ["%s: %r in %s drawn %.3f times the preview's width" % (case, t, f, r) for r, t, f in bad]


def main(cli, report):
    for path in (UMING, ZENHEI):
        if not os.path.exists(path):
            print(path, "is not installed; skipped")
            sys.exit(77)
    app = QgsApplication([], False)
    app.initQgis()
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        # No Windows face installed: the stand-ins draw.
        for sheet, sets in FRAMES:
            work = os.path.join(tmp, "bare")
            os.makedirs(work, exist_ok=True)
            failures += check("without 宋体, " + sheet, measure(cli, sheet, sets, work, None), report)

        # 宋体 installed: both draw it.
        fonts = os.path.join(tmp, "fonts")
        os.makedirs(fonts)
        face = renamed_face(ZENHEI, "宋体", "SimSunStandIn", os.path.join(fonts, "songti.ttf"))
        conf = os.path.join(tmp, "fonts.conf")
        with open(conf, "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>'
                    '<include ignore_missing="yes">/etc/fonts/fonts.conf</include>'
                    '<dir>%s</dir><cachedir>%s</cachedir></fontconfig>\n' % (fonts, os.path.join(tmp, "cache")))
        env = dict(os.environ, FONTCONFIG_FILE=conf)
        assert QFontDatabase.addApplicationFont(face) >= 0, "the renamed face does not load"
        work = os.path.join(tmp, "songti")
        os.makedirs(work)
        sheet, sets = FRAMES[0]
        # Spaced texts are left out: the styles space characters by half the
        # em, the average character width of 宋体 and of the stand-ins, which
        # this stand-in for 宋体 does not have.
        results = [r for r in measure(cli, sheet, sets, work, env) if r[3] == 0]
        failures += check("with 宋体, " + sheet, results, report)
    app.exitQgis()
    assert not failures, "\n".join(failures)


if __name__ == "__main__":
    main(sys.argv[1], "--report" in sys.argv[2:])
