"""The Processing provider "tarvik" with one algorithm per command."""

from qgis.core import QgsProcessingProvider

from .algorithms import AreaAlgorithm, IndexAlgorithm, SheetAlgorithm
from .make_index import MakeIndexAlgorithm
from .sheet_info import SheetInfoAlgorithm


class TarvikProvider(QgsProcessingProvider):
    def id(self):
        return "tarvik"

    def name(self):
        return "Tarvik"

    def longName(self):  # noqa: N802
        return "Tarvik map sheet frames"

    def loadAlgorithms(self):  # noqa: N802
        for cls in (SheetAlgorithm, IndexAlgorithm, AreaAlgorithm, MakeIndexAlgorithm, SheetInfoAlgorithm):
            self.addAlgorithm(cls())
