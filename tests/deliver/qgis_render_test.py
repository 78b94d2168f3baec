#!/usr/bin/env python3
"""QGIS draws a frame's texts where the preview puts them.

A frame is written to a GeoPackage, its lines and polygons are emptied so that
only texts are drawn, and the frame is drawn twice at 200 dpi over the same
page: by `tarvik-cli preview` and by QGIS from the project written beside the
output. Each text's ink must lie within 0.2 mm of the preview's, give or take
a pixel for the two programs' different glyph rasterising; in multi-line notes each further line may add two
pixels, since QGIS steps lines by the font's ascent and descent each rounded
up to whole pixels of the device it draws on.

The faces are those of a Chinese Windows: AR PL UMing is given to QGIS under
the name 宋体, as the preview draws 宋体.

Usage: qgis_render_test.py TARVIK_CLI. Exits 77 (skipped) without PyQGIS,
numpy, scipy or fontTools."""
import os
import sqlite3
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from scipy import ndimage
    from stand_in_face import renamed_face
    from qgis.core import (QgsApplication, QgsMapRendererSequentialJob, QgsMapSettings, QgsProject,
                           QgsRectangle)
    from qgis.PyQt.QtCore import QSize
    from qgis.PyQt.QtGui import QColor, QFontDatabase, QImage
except ImportError as e:
    print("PyQGIS test skipped:", e, "(Debian: python3-qgis, python3-scipy, python3-fonttools)")
    sys.exit(77)

UMING = "/usr/share/fonts/truetype/arphic/uming.ttc"
DPI = 200
MM = DPI / 25.4  # pixels per mm


def grey(image):
    image = image.convertToFormat(QImage.Format_Grayscale8)
    ptr = image.constBits()
    ptr.setsize(image.bytesPerLine() * image.height())
    rows = np.frombuffer(ptr, np.uint8).reshape(image.height(), image.bytesPerLine())
    return rows[:, :image.width()].copy()


def main(cli):
    if not os.path.exists(UMING):
        print("AR PL UMing is not installed; skipped")
        sys.exit(77)
    app = QgsApplication([], False)
    app.initQgis()
    with tempfile.TemporaryDirectory() as tmp:
        songti = renamed_face(UMING, "宋体", "SimSun", os.path.join(tmp, "songti.ttf"), "AR PL UMing CN")
        QFontDatabase.addApplicationFont(songti)
        store = os.path.join(tmp, "t.gpkg")
        # Every kind of marginal text, the multi-line notes among them.
        texts = ["edtmian=某某县土地利用现状图", "edtru=秘密", "edtmapTitle=某某县土地利用现状图",
                 "edtleft=某某县测绘院", "morb=某某县测绘院<Br>YYYY年MM月DD日"]
        run = subprocess.run([cli, "sheet", "E45G095066", "-o", store] + [a for t in texts for a in ("--set", t)],
                             capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
        with sqlite3.connect(store) as db:
            db.execute("DELETE FROM L_E45G095066")
            db.execute("DELETE FROM p_E45G095066")
        picture = os.path.join(tmp, "t.png")
        run = subprocess.run([cli, "preview", store, "-o", picture, "--dpi", str(DPI)], capture_output=True, text=True)
        assert run.returncode == 0, run.stderr

        preview = QImage(picture)
        east, north = map(float, preview.text("Tarvik-Origin").split())
        scale = float(preview.text("Tarvik-Scale"))
        metres_per_px = scale / 1000 / MM
        project = QgsProject.instance()
        assert project.read(os.path.join(tmp, "t.gpkg.qgs")), "the project does not load"
        layers = project.layerTreeRoot().checkedLayers()
        assert [layer.name() for layer in layers] == ["a_E45G095066", "L_E45G095066", "p_E45G095066"], layers
        settings = QgsMapSettings()
        settings.setLayers(layers)
        settings.setDestinationCrs(project.crs())
        settings.setOutputSize(QSize(preview.width(), preview.height()))
        settings.setOutputDpi(DPI)
        settings.setExtent(QgsRectangle(east, north - preview.height() * metres_per_px,
                                        east + preview.width() * metres_per_px, north))
        settings.setBackgroundColor(QColor("white"))
        job = QgsMapRendererSequentialJob(settings)
        job.start()
        job.waitForFinished()
        drawn = job.renderedImage()

        ours, theirs = grey(preview) < 128, grey(drawn) < 128
        # Lines per text, at its anchor's pixel.
        anchors = []
        for feature in layers[0].getFeatures():
            point = feature.geometry().asPoint()
            lines = str(feature["TextString"]).replace("\r\n", "\n").count("\n") + 1
            anchors.append(((point.x() - east) / metres_per_px, (north - point.y()) / metres_per_px,
                            2 / MM * (lines - 1), lines))
        # A text's lines and characters form one cluster (1.5 mm up and down,
        # 1 mm sideways); close texts may share one, which still compares.
        reach = (int(3 * MM) | 1, int(2 * MM) | 1)
        clusters, count = ndimage.label(ndimage.maximum_filter((ours | theirs).view(np.uint8), size=reach))
        worst = []
        for index, box in enumerate(ndimage.find_objects(clusters), 1):
            inside = clusters[box] == index
            a, b = ours[box] & inside, theirs[box] & inside
            where = "cluster %.1f..%.1f, %.1f..%.1f mm" % (box[1].start / MM, box[1].stop / MM, box[0].start / MM,
                                                           box[0].stop / MM)
            assert a.any() and b.any(), "a text drawn by only one of them: " + where
            ya, xa = np.nonzero(a)
            yb, xb = np.nonzero(b)
            off = max(abs(xa.min() - xb.min()), abs(xa.max() - xb.max()),
                      abs(ya.min() - yb.min()), abs(ya.max() - yb.max())) / MM
            near = [(slack, n) for x, y, slack, n in anchors
                    if box[1].start - MM <= x <= box[1].stop + MM and box[0].start - MM <= y <= box[0].stop + MM]
            slack, lines = max(near, default=(0, 1))
            worst.append((off - (0.2 + 1 / MM + slack), off, lines, where))
        worst.sort(reverse=True)
        assert count >= 40, count
        assert worst[0][0] <= 0, "texts off by %.3f mm (%d lines, %s)" % worst[0][1:]
        print("%d texts, largest offset %.3f mm" % (count, max(w[1] for w in worst)))
    app.exitQgis()


if __name__ == "__main__":
    main(sys.argv[1])
