"""Putting a run's output into the open project (from the QGIS window only).

Tarvik writes a QGIS project beside every output (x.gpkg.qgs), with a group
per frame and the frames' styles; its layer tree is carried over as it is
into a group named after the output. An output written without a project
gets its layers added one by one (a GeoPackage brings its own styles).
"""

import os

from osgeo import ogr
from qgis.core import (
    QgsLayerDefinition,
    QgsProject,
    QgsReadWriteContext,
    QgsVectorLayer,
)
from qgis.PyQt.QtXml import QDomDocument


def running_in_window():
    try:
        from qgis.utils import iface
    except ImportError:
        return False
    return iface is not None


def load_output(project, output, written_project, group_name=None):
    """Adds the layers of a run to `project` in a new group at the top of
    its layer tree; returns the group. Raises RuntimeError with QGIS's
    reason when the project beside the output cannot be read."""
    name = group_name or os.path.basename(output)
    if written_project and os.path.isfile(written_project):
        return _load_project_tree(project, written_project, name)
    group = project.layerTreeRoot().insertGroup(0, name)
    dataset = ogr.Open(output)
    if dataset is None:
        raise RuntimeError(f"{output} cannot be read")
    for i in range(dataset.GetLayerCount()):
        layer_name = dataset.GetLayer(i).GetName()
        layer = QgsVectorLayer(f"{output}|layername={layer_name}", layer_name, "ogr")
        if layer.isValid():
            project.addMapLayer(layer, False)
            group.addLayer(layer)
    return group


def _load_project_tree(project, qgs, name):
    written = QgsProject()
    if not written.read(qgs):
        raise RuntimeError(f"{qgs} cannot be read: {written.error()}")
    context = QgsReadWriteContext()
    context.setPathResolver(written.pathResolver())
    document = QDomDocument("qgis-layer-definition")
    ok, message = QgsLayerDefinition.exportLayerDefinition(document, written.layerTreeRoot().children(), context)
    if not ok:
        raise RuntimeError(f"The layers of {qgs} cannot be taken over: {message}")
    group = project.layerTreeRoot().insertGroup(0, name)
    ok, message = QgsLayerDefinition.loadLayerDefinition(document, project, group, context)
    if not ok:
        raise RuntimeError(f"The layers of {qgs} cannot be taken over: {message}")
    written.clear()
    return group
