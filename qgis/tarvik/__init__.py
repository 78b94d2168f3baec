"""Tarvik's QGIS plugin: a Processing provider running tarvik-cli."""


def classFactory(iface):  # noqa: N802 (the name QGIS looks for)
    from .plugin import TarvikPlugin

    return TarvikPlugin(iface)
