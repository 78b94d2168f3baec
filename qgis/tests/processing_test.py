#!/usr/bin/env python3
"""The QGIS plugin end to end, headless.

Every algorithm runs through qgis_process on small inputs; what it writes is
read back with GDAL (layers, features, the frame's coordinate system) and its
results compared with what tarvik-cli decided. Refused runs must fail with
Tarvik's own message. Then, in this process, a run is cancelled through
Processing's feedback (tarvik-cli must stop and keep the frames it finished)
and written outputs are loaded into a project as the QGIS window does.

Exit status 0: all passed, 1: a failure, 77: qgis_process is not installed.
"""

import argparse
import glob
import json
import os
import re
import subprocess
import sys
import tempfile

failures = []
sys.dont_write_bytecode = True  # the plugin runs from the source tree: no __pycache__ there


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return condition


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qgis-process", default="")
    parser.add_argument("--cli", required=True)
    parser.add_argument("--plugins", required=True)  # the folder holding tarvik/
    args = parser.parse_args()
    if not args.qgis_process or not os.access(args.qgis_process, os.X_OK):
        print("SKIP: qgis_process is not installed (Debian package qgis); the QGIS plugin is not tested")
        return 77

    with tempfile.TemporaryDirectory(prefix="tarvik_qgis_test_") as top:
        env = dict(os.environ)
        for name in ("home", "run", "tmp", "out"):
            os.makedirs(os.path.join(top, name), mode=0o700)
        env.update(
            HOME=os.path.join(top, "home"),  # a profile of its own: the plugin enabled there only
            XDG_RUNTIME_DIR=os.path.join(top, "run"),
            TMPDIR=os.path.join(top, "tmp"),  # where Processing's temp folder, and the plugin's copies, go
            QT_QPA_PLATFORM="offscreen",
            QGIS_PLUGINPATH=args.plugins,
            TARVIK_CLI=args.cli,
            PYTHONDONTWRITEBYTECODE="1",
        )
        os.environ.update(env)
        out = os.path.join(top, "out")
        qp = Qgis(args.qgis_process, env)
        make_inputs(args.cli, out, env)
        plugin_loads(qp)
        for case in cases(out):
            run_case(qp, case)
        finding_the_program(qp, args.plugins, args.cli, top)
        check(not glob.glob(os.path.join(top, "tmp", "**", "tarvik_*"), recursive=True),
              "the temporary shapefiles of the plugin are removed after the runs")
        in_process(args.plugins, out)

    if failures:
        print(f"{len(failures)} failure(s)")
        return 1
    print("all passed")
    return 0


class Qgis:
    def __init__(self, program, env):
        self.program = program
        self.env = env

    def __call__(self, *arguments, env=None):
        r = subprocess.run(
            [self.program] + list(arguments),
            env=env or self.env,
            capture_output=True,
            stdin=subprocess.DEVNULL,
            timeout=600,
        )
        return r.returncode, r.stdout.decode("utf-8", "replace"), r.stderr.decode("utf-8", "replace")


def qgis_noise(line):
    """Lines every qgis_process 3.22 run prints, whatever the plugins."""
    return not line.strip() or "setapi() is deprecated" in line or line.startswith("QStandardPaths:")


def make_inputs(cli, out, env):
    """A 1:50 000 sheet index of six sheets as a shapefile, and as a
    GeoPackage whose naming field is too long for a shapefile."""
    from osgeo import gdal

    r = subprocess.run(
        [cli, "make-index", "--scale", "50000", "--bbox", "116", "39", "116.5", "39.4", "-o",
         os.path.join(out, "six.shp")],
        env=env, capture_output=True,
    )
    assert r.returncode == 0, r.stderr
    gdal.VectorTranslate(
        os.path.join(out, "six.gpkg"), os.path.join(out, "six.shp"), format="GPKG", layerName="sheets",
        SQLStatement="SELECT TFH AS SHEET_NUMBER_LONG, TFH FROM six",
    )
    r = subprocess.run(
        [cli, "make-index", "--scale", "10000", "--bbox", "88", "16", "88.625", "16.625", "-o",
         os.path.join(out, "many.shp")],
        env=env, capture_output=True,
    )
    assert r.returncode == 0, r.stderr


def plugin_loads(qp):
    rc, stdout, stderr = qp("plugins", "enable", "tarvik")
    check(rc == 0, f"qgis_process plugins enable tarvik: exit {rc}\n{stdout}{stderr}")
    rc, stdout, stderr = qp("plugins")
    check(rc == 0 and re.search(r"^\* tarvik$", stdout, re.M), f"qgis_process plugins lists tarvik loaded:\n{stdout}")
    noise = [line for line in stderr.splitlines() if not qgis_noise(line)]
    noise += [line for line in stdout.splitlines() if "Traceback" in line or "error starting plugin" in line]
    check(not noise, "the plugin loads without warnings: " + "\n".join(noise))
    rc, stdout, stderr = qp("list")
    for alg in ("sheet", "index", "area", "make-index", "sheet-info"):
        check(f"tarvik:{alg}\t" in stdout, f"qgis_process list has tarvik:{alg}")
    # The choices are the command line's, read from its help.
    rc, stdout, stderr = qp("help", "tarvik:sheet")
    for value in ("cgcs2000", "xian80", "beijing54", "wgs84", "per-frame", "shared", "50x50"):
        check(re.search(r"- \d+: " + value + "$", stdout, re.M), f"tarvik:sheet offers {value} as the help lists it")
    rc, stdout, stderr = qp("help", "tarvik:make-index")
    for value in ("1000000", "50000", "5000"):
        check(re.search(r"- \d+: " + value + "$", stdout, re.M), f"tarvik:make-index offers the scale {value}")


def finding_the_program(qp, plugins, cli, top):
    """Without TARVIK_CLI: the bin folder of the prefix the plugin is
    installed in, else PATH, else a refusal that says where it looked."""
    import shutil

    prefix = os.path.join(top, "prefix")
    installed = os.path.join(prefix, "share", "qgis", "python", "plugins")
    shutil.copytree(os.path.join(plugins, "tarvik"), os.path.join(installed, "tarvik"),
                    ignore=shutil.ignore_patterns("__pycache__"))
    os.makedirs(os.path.join(prefix, "bin"))
    os.symlink(os.path.abspath(cli), os.path.join(prefix, "bin", "tarvik-cli"))
    env = {k: v for k, v in qp.env.items() if k != "TARVIK_CLI"}
    env.update(QGIS_PLUGINPATH=installed, PATH="/usr/bin:/bin")
    print("case: tarvik-cli beside the installed plugin", flush=True)
    rc, stdout, stderr = qp("--json", "run", "tarvik:sheet-info", "--", "NUMBER=J50", env=env)
    check(rc == 0 and '"NEIGHBOUR_E": "J51"' in stdout, f"found in PREFIX/bin: exit {rc} {stdout[-500:]}{stderr[-500:]}")
    os.remove(os.path.join(prefix, "bin", "tarvik-cli"))
    print("case: no tarvik-cli anywhere", flush=True)
    rc, stdout, stderr = qp("run", "tarvik:sheet-info", "--", "NUMBER=J50", env=env)
    check(rc != 0 and "tarvik-cli was not found" in stdout + stderr and "Traceback" not in stdout + stderr,
          f"a clear error without the program: exit {rc} {stdout[-500:]}{stderr[-500:]}")
    env["TARVIK_CLI"] = os.path.join(top, "no-such-program")
    rc, stdout, stderr = qp("run", "tarvik:sheet-info", "--", "NUMBER=J50", env=env)
    check(rc != 0 and "TARVIK_CLI names" in stdout + stderr, f"a TARVIK_CLI that is no program is named: {stderr[-500:]}")


def read_back(path):
    """{layer name: (feature count, EPSG code or None)} as GDAL reads it."""
    from osgeo import ogr

    ds = ogr.Open(path)
    if ds is None:
        return {}
    layers = {}
    for i in range(ds.GetLayerCount()):
        layer = ds.GetLayer(i)
        srs = layer.GetSpatialRef()
        code = None
        if srs is not None:
            srs.AutoIdentifyEPSG()
            code = srs.GetAuthorityCode(None)
        layers[layer.GetName()] = (layer.GetFeatureCount(), code)
    return layers


def frame_layers(layers, name):
    return {k: v for k, v in layers.items() if k in ("L_" + name, "p_" + name, "a_" + name)}


def cases(out):
    """(what, algorithm, parameters, expected: a function of (rc, results,
    text) that checks the run and what it wrote)."""
    o = lambda name: os.path.join(out, name)  # noqa: E731

    def frames(path, names, epsg, project=True):
        def expect(rc, results, text):
            if not check(rc == 0, f"exit 0, got {rc}: {text[-2000:]}"):
                return
            layers = read_back(path)
            check(results.get("FRAMES") == len(names), f"FRAMES {len(names)}: {results}")
            check(f"EPSG:{epsg}" in (results.get("SYSTEM") or ""), f"SYSTEM EPSG:{epsg}: {results.get('SYSTEM')}")
            for name in names:
                own = frame_layers(layers, name)
                for kind in ("L_", "a_"):  # lines and texts; a frame may have no polygon
                    check(own.get(kind + name, (0, None))[0] > 0, f"{path}: {kind}{name} has features: {sorted(layers)}")
                for layer, (count, code) in own.items():
                    check(code == str(epsg), f"{path} {layer} is in EPSG:{epsg}, not {code}")
            check(os.path.isfile(results.get("PROJECT") or "") == project, f"project beside the output: {results}")
        return expect

    def refused(*parts):
        def expect(rc, results, text):
            check(rc != 0, f"a refused run fails, got exit {rc}")
            for part in parts:
                check(part in text, f"the message names {part!r}: {text[-2000:]}")
            check("Traceback" not in text, f"a refusal is no Python traceback: {text[-2000:]}")
        return expect

    def then(*expects):
        def expect(rc, results, text):
            for e in expects:
                e(rc, results, text)
        return expect

    def result(key, value):
        return lambda rc, results, text: check(results.get(key) == value, f"{key} = {value!r}: {results.get(key)!r}")

    def features(path, count):
        return lambda rc, results, text: check(
            sum(n for n, _ in read_back(path).values()) == count, f"{path} holds {count} features: {read_back(path)}")

    def file_has(path, part):
        def expect(rc, results, text):
            check(os.path.isfile(path) and part in open(path, encoding="utf-8").read(), f"{path} has {part}")
        return expect

    return [
        ("a sheet in 6-degree zones into a GeoPackage", "sheet",
         ["NUMBER=J50G001002", "DATUM=cgcs2000", "ZONE_WIDTH=6", "OUTPUT=" + o("a.gpkg")],
         frames(o("a.gpkg"), ["J50G001002"], 4509)),
        ("an existing output is refused without OVERWRITE", "sheet",
         ["NUMBER=J50G001002", "OUTPUT=" + o("a.gpkg")], refused("已存在")),
        ("OVERWRITE replaces it, in the default datum and zone width", "sheet",
         ["NUMBER=J50G001002", "OVERWRITE=true", "OUTPUT=" + o("a.gpkg")],
         frames(o("a.gpkg"), ["J50G001002"], 2383)),
        ("a sheet into a DXF drawing, meridian given", "sheet",
         ["NUMBER=J50G001002", "DATUM=cgcs2000", "CENTRAL_MERIDIAN=114", "OUTPUT=" + o("c.dxf")],
         then(result("FRAMES", 1), lambda rc, r, t: check(sum(n for n, _ in read_back(o("c.dxf")).values()) > 0,
                                                           "the DXF drawing has entities"))),
        ("a bad sheet number fails with Tarvik's message", "sheet",
         ["NUMBER=X50G001002", "OUTPUT=" + o("bad.gpkg")],
         then(refused("第1位应为行号字母A～V"), lambda rc, r, t: check(not os.path.exists(o("bad.gpkg")),
                                                                    "a refused run writes nothing"))),
        ("a meridian too far from the sheet is refused by the command line", "sheet",
         ["NUMBER=J50G001002", "CENTRAL_MERIDIAN=117", "OUTPUT=" + o("far.gpkg")], refused("相距太远")),
        ("the neighbours of a sheet", "sheet-info",
         ["NUMBER=J50", "OUTPUT_HTML=" + o("j50.html")],
         then(result("NUMBER", "J50"), result("WEST", 114), result("SOUTH", 36), result("SCALE", 1000000),
              result("NEIGHBOUR_E", "J51"), result("NEIGHBOUR_NW", "K49"), file_has(o("j50.html"), "I51"))),
        ("a bad number in sheet-info", "sheet-info", ["NUMBER=X50"], refused("第1位应为行号字母A～V")),
        ("an index for a box in degrees", "make-index",
         ["SCALE=50000", "EXTENT=116,116.5,39,39.4 [EPSG:4326]", "OUTPUT=" + o("box.shp")],
         then(result("SHEETS", 6), features(o("box.shp"), 6))),
        ("an index for a cover layer from a GeoPackage", "make-index",
         ["SCALE=50000", "COVER=" + o("six.gpkg") + "|layername=sheets", "OUTPUT=" + o("cover.shp")],
         then(result("SHEETS", 6), features(o("cover.shp"), 6))),
        ("the index of a GeoPackage layer, chosen by an expression, into a File Geodatabase", "index",
         ["INPUT=" + o("six.gpkg") + "|layername=sheets", "NAME_FIELD=SHEET_NUMBER_LONG",
          "EXPRESSION=\"TFH\" LIKE '%009'", "OUTPUT=" + o("x.gdb")],
         frames(o("x.gdb"), ["J50E004009", "J50E005009", "J50E006009"], 2384)),
        ("a shapefile index with the where clause in the shared layout", "index",
         ["INPUT=" + o("six.shp"), "NAME_FIELD=TFH", "WHERE=TFH = 'J50E004010'", "LAYOUT=shared",
          "OUTPUT=" + o("y.gpkg")],
         then(result("FRAMES", 1), lambda rc, r, t: check(
             set(k for k in read_back(o("y.gpkg")) if k[:2] in ("L_", "p_", "a_")) == {"L_frames", "p_frames", "a_frames"},
             f"the shared classes: {read_back(o('y.gpkg'))}"))),
        ("a where clause naming a field the shapefile copy renames", "index",
         ["INPUT=" + o("six.gpkg") + "|layername=sheets", "NAME_FIELD=TFH",
          "WHERE=SHEET_NUMBER_LONG = 'J50E004010'", "OUTPUT=" + o("w.gpkg")], refused("SHEET_NUMB")),
        ("a name field that differs on no two features is the command line's to refuse", "index",
         ["INPUT=" + o("six.shp"), "NAME_TEMPLATE=[NOPE]", "OUTPUT=" + o("nope.gpkg")], refused("NOPE")),
        ("frames around a polygon, named by a template", "area",
         ["INPUT=" + o("six.gpkg") + "|layername=sheets", "NAME_TEMPLATE=[TFH]图", "EXPRESSION=\"TFH\" = 'J50E004009'",
          "SCALE=100000", "NO_PROJECT=true", "OUTPUT=" + o("ar.gpkg")],
         frames(o("ar.gpkg"), ["J50E004009图"], 2384, project=False)),
    ]


def run_case(qp, case):
    what, alg, params, expect = case
    print("case:", what, flush=True)
    rc, stdout, stderr = qp("--json", "run", "tarvik:" + alg, "--", *params)
    results = {}
    try:
        results = json.loads(stdout[stdout.index("{"):]).get("results", {}) if rc == 0 else {}
    except ValueError:
        check(False, f"{what}: qgis_process --json printed no JSON: {stdout[-1000:]}")
    before = len(failures)
    expect(rc, results, stdout + stderr)
    if len(failures) > before:
        failures[before:] = [f"{what}: {f}" for f in failures[before:]]


def in_process(plugins, out):
    """What qgis_process cannot show: a cancelled run and the loading of
    outputs into a project."""
    sys.path.insert(0, plugins)
    sys.path.insert(0, "/usr/share/qgis/python/plugins")
    from qgis.core import (
        QgsApplication,
        QgsProcessingException,
        QgsProcessingFeatureSourceDefinition,
        QgsProcessingFeedback,
        QgsProject,
        QgsVectorLayer,
    )

    app = QgsApplication([], False)
    app.initQgis()
    try:
        from processing.core.Processing import Processing
        import processing

        Processing.initialize()
        from tarvik.provider import TarvikProvider
        from tarvik.results import load_output

        provider = TarvikProvider()  # the registry does not keep the Python object alive
        QgsApplication.processingRegistry().addProvider(provider)

        # Cancel once the first frame is on disk: tarvik-cli stops after the
        # frame being drawn, keeps what it finished and says so.
        print("case: a cancelled run keeps the frames finished", flush=True)
        feedback = QgsProcessingFeedback()
        feedback.progressChanged.connect(lambda p: feedback.cancel() if p > 0 else None)
        message = ""
        try:
            processing.run("tarvik:index", {"INPUT": os.path.join(out, "many.shp"), "NAME_FIELD": "TFH",
                                            "OUTPUT": os.path.join(out, "stopped.gpkg")}, feedback=feedback)
        except QgsProcessingException as e:
            message = str(e)
        check("已中止" in message, f"a cancelled run fails with Tarvik's stop message: {message!r}")
        kept = [k for k in read_back(os.path.join(out, "stopped.gpkg")) if k.startswith("L_")]
        print(f"  stopped after {len(kept)} of 150 frames", flush=True)
        check(1 <= len(kept) < 150, f"a cancelled run keeps between 1 and 149 of 150 frames: {len(kept)}")
        check(re.search(rf"\b{len(kept)}\b", message), f"the message tells the {len(kept)} frames kept: {message}")

        # A selection on a shapefile layer: only the selected sheets, so the
        # layer must go through a copy, not as its file.
        print("case: the selected features of a shapefile layer", flush=True)
        sheets = QgsVectorLayer(os.path.join(out, "six.shp"), "six", "ogr")
        QgsProject.instance().addMapLayer(sheets)
        sheets.selectByExpression("\"TFH\" IN ('J50E004009', 'J50E006010')")
        results = processing.run("tarvik:index", {
            "INPUT": QgsProcessingFeatureSourceDefinition(sheets.id(), True), "NAME_FIELD": "TFH",
            "OUTPUT": os.path.join(out, "selected.gpkg")}, feedback=QgsProcessingFeedback())
        drawn = sorted(k for k in read_back(os.path.join(out, "selected.gpkg")) if k.startswith("L_"))
        check(results.get("FRAMES") == 2 and drawn == ["L_J50E004009", "L_J50E006010"],
              f"only the two selected sheets are framed: {results.get('FRAMES')} {drawn}")
        QgsProject.instance().removeMapLayer(sheets.id())

        # Run as from the QGIS window (qgis.utils.iface set): the frames
        # land in the open project, in a group named after the output.
        print("case: a run from the window adds its output to the project", flush=True)
        import qgis.utils

        qgis.utils.iface = object()
        try:
            processing.run("tarvik:sheet", {"NUMBER": "J50G001003", "DATUM": "cgcs2000",
                                            "OUTPUT": os.path.join(out, "window.gpkg")}, feedback=QgsProcessingFeedback())
        finally:
            qgis.utils.iface = None
        group = QgsProject.instance().layerTreeRoot().findGroup("window.gpkg")
        names = sorted(n.layer().name() for n in group.findLayers() if n.layer() and n.layer().isValid()) if group else []
        check({"L_J50G001003", "a_J50G001003"} <= set(names), f"the window's project holds the frame's classes: {names}")
        QgsProject.instance().clear()

        print("case: outputs load into a project with their groups", flush=True)
        project = QgsProject()
        group = load_output(project, os.path.join(out, "x.gdb"), os.path.join(out, "x.gdb.qgs"))
        layers = [node.layer() for node in group.findLayers() if node.layer() is not None]
        classes = [layer for layer in layers if layer.name()[:2] in ("L_", "p_", "a_")]
        check(len(classes) == 9 and all(layer.isValid() for layer in classes),
              f"the three frames' nine classes load valid from the project: {[l.name() for l in layers]}")
        frame_groups = [g.name() for g in group.findGroups(True) if g.name().startswith("J50E")]
        check(len(frame_groups) == 3, f"one group per frame: {[g.name() for g in group.findGroups(True)]}")
        check(all(layer.crs().authid() == "EPSG:2384" for layer in classes), "the loaded classes are in EPSG:2384")
        texts = [layer for layer in classes if layer.name().startswith("a_")]
        check(texts and all(layer.labelsEnabled() for layer in texts), "the texts keep the project's labelling")
        group = load_output(project, os.path.join(out, "ar.gpkg"), None)
        names = sorted(node.layer().name() for node in group.findLayers() if node.layer().isValid())
        check({"L_J50E004009图", "p_J50E004009图", "a_J50E004009图"} <= set(names),
              f"an output without a project loads its classes: {names}")
        project.clear()
    finally:
        app.exitQgis()


if __name__ == "__main__":
    sys.exit(main())
