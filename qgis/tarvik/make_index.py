"""make-index: a standard sheet index for an extent or a cover layer."""

import os

from qgis.core import (
    QgsProcessing,
    QgsProcessingContext,
    QgsProcessingOutputNumber,
    QgsProcessingOutputString,
    QgsProcessingParameterEnum,
    QgsProcessingParameterExtent,
    QgsProcessingParameterFeatureSource,
)

from . import cli
from .algorithms import TarvikAlgorithm
from .inputs import shapefile_for
from .results import running_in_window


class MakeIndexAlgorithm(TarvikAlgorithm):
    COMMAND = "make-index"

    def displayName(self):  # noqa: N802
        return "Make a standard sheet index"

    def shortHelpString(self):  # noqa: N802
        return (
            "Writes a standard sheet index: a polygon shapefile with one four-corner polygon per national "
            "sheet of the scale that overlaps the extent or a polygon of the cover layer, its number in "
            "the field TFH, ready for Frames of a sheet index layer. The extent is taken in longitude and "
            "latitude on its own datum. Runs tarvik-cli make-index."
        )

    def initAlgorithm(self, config=None):  # noqa: N802
        values, default = cli.choices(self.COMMAND, "--scale")
        scale = QgsProcessingParameterEnum("SCALE", "Scale (--scale)", values, False, default, False, True)
        self.addParameter(self._with_help(scale, "--scale"))
        self.addParameter(
            self._with_help(QgsProcessingParameterExtent("EXTENT", "Area (--bbox)", None, True), "--bbox")
        )
        self.addParameter(
            self._with_help(
                QgsProcessingParameterFeatureSource(
                    "COVER", "Area: polygons of a layer (--cover)", [QgsProcessing.TypeVectorPolygon], None, True
                ),
                "--cover",
            )
        )
        self.add_system_parameters(planar_choice=False)
        self.add_output_parameters("ESRI Shapefile (*.shp)")
        self.addOutput(QgsProcessingOutputNumber("SHEETS", "Sheets in the index"))
        self.addOutput(QgsProcessingOutputString("SYSTEM", "Coordinate system written"))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        output = self.output_path(parameters, context)
        args = ["make-index", "-o", output]
        if self._given(parameters, "SCALE"):
            args += ["--scale", self.parameterAsEnumString(parameters, "SCALE", context)]
        cover = None
        if self._given(parameters, "EXTENT"):
            args += ["--bbox"] + self._degrees(parameters, context)
        if self._given(parameters, "COVER"):
            cover = shapefile_for(self, parameters, "COVER", "", context, feedback)
            args += ["--cover", cover.path]
        try:
            args += self.system_options(parameters, context)
            if self.parameterAsBoolean(parameters, "OVERWRITE", context):
                args.append("--overwrite")
            summary = self.run_cli(args, feedback).summary
        finally:
            if cover is not None:
                cover.cleanup()
        written = summary.get("output") or output
        if running_in_window() and context.project() is not None:
            details = QgsProcessingContext.LayerDetails(
                os.path.splitext(os.path.basename(written))[0], context.project(), "OUTPUT"
            )
            context.addLayerToLoadOnCompletion(written, details)
        return {"OUTPUT": written, "SHEETS": summary.get("sheets"), "SYSTEM": summary.get("system")}

    def _degrees(self, parameters, context):
        """West, south, east, north in degrees: a geographic extent as it
        is, a projected one on its own datum's longitudes and latitudes."""
        crs = self.parameterAsExtentCrs(parameters, "EXTENT", context)
        if crs.isValid() and not crs.isGeographic():
            box = self.parameterAsExtent(parameters, "EXTENT", context, crs.toGeographicCrs())
        else:
            box = self.parameterAsExtent(parameters, "EXTENT", context)
        return [repr(v) for v in (box.xMinimum(), box.yMinimum(), box.xMaximum(), box.yMaximum())]
