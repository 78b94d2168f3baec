"""The Processing algorithms' common part, and the frame algorithms sheet,
index and area (make_index.py and sheet_info.py hold the other two).

Each algorithm gathers its parameters into the command's options and runs it; the
command line decides every rule (scale, meridian, datum defaults, names,
what an existing output may become) and refuses what it does not accept, in
its own words. The lists of values and the defaults shown here are read
from the command's --help, so the two cannot disagree.
"""

from qgis.core import (
    QgsProcessing,
    QgsProcessingAlgorithm,
    QgsProcessingException,
    QgsProcessingOutputFile,
    QgsProcessingOutputNumber,
    QgsProcessingOutputString,
    QgsProcessingParameterBoolean,
    QgsProcessingParameterDefinition,
    QgsProcessingParameterEnum,
    QgsProcessingParameterExpression,
    QgsProcessingParameterFeatureSource,
    QgsProcessingParameterField,
    QgsProcessingParameterFile,
    QgsProcessingParameterFileDestination,
    QgsProcessingParameterNumber,
    QgsProcessingParameterString,
)

from . import cli
from .inputs import shapefile_for
from .results import load_output, running_in_window

FRAME_OUTPUTS = "GeoPackage (*.gpkg);;File Geodatabase (*.gdb);;DXF drawing for CAD (*.dxf)"


def _not_given(command, option):
    _, default = cli.choices(command, option)
    return f" (not set: tarvik-cli's default{', ' + default if default else ''})"


class TarvikAlgorithm(QgsProcessingAlgorithm):
    COMMAND = ""

    def __init__(self):
        super().__init__()
        self._output = None
        self._project = None

    def createInstance(self):  # noqa: N802
        return type(self)()

    def name(self):
        return self.COMMAND

    def group(self):
        return ""

    def groupId(self):  # noqa: N802
        return ""

    # --- Parameters shared by the commands ------------------------------

    def _advanced(self, parameter):
        parameter.setFlags(parameter.flags() | QgsProcessingParameterDefinition.FlagAdvanced)
        self.addParameter(parameter)

    def _with_help(self, parameter, option):
        parameter.setHelp(cli.describe(self.COMMAND, option))
        return parameter

    def _enum(self, name, description, option, advanced=False):
        values, _ = cli.choices(self.COMMAND, option)
        parameter = QgsProcessingParameterEnum(
            name,
            description + _not_given(self.COMMAND, option),
            values,
            False,
            None,
            True,
            True,
        )
        self._with_help(parameter, option)
        if advanced:
            self._advanced(parameter)
        else:
            self.addParameter(parameter)

    def add_system_parameters(self, planar_choice=True):
        self._enum("DATUM", "Datum (--datum)", "--datum")
        self._enum("ZONE_WIDTH", "Zone width in degrees (--zone-width)", "--zone-width")
        meridian = QgsProcessingParameterNumber(
            "CENTRAL_MERIDIAN",
            "Central meridian (--central-meridian; not set: tarvik-cli decides)",
            QgsProcessingParameterNumber.Integer,
            None,
            True,
        )
        low, high = cli.number_range(self.COMMAND, "--central-meridian")
        if low is not None:
            meridian.setMinimum(low)
            meridian.setMaximum(high)
        self.addParameter(self._with_help(meridian, "--central-meridian"))
        self.addParameter(
            self._with_help(
                QgsProcessingParameterBoolean("ZONE_PREFIX", "Eastings carry the zone number (--zone-prefix)", False),
                "--zone-prefix",
            )
        )
        if planar_choice:
            coordinates = QgsProcessingParameterEnum(
                "COORDINATES",
                "Coordinates written (--planar / --geographic; not set: tarvik-cli decides)",
                ["planar", "geographic"],
                False,
                None,
                True,
                True,
            )
            coordinates.setHelp(cli.describe(self.COMMAND, "--geographic") + "\n" + cli.describe(self.COMMAND, "--planar"))
            self.addParameter(coordinates)
        else:
            self.addParameter(
                self._with_help(
                    QgsProcessingParameterBoolean("GEOGRAPHIC", "Corners in longitude/latitude (--geographic)", False),
                    "--geographic",
                )
            )
        self._advanced(
            self._with_help(
                QgsProcessingParameterString("TOWGS84", "Helmert parameters of the input (--towgs84)", None, False, True),
                "--towgs84",
            )
        )
        self._advanced(
            self._with_help(
                QgsProcessingParameterString("TRANSFORM", "PROJ pipeline of the input (--transform)", None, False, True),
                "--transform",
            )
        )

    def add_frame_parameters(self):
        self._enum("LAYOUT", "Layout of the classes (--layout)", "--layout", advanced=True)
        self._advanced(
            self._with_help(
                QgsProcessingParameterFile(
                    "SETTINGS", "Settings file (--settings)", QgsProcessingParameterFile.File, "set", None, True
                ),
                "--settings",
            )
        )
        self._advanced(
            self._with_help(
                QgsProcessingParameterString("SET", "Settings NAME=VALUE, one a line (--set)", None, True, True),
                "--set",
            )
        )
        self.add_output_parameters(FRAME_OUTPUTS)
        self.addOutput(QgsProcessingOutputFile("PROJECT", "QGIS project beside the output"))
        self.addOutput(QgsProcessingOutputNumber("FRAMES", "Frames written"))
        self.addOutput(QgsProcessingOutputString("SYSTEM", "Coordinate system written"))

    def add_output_parameters(self, filters):
        self.addParameter(
            self._with_help(
                QgsProcessingParameterBoolean("OVERWRITE", "Replace an existing output (--overwrite)", False),
                "--overwrite",
            )
        )
        if self.COMMAND != "make-index":
            self.addParameter(
                self._with_help(
                    QgsProcessingParameterBoolean("APPEND", "Add to an existing GeoPackage (--append)", False),
                    "--append",
                )
            )
            self._advanced(
                self._with_help(
                    QgsProcessingParameterBoolean("NO_PROJECT", "No QGIS project beside the output (--no-project)", False),
                    "--no-project",
                )
            )
        self.addParameter(
            self._with_help(QgsProcessingParameterFileDestination("OUTPUT", "Output", filters), "--output")
        )

    # --- Parameters to options ------------------------------------------

    @staticmethod
    def _given(parameters, name):
        value = parameters.get(name)
        return value is not None and value != "" and not (isinstance(value, str) and not value.strip())

    def system_options(self, parameters, context):
        args = []
        for name, option in (("DATUM", "--datum"), ("ZONE_WIDTH", "--zone-width")):
            value = self.parameterAsEnumString(parameters, name, context) if self._given(parameters, name) else ""
            if value:
                args += [option, value]
        if self._given(parameters, "CENTRAL_MERIDIAN"):
            args += ["--central-meridian", str(self.parameterAsInt(parameters, "CENTRAL_MERIDIAN", context))]
        if self.parameterAsBoolean(parameters, "ZONE_PREFIX", context):
            args.append("--zone-prefix")
        if "COORDINATES" in parameters and self._given(parameters, "COORDINATES"):
            value = self.parameterAsEnumString(parameters, "COORDINATES", context)
            if value:
                args.append("--" + value)
        if self.parameterDefinition("GEOGRAPHIC") is not None and self.parameterAsBoolean(
            parameters, "GEOGRAPHIC", context
        ):
            args.append("--geographic")
        for name, option in (("TOWGS84", "--towgs84"), ("TRANSFORM", "--transform")):
            text = self.parameterAsString(parameters, name, context).strip()
            if text:
                args += [option, text]
        return args

    def frame_options(self, parameters, context, renamed_field=None):
        args = []
        if self._given(parameters, "LAYOUT"):
            value = self.parameterAsEnumString(parameters, "LAYOUT", context)
            if value:
                args += ["--layout", value]
        settings = self.parameterAsFile(parameters, "SETTINGS", context)
        if settings:
            args += ["--settings", settings]
        for line in self.parameterAsString(parameters, "SET", context).splitlines():
            line = line.strip()
            if not line:
                continue
            if renamed_field is not None and "=" in line:
                key, value = line.split("=", 1)
                if key.strip() == "edtField":
                    line = f"edtField={renamed_field(value.strip())}"
            args += ["--set", line]
        for name, option in (("OVERWRITE", "--overwrite"), ("APPEND", "--append"), ("NO_PROJECT", "--no-project")):
            if self.parameterDefinition(name) is not None and self.parameterAsBoolean(parameters, name, context):
                args.append(option)
        return args

    def output_path(self, parameters, context):
        path = self.parameterAsFileOutput(parameters, "OUTPUT", context)
        if not path:
            raise QgsProcessingException("No output given")
        return path

    # --- Running ---------------------------------------------------------

    def run_cli(self, args, feedback):
        try:
            return cli.run_or_raise(args, feedback)
        except cli.CliError as e:
            raise QgsProcessingException(str(e)) from e

    def frame_results(self, result):
        summary = result.summary
        self._output = summary.get("output") or None
        self._project = summary.get("project") or None
        return {
            "OUTPUT": self._output,
            "PROJECT": self._project,
            "FRAMES": summary.get("frames"),
            "SYSTEM": summary.get("system"),
        }

    def postProcessAlgorithm(self, context, feedback):  # noqa: N802
        # Only in the QGIS window: qgis_process just reports the paths.
        if self._output and running_in_window() and context.project() is not None:
            try:
                load_output(context.project(), self._output, self._project)
            except RuntimeError as e:
                feedback.reportError(str(e))
        return {}


class SheetAlgorithm(TarvikAlgorithm):
    COMMAND = "sheet"

    def displayName(self):  # noqa: N802
        return "Frame of a sheet number"

    def shortHelpString(self):  # noqa: N802
        return (
            "Draws the complete frame of one standard sheet (current E45G095066 or old J-50-5 number) "
            "at the scale of its scale letter, or of a large-scale rectangular sheet (3810.40-500.75 with "
            "its scale, datum and central meridian), into a GeoPackage, File Geodatabase or DXF drawing "
            "with a styled QGIS project beside it. Runs tarvik-cli sheet; its checks and messages apply."
        )

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(QgsProcessingParameterString("NUMBER", "Sheet number (图幅号)"))
        self.addParameter(
            self._with_help(
                QgsProcessingParameterString("SCALE", "Scale (--scale; not set: the number's own, else 10000)", None, False, True),
                "--scale",
            )
        )
        self._enum("RECT", "Rectangular sheet size (--rect)", "--rect", advanced=True)
        self.add_system_parameters()
        self.add_frame_parameters()

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        number = self.parameterAsString(parameters, "NUMBER", context).strip()
        args = ["sheet", number, "-o", self.output_path(parameters, context)]
        scale = self.parameterAsString(parameters, "SCALE", context).strip()
        if scale:
            args += ["--scale", scale]
        if self._given(parameters, "RECT"):
            rect = self.parameterAsEnumString(parameters, "RECT", context)
            if rect:
                args += ["--rect", rect]
        args += self.system_options(parameters, context) + self.frame_options(parameters, context)
        return self.frame_results(self.run_cli(args, feedback))


class _LayerFramesAlgorithm(TarvikAlgorithm):
    """index and area: frames for the features of a polygon layer."""

    INPUT_DESCRIPTION = ""

    def initAlgorithm(self, config=None):  # noqa: N802
        self.addParameter(
            QgsProcessingParameterFeatureSource("INPUT", self.INPUT_DESCRIPTION, [QgsProcessing.TypeVectorPolygon])
        )
        self.addParameter(
            QgsProcessingParameterField(
                "NAME_FIELD",
                "Field naming the frames (--name-template [FIELD])",
                None,
                "INPUT",
                QgsProcessingParameterField.Any,
                False,
                True,
            )
        )
        self.addParameter(
            self._with_help(
                QgsProcessingParameterString(
                    "NAME_TEMPLATE", "Name template, e.g. [NAME]图 (instead of the field)", None, False, True
                ),
                "--name-template",
            )
        )
        self.addParameter(
            QgsProcessingParameterExpression(
                "EXPRESSION", "Features chosen by a QGIS expression", None, "INPUT", True
            )
        )
        self.addParameter(
            self._with_help(
                QgsProcessingParameterString("WHERE", "Where clause of tarvik-cli (--where)", None, False, True),
                "--where",
            )
        )
        self.addParameter(
            self._with_help(
                QgsProcessingParameterString("SCALE", "Scale (--scale; not set: tarvik-cli decides)", None, False, True),
                "--scale",
            )
        )
        self.add_system_parameters()
        self.add_frame_parameters()

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        expression = self.parameterAsExpression(parameters, "EXPRESSION", context).strip()
        source = shapefile_for(self, parameters, "INPUT", expression, context, feedback)
        try:
            args = [self.COMMAND, source.path, "-o", self.output_path(parameters, context)]
            template = self.parameterAsString(parameters, "NAME_TEMPLATE", context).strip()
            if not template:
                field = self.parameterAsString(parameters, "NAME_FIELD", context).strip()
                template = f"[{field}]" if field else ""
            if template:
                args += ["--name-template", source.template(template)]
            where = self.parameterAsString(parameters, "WHERE", context).strip()
            if where:
                source.check_where(where)
                args += ["--where", where]
            scale = self.parameterAsString(parameters, "SCALE", context).strip()
            if scale:
                args += ["--scale", scale]
            args += self.system_options(parameters, context)
            args += self.frame_options(parameters, context, source.field)
            return self.frame_results(self.run_cli(args, feedback))
        finally:
            source.cleanup()


class IndexAlgorithm(_LayerFramesAlgorithm):
    COMMAND = "index"
    INPUT_DESCRIPTION = "Sheet index layer (one four-corner polygon per sheet)"

    def displayName(self):  # noqa: N802
        return "Frames of a sheet index layer"

    def shortHelpString(self):  # noqa: N802
        return (
            "Draws the complete frame of every chosen sheet of a standard sheet index layer (e.g. one "
            "made by Make a standard sheet index), each into its own classes named after the template. "
            "A layer that is not a shapefile, or a selection or expression, is handed to tarvik-cli as "
            "a temporary shapefile. Runs tarvik-cli index; its checks and messages apply. Cancel stops "
            "after the frame being drawn; the frames finished are kept."
        )


class AreaAlgorithm(_LayerFramesAlgorithm):
    COMMAND = "area"
    INPUT_DESCRIPTION = "Polygon layer (administrative divisions, project areas)"

    def displayName(self):  # noqa: N802
        return "Frames around the polygons of a layer"

    def shortHelpString(self):  # noqa: N802
        return (
            "Draws a rectangular frame around every chosen polygon of a layer, each into its own "
            "classes named after the template. A layer that is not a shapefile, or a selection or "
            "expression, is handed to tarvik-cli as a temporary shapefile. Runs tarvik-cli area; its "
            "checks and messages apply. Cancel stops after the frame being drawn; the frames finished "
            "are kept."
        )
