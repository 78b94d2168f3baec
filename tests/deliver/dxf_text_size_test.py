#!/usr/bin/env python3
"""ezdxf draws a frame's DXF texts at the preview's size.

A frame is drawn twice at 400 dpi over the same page, texts only: by
`tarvik-cli preview` from a GeoPackage and by ezdxf's matplotlib drawing from
the DXF of the same frame, both with AR PL UMing as SimSun (the face the
preview draws 宋体 with, given to ezdxf under the Windows name the drawing's
styles give). Each cluster of ink (a text, or texts close together) must have
the preview's height and width within 5 % in at least three of four clusters,
and every cluster its height within 6 % or a pixel and a half (lines of a
text and texts set one above the other as far apart as in the preview); the rest are texts that lie
a little apart and so fall into different clusters.

Usage: dxf_text_size_test.py TARVIK_CLI. Exits 77 (skipped) without ezdxf,
matplotlib, numpy, scipy, fontTools or AR PL UMing."""
import os
import sqlite3
import subprocess
import sys
import tempfile

try:
    import numpy as np
    from scipy import ndimage
    from PIL import Image
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from matplotlib import font_manager
    from stand_in_face import renamed_face
    import ezdxf
    from ezdxf.addons.drawing import Frontend, RenderContext
    from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
    from ezdxf.tools import fonts, _matplotlib_font_support as font_support
except ImportError as e:
    print("skipped:", e, "(Debian: python3-ezdxf, python3-matplotlib, python3-scipy, python3-fonttools)")
    sys.exit(77)

UMING = "/usr/share/fonts/truetype/arphic/uming.ttc"
DPI = 400
Image.MAX_IMAGE_PIXELS = None  # a whole frame at 400 dpi
MM = DPI / 25.4  # pixels per mm
SHEET = "E45G095066"


def size_ratios(cli, tmp):
    """(height, width) of ezdxf's ink over the preview's, and the preview's
    height in pixels, per cluster."""
    store, drawing = os.path.join(tmp, "t.gpkg"), os.path.join(tmp, "t.dxf")
    for out in (store, drawing):
        run = subprocess.run([cli, "sheet", SHEET, "-o", out, "--no-project"], capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
    with sqlite3.connect(store) as db:
        db.execute("DELETE FROM L_" + SHEET)
        db.execute("DELETE FROM p_" + SHEET)
    picture = os.path.join(tmp, "p.png")
    run = subprocess.run([cli, "preview", store, "-o", picture, "--dpi", str(DPI)], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    preview = Image.open(picture)
    east, north = map(float, preview.info["Tarvik-Origin"].split())
    metres_per_px = float(preview.info["Tarvik-Scale"]) / 1000 / MM
    ours = np.asarray(preview.convert("L")) < 128
    height, width = ours.shape

    # A reader with SimSun installed, found by family and by font file.
    face = renamed_face(UMING, "SimSun", "SimSun", os.path.join(tmp, "simsun.ttf"), "AR PL UMing CN")
    font_manager.fontManager.addfont(face)
    font_support._get_font_manager().addfont(face)
    fonts.font_face_cache["simsun.ttc"] = fonts.FontFace(ttf="simsun.ttf", family="SimSun")
    fonts.font_measurement_cache["simsun.ttc"] = font_support.get_font_measurements(fonts.font_face_cache["simsun.ttc"])
    doc = ezdxf.readfile(drawing)
    msp = doc.modelspace()
    for e in list(msp):
        if e.dxftype() not in ("TEXT", "MTEXT"):
            msp.delete_entity(e)
    figure = plt.figure()
    axes = figure.add_axes([0, 0, 1, 1])
    context = RenderContext(doc)
    context.set_current_layout(msp)
    context.current_layout_properties.set_colors("#ffffff")  # black texts on paper
    Frontend(context, MatplotlibBackend(axes)).draw_layout(msp, finalize=True,
                                                           layout_properties=context.current_layout_properties)
    figure.set_size_inches(width / DPI, height / DPI)
    axes.set_position([0, 0, 1, 1])
    axes.set_axis_off()
    axes.set_xlim(east, east + width * metres_per_px)
    axes.set_ylim(north - height * metres_per_px, north)
    drawn = os.path.join(tmp, "e.png")
    figure.savefig(drawn, dpi=DPI, facecolor="white")
    plt.close(figure)
    theirs = np.asarray(Image.open(drawn).convert("L"))[:height, :width] < 128

    # A text's characters form one cluster (0.3 mm up and down, 0.6 mm sideways).
    reach = (int(0.6 * MM) | 1, int(1.2 * MM) | 1)
    clusters, _ = ndimage.label(ndimage.maximum_filter((ours | theirs).view(np.uint8), size=reach))
    out = []
    for index, box in enumerate(ndimage.find_objects(clusters), 1):
        inside = clusters[box] == index
        a, b = ours[box] & inside, theirs[box] & inside
        if not a.any() or not b.any():
            out.append((float("inf"), float("inf"), 0))
            continue
        ya, xa = np.nonzero(a)
        yb, xb = np.nonzero(b)
        out.append(((np.ptp(yb) + 1) / (np.ptp(ya) + 1), (np.ptp(xb) + 1) / (np.ptp(xa) + 1), np.ptp(ya) + 1))
    return out


def main(cli):
    if not os.path.exists(UMING):
        print("AR PL UMing is not installed; skipped")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as tmp:
        ratios = size_ratios(cli, tmp)
    assert len(ratios) >= 40, len(ratios)
    good = [r for r in ratios if abs(r[0] - 1) <= 0.05 and abs(r[1] - 1) <= 0.05]
    print("%d of %d clusters within 5 %%; heights %s" % (len(good), len(ratios), sorted(round(r[0], 2) for r in ratios)))
    assert 4 * len(good) >= 3 * len(ratios), "texts not drawn at the preview's size"
    # Texts of several lines, and texts set one above the other (the
    # adjacent-sheet table's cells), stand as far apart as in the preview.
    # (A pixel either way on a mark as small as "。" is not a fault.)
    tall = [round(r[0], 2) for r in ratios
            if r[0] != float("inf") and abs(r[0] - 1) > 0.06 and abs(r[0] - 1) * r[2] > 1.5]
    assert not tall, "clusters of another height than the preview's: %s" % tall


if __name__ == "__main__":
    main(sys.argv[1])
