"""sheet-info: what a sheet number means, as results and an HTML report."""

import html

from qgis.core import (
    QgsProcessingException,
    QgsProcessingOutputNumber,
    QgsProcessingOutputString,
    QgsProcessingParameterBoolean,
    QgsProcessingParameterFileDestination,
    QgsProcessingParameterString,
)

from .algorithms import TarvikAlgorithm

NEIGHBOURS = ("nw", "n", "ne", "w", "e", "sw", "s", "se")


class SheetInfoAlgorithm(TarvikAlgorithm):
    COMMAND = "sheet-info"
    DEGREE_KEYS = ("west", "south", "lon_size", "lat_size", "central_meridian")
    METRE_KEYS = ("x", "y", "x_size", "y_size")

    def displayName(self):  # noqa: N802
        return "Decode a sheet number"

    def shortHelpString(self):  # noqa: N802
        return (
            "Decodes a sheet number of the national map series: its current form, scale, south-west "
            "corner and size in degrees, the central meridian of the 3-degree zone of its west edge and "
            "the eight neighbouring sheets; for a large-scale rectangular number (with its scale) the "
            "layout, corner and size in metres. Runs tarvik-cli sheet-info."
        )

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterString("NUMBER", "Sheet number (图幅号)"))
        self.addParameter(
            self._with_help(
                QgsProcessingParameterString("SCALE", "Scale of a rectangular number (--scale)", None, False, True),
                "--scale",
            )
        )
        self._enum("RECT", "Rectangular sheet size (--rect)", "--rect", advanced=True)
        self.addParameter(
            self._with_help(
                QgsProcessingParameterBoolean("NEIGHBOURS", "Neighbouring sheets (--neighbours)", True),
                "--neighbours",
            )
        )
        self.addParameter(
            QgsProcessingParameterFileDestination("OUTPUT_HTML", "Report", "HTML files (*.html)", None, True)
        )
        self.addOutput(QgsProcessingOutputString("NUMBER", "Sheet number, current form"))
        self.addOutput(QgsProcessingOutputNumber("SCALE", "Scale denominator"))
        self.addOutput(QgsProcessingOutputString("LAYOUT", "Rectangular layout"))
        for key in self.DEGREE_KEYS:
            self.addOutput(QgsProcessingOutputNumber(key.upper(), key.replace("_", " ") + " (degrees)"))
        for key in self.METRE_KEYS:
            self.addOutput(QgsProcessingOutputNumber(key.upper(), key.replace("_", " ") + " (metres)"))
        for key in NEIGHBOURS:
            self.addOutput(QgsProcessingOutputString("NEIGHBOUR_" + key.upper(), f"Neighbour {key}"))
        self.addOutput(QgsProcessingOutputString("TEXT", "tarvik-cli's report"))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        args = ["sheet-info", self.parameterAsString(parameters, "NUMBER", context).strip()]
        scale = self.parameterAsString(parameters, "SCALE", context).strip()
        if scale:
            args += ["--scale", scale]
        if self._given(parameters, "RECT"):
            rect = self.parameterAsEnumString(parameters, "RECT", context)
            if rect:
                args += ["--rect", rect]
        if self.parameterAsBoolean(parameters, "NEIGHBOURS", context):
            args.append("--neighbours")
        result = self.run_cli(args, feedback)
        info = result.summary.get("info")
        if not isinstance(info, dict):
            raise QgsProcessingException("tarvik-cli sheet-info told no sheet: " + result.message())
        results = {"NUMBER": info.get("number"), "SCALE": info.get("scale"), "LAYOUT": info.get("layout")}
        for key in self.DEGREE_KEYS + self.METRE_KEYS:
            results[key.upper()] = info.get(key)
        neighbours = info.get("neighbours") or {}
        for key in NEIGHBOURS:
            results["NEIGHBOUR_" + key.upper()] = neighbours.get(key)
        results["TEXT"] = result.stderr_text
        feedback.pushInfo(result.stderr_text)
        report = self.parameterAsFileOutput(parameters, "OUTPUT_HTML", context)
        if report:
            self._write_report(report, info, result.stderr_text)
            results["OUTPUT_HTML"] = report
        return results

    @staticmethod
    def _write_report(path, info, text):
        rows = "".join(
            f"<tr><th>{html.escape(k)}</th><td>{html.escape(str(v))}</td></tr>"
            for k, v in info.items()
            if k != "neighbours"
        )
        grid = ""
        neighbours = info.get("neighbours")
        if isinstance(neighbours, dict):
            cell = lambda k: html.escape(neighbours.get(k) or "-")  # noqa: E731
            centre = "<b>" + html.escape(str(info.get("number", ""))) + "</b>"
            grid = (
                "<table border='1' cellpadding='4'>"
                f"<tr><td>{cell('nw')}</td><td>{cell('n')}</td><td>{cell('ne')}</td></tr>"
                f"<tr><td>{cell('w')}</td><td>{centre}</td><td>{cell('e')}</td></tr>"
                f"<tr><td>{cell('sw')}</td><td>{cell('s')}</td><td>{cell('se')}</td></tr></table>"
            )
        with open(path, "w", encoding="utf-8") as out:
            out.write(
                "<!DOCTYPE html><html><head><meta charset='utf-8'><title>"
                + html.escape(str(info.get("number", "")))
                + "</title></head><body><table>"
                + rows
                + "</table>"
                + grid
                + "<pre>"
                + html.escape(text)
                + "</pre></body></html>\n"
            )
