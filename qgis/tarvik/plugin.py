"""The plugin object QGIS loads: it only registers the Processing provider."""

from qgis.core import QgsApplication

from .provider import TarvikProvider


class TarvikPlugin:
    def __init__(self, iface):
        self.iface = iface
        self.provider = None

    # Called by qgis_process as well as by the application, before initGui.
    def initProcessing(self):  # noqa: N802
        if self.provider is None:
            self.provider = TarvikProvider()
            QgsApplication.processingRegistry().addProvider(self.provider)

    def initGui(self):  # noqa: N802
        self.initProcessing()

    def unload(self):
        if self.provider is not None:
            QgsApplication.processingRegistry().removeProvider(self.provider)
            self.provider = None
