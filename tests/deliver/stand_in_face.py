"""A stand-in face under a Windows face's name, for the readers that find
faces by their names (QGIS, and ezdxf through matplotlib)."""
from fontTools.ttLib import TTCollection


def renamed_face(collection, family, postscript, path, member=None):
    """The face of the font collection `collection` whose family name holds
    `member` (the first face when None), saved to `path` with the family
    name `family` and the PostScript name `postscript`."""
    for font in TTCollection(collection).fonts:
        names = font["name"]
        if member is None or member in str(names.getDebugName(1)):
            names.names = [r for r in names.names if r.nameID not in (1, 2, 4, 6, 16, 17)]
            for nid, text in ((1, family), (2, "Regular"), (4, family), (6, postscript)):
                names.setName(text, nid, 3, 1, 0x409)
            font.save(path)
            return path
    raise RuntimeError("%s not found in %s" % (member, collection))
