#!/usr/bin/env python3
"""QGIS opens the project beside a shared-layout output as it opens the one
beside the per-frame output of the same run.

One index run of four sheets is written in both layouts, into a GeoPackage
and a File Geodatabase. Loaded by QGIS, every layer of both projects is valid,
each frame's group shows exactly the features of that frame (its lines,
polygons and texts counted as in the per-frame project), and the group
全部图廓 holds the shared classes whole.

Usage: qgis_shared_project_test.py TARVIK_CLI. Exits 77 (skipped) without
PyQGIS."""
import os
import subprocess
import sys
import tempfile

try:
    from qgis.core import QgsApplication, QgsProject
except ImportError as e:
    print("PyQGIS test skipped:", e, "(Debian: python3-qgis)")
    sys.exit(77)


def run(args):
    done = subprocess.run(args, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr


def groups(path):
    """{group name: [features of each layer, top first]} of the project."""
    project = QgsProject.instance()
    project.clear()
    assert project.read(path), "%s does not load" % path
    out = {}
    for group in project.layerTreeRoot().findGroups(True):
        layers = [node.layer() for node in group.findLayers() if node.parent() is group]
        if not layers:
            continue
        for layer in layers:
            assert layer is not None and layer.isValid(), "%s: a layer of %s is not valid" % (path, group.name())
        # Counted as drawn: QGIS 3.22 tells the whole class's count for a
        # filtered class of a GeoPackage without gpkg_ogr_contents.
        out[group.name()] = [sum(1 for _ in layer.getFeatures()) for layer in layers]
    return out


def main(cli):
    app = QgsApplication([], False)
    app.initQgis()
    with tempfile.TemporaryDirectory() as tmp:
        index = os.path.join(tmp, "sheets.shp")
        run([cli, "make-index", "--scale", "10000", "--bbox", "88", "16", "88.125", "16.0833", "-o", index])
        for ext in (".gpkg", ".gdb"):
            own, shared = os.path.join(tmp, "own" + ext), os.path.join(tmp, "shared" + ext)
            base = [cli, "index", index, "--name-template", "[TFH]", "--set", "edtField=TFH"]
            run(base + ["-o", own])
            run(base + ["-o", shared, "--layout", "shared"])
            expected = groups(own + ".qgs")
            found = groups(shared + ".qgs")
            whole = found.pop("全部图廓", None)
            assert len(expected) == 4 and all(min(c) > 0 for c in expected.values()), expected
            assert found == expected, "%s: %s != %s" % (ext, found, expected)
            assert whole == [sum(c[i] for c in expected.values()) for i in range(3)], "%s: %s" % (ext, whole)
            print(ext, "frames:", expected)
    app.exitQgis()


if __name__ == "__main__":
    main(sys.argv[1])
