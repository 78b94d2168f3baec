#!/usr/bin/env python3
"""A frame drawn to DXF, read back as a CAD program would: ezdxf loads it
strictly and its audit finds nothing to repair; units, layers, lineweights and
the texts (height, alignment, Chinese) are what the frame says; nothing in it
needs more than every CAD reader knows (no formatting codes in texts, a
predefined hatch pattern, a mask white in every reader, faces by family).

Usage: dxf_ezdxf_test.py TARVIK_CLI. Exits 77 (skipped) without ezdxf."""
import os
import re
import subprocess
import sys
import tempfile

try:
    import ezdxf
    from ezdxf import recover
except ImportError:
    print("ezdxf is not installed (Debian: python3-ezdxf); skipped")
    sys.exit(77)

MM_PER_POINT = 25.4 / 72
SONG_CAP_HEIGHT = 694 / 1024  # "X" of AR PL UMing, the preview's SimSun


def plain(text):
    """A text's characters, \\U+XXXX escapes decoded."""
    return re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


def main(cli):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "e.dxf")
        run = subprocess.run([cli, "sheet", "E45G095066", "-o", path], capture_output=True, text=True)
        assert run.returncode == 0, run.stderr

        ezdxf.readfile(path)  # strict loading raises on a malformed file
        doc, auditor = recover.readfile(path)
        assert not auditor.has_errors, [str(e) for e in auditor.errors]
        assert not auditor.fixes, [str(f) for f in auditor.fixes]
        assert doc.dxfversion == "AC1015", doc.dxfversion
        assert doc.header["$INSUNITS"] == 6, "drawing units must be metres"

        layers = {layer.dxf.name: layer for layer in doc.layers}
        for name in layers:
            assert name.isascii(), name
        assert layers["E45G095066_OUTER"].dxf.lineweight == 100
        assert layers["E45G095066_FRAME"].dxf.lineweight == 9

        msp = doc.modelspace()
        texts = {plain(m.plain_text()): m for m in msp.query("MTEXT")}
        scale = texts["比例尺1:10000"]  # 15 pt, centred under its anchor; its capitals' height
        assert abs(scale.dxf.char_height - 15 * MM_PER_POINT * 10 * SONG_CAP_HEIGHT) < 1e-6, scale.dxf.char_height
        # Formatting codes some readers print as text: only line breaks and
        # character escapes remain; spaced labels are a TEXT per character.
        for t in list(msp.query("MTEXT")) + list(msp.query("TEXT")):
            raw = (t.text if t.dxftype() == "MTEXT" else t.dxf.text).replace("\\\\", "")
            assert not re.search(r"\\(?![PU{}])", raw), raw
        letters = msp.query("TEXT")
        assert len(letters) >= 4 * 6 and all(len(plain(t.dxf.text)) == 1 for t in letters), len(letters)
        style = doc.styles.get("Unicode")  # LibreCAD's font with Chinese characters
        assert style.dxf.font == "simsun.ttc" and style.get_extended_font_data()[0] == "SimSun"
        assert {t.dxf.style for t in msp.query("TEXT MTEXT")} == {"Unicode"}
        assert scale.dxf.attachment_point == 2, scale.dxf.attachment_point
        notes = [t for t in texts if "\n" in t]
        assert notes, "multi-line notes keep their line breaks"
        hatch = msp.query("HATCH")
        assert len(hatch) == 1
        # ANSI31 of the pattern file, its lines 1 mm apart on paper.
        assert (hatch[0].dxf.pattern_name, hatch[0].dxf.pattern_type) == ("ANSI31", 1)
        assert abs(hatch[0].dxf.pattern_scale * 3.175 - 10) < 1e-6, hatch[0].dxf.pattern_scale
        outer = msp.query('LWPOLYLINE[layer=="E45G095066_OUTER"]')
        assert len(outer) == 4, len(outer)

        # Several frames: every mask ring lies beneath every frame's lines
        # and texts, in the file's order and in the handles' (the order CAD
        # programs draw in).
        index = os.path.join(tmp, "idx.shp")
        made = subprocess.run([cli, "make-index", "--scale", "10000", "--bbox", "116", "39", "116.1", "39.1",
                               "-o", index], capture_output=True, text=True)
        assert made.returncode == 0, made.stderr
        several = os.path.join(tmp, "several.dxf")
        run = subprocess.run([cli, "index", index, "-o", several, "--name-template", "[TFH]"],
                             capture_output=True, text=True)
        assert run.returncode == 0, run.stderr
        msp = ezdxf.readfile(several).modelspace()
        is_mask = [e.dxf.layer.endswith("_MASK") for e in msp]
        masks = sum(is_mask)
        assert masks >= 4 * 3, masks  # a ring and its two outlines per frame
        assert all(is_mask[:masks]) and not any(is_mask[masks:]), "a mask drawn after another frame's entities"
        handles = [int(e.dxf.handle, 16) for e in msp]
        assert max(handles[:masks]) < min(handles[masks:])
        # White that no reader turns black on paper, for true colour and index readers.
        fills = [e for e in msp if e.dxftype() == "HATCH" and e.dxf.layer.endswith("_MASK")]
        assert fills and all((f.dxf.true_color, f.dxf.color) == (0xFEFEFE, 255) for f in fills)

    print("DXF read back by ezdxf", ezdxf.__version__, ": OK")


if __name__ == "__main__":
    main(sys.argv[1])
