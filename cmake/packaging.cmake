# A Debian package of what `cmake --install` installs: `cpack -G DEB` in the
# build folder. The libraries it links are found by dpkg-shlibdeps; what it
# needs at run time without linking it is named here.
set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_CONTACT "Tarvik maintainers <maintainers@tarvik.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "frames of Chinese topographic and thematic map sheets")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvik draws the complete frame of Chinese standard map sheets (neatlines,\n"
    "corner marks and coordinates, kilometre grid, titles and notes, scale bar,\n"
    "adjacent-sheet table, mask ring) in Gauss-Krueger coordinates and writes it\n"
    "as vector data (File Geodatabase, GeoPackage or DXF) with a QGIS project.\n"
    "A window, a command line (tarvik-cli) and a QGIS Processing provider.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME "tarvik_${PROJECT_VERSION}_${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# PROJ's database and GDAL's data come with the libraries' own packages; the
# window needs Qt's platform plugins; the Chinese texts want a CJK face.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "proj-data, gdal-data")
if(TARGET tarvik)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, fonts-wqy-zenhei, qt6-translations-l10n, gdal-bin")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qgis, python3-qgis")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)
include(CPack)
