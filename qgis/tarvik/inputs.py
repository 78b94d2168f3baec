"""A project layer as the shapefile tarvik-cli reads.

A layer whose source is a shapefile, taken whole, is handed over as it is.
Any other layer (GeoPackage, PostGIS, memory, ...), or one with a selection,
a feature limit, a subset filter or an expression filter applied, is first
copied to a temporary shapefile in QGIS's Processing temp folder: its
features, attributes and coordinate system (.prj) unchanged, UTF-8 (.cpg).
The copy is removed by the algorithm when the run ends.
"""

import os
import re
import tempfile

from qgis.core import (
    QgsExpression,
    QgsFeature,
    QgsFeatureRequest,
    QgsField,
    QgsFields,
    QgsProcessingException,
    QgsProcessingFeatureSourceDefinition,
    QgsProcessingUtils,
    QgsProviderRegistry,
    QgsVectorFileWriter,
)

SHAPEFILE_NAME_BYTES = 10  # a dBASE field name holds ten bytes


class ShapefileInput:
    """The shapefile for one run and how the copy renamed fields."""

    def __init__(self, path, renamed, temp_dir):
        self.path = path
        self.renamed = renamed  # {layer's field name: the copy's}
        self.temp_dir = temp_dir

    def field(self, name):
        return self.renamed.get(name, name)

    def template(self, text):
        """A name template with its [FIELD]s as the copy names them."""
        return re.sub(r"\[([^\]]+)\]", lambda m: "[" + self.field(m.group(1)) + "]", text)

    def check_where(self, where):
        """A where clause is Tarvik's (OGR SQL) and is passed as written; a
        field the copy had to rename is refused rather than guessed at."""
        for old, new in self.renamed.items():
            if re.search(r"(?<![\w\"])" + re.escape(old) + r"(?![\w\"])|\"" + re.escape(old) + '"', where):
                raise QgsProcessingException(
                    f"The where clause names the field {old}, which the temporary shapefile "
                    f"for tarvik-cli calls {new} (a shapefile's field names hold 10 bytes): "
                    f"write {new} in the where clause, or filter with the expression instead"
                )

    def cleanup(self):
        if self.temp_dir is not None:
            self.temp_dir.cleanup()
            self.temp_dir = None


def _shapefile_names(fields):
    """{name: shapefile name} for the names that do not fit ten bytes or
    would clash once cut (dBASE compares names without case)."""
    taken = set()
    renamed = {}
    for field in fields:
        name = field.name()
        candidate = name
        if len(name.encode("utf-8")) > SHAPEFILE_NAME_BYTES or name.upper() in taken:
            stem = _cut(name, SHAPEFILE_NAME_BYTES)
            n = 1
            candidate = stem
            while candidate.upper() in taken:
                suffix = f"_{n}"
                candidate = _cut(name, SHAPEFILE_NAME_BYTES - len(suffix)) + suffix
                n += 1
            renamed[name] = candidate
        taken.add(candidate.upper())
    return renamed


def _cut(text, size):
    """`text` cut to at most `size` UTF-8 bytes on a character boundary."""
    out = ""
    for ch in text:
        if len((out + ch).encode("utf-8")) > size:
            break
        out += ch
    return out


def _shapefile_source(layer):
    """The .shp a layer reads all of, or None."""
    if layer is None or layer.providerType() != "ogr" or layer.subsetString():
        return None
    parts = QgsProviderRegistry.instance().decodeUri("ogr", layer.source())
    path = parts.get("path", "")
    if not path.lower().endswith(".shp") or not os.path.isfile(path):
        return None
    if parts.get("layerName") not in (None, "", os.path.splitext(os.path.basename(path))[0]):
        return None
    return path


def shapefile_for(alg, parameters, name, expression, context, feedback):
    """The ShapefileInput for the layer parameter `name`, filtered by the
    QGIS `expression` (may be empty)."""
    value = parameters.get(name)
    selected_only = isinstance(value, QgsProcessingFeatureSourceDefinition) and value.selectedFeaturesOnly
    limited = isinstance(value, QgsProcessingFeatureSourceDefinition) and value.featureLimit >= 0
    layer = alg.parameterAsVectorLayer(parameters, name, context)
    if not expression and not selected_only and not limited:
        path = _shapefile_source(layer)
        if path:
            return ShapefileInput(path, {}, None)

    source = alg.parameterAsSource(parameters, name, context)
    if source is None:
        raise QgsProcessingException(f"The layer of {name} could not be read")
    request = QgsFeatureRequest()
    if expression:
        parsed = QgsExpression(expression)
        if parsed.hasParserError():
            raise QgsProcessingException(f"The expression {expression} is not valid: {parsed.parserErrorString()}")
        expression_context = alg.createExpressionContext(parameters, context, source)
        request.setFilterExpression(expression)
        request.setExpressionContext(expression_context)

    renamed = _shapefile_names(source.fields())
    fields = QgsFields()
    for field in source.fields():
        copy = QgsField(field)
        copy.setName(renamed.get(field.name(), field.name()))
        fields.append(copy)

    temp_dir = tempfile.TemporaryDirectory(prefix="tarvik_", dir=QgsProcessingUtils.tempFolder())
    stem = re.sub(r"[^\w.-]", "_", (layer.name() if layer is not None else "") or "input") or "input"
    path = os.path.join(temp_dir.name, stem + ".shp")
    options = QgsVectorFileWriter.SaveVectorOptions()
    options.driverName = "ESRI Shapefile"
    options.fileEncoding = "UTF-8"
    writer = QgsVectorFileWriter.create(
        path, fields, source.wkbType(), source.sourceCrs(), context.transformContext(), options
    )
    try:
        if writer.hasError() != QgsVectorFileWriter.NoError:
            raise QgsProcessingException(f"The temporary shapefile {path} could not be written: {writer.errorMessage()}")
        count = 0
        for feature in source.getFeatures(request):
            if feedback is not None and feedback.isCanceled():
                break
            out = QgsFeature(fields)
            out.setGeometry(feature.geometry())
            out.setAttributes(feature.attributes())
            if not writer.addFeature(out):
                raise QgsProcessingException(
                    f"The temporary shapefile {path} could not take a feature: {writer.errorMessage()}"
                )
            count += 1
        writer = None  # closes the shapefile
    except Exception:
        writer = None
        temp_dir.cleanup()
        raise
    if feedback is not None:
        feedback.pushInfo(f"{count} features copied to the temporary shapefile {path}")
        for old, new in renamed.items():
            feedback.pushInfo(f"The field {old} is {new} in the temporary shapefile")
    if feedback is not None and feedback.isCanceled():
        temp_dir.cleanup()
        raise QgsProcessingException("Cancelled before tarvik-cli was started")
    return ShapefileInput(path, renamed, temp_dir)
