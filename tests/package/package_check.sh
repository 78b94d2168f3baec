#!/usr/bin/env bash
# Unpacks a Tarvik Debian package into a temporary root and checks that what
# it installs works from there, with no build folder on PATH: the command
# line draws a sheet and a rectangular sheet with the shipped settings, the
# manual pages render, and the window's files are where the desktop and the
# program look for them.
#   tests/package/package_check.sh tarvik_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "package check: $*" >&2; exit 1; }

dpkg-deb --info "$deb" >/dev/null || fail "not a Debian package: $deb"
version=$(dpkg-deb --field "$deb" Version)
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libgdal libstdc++6 proj-data; do
  [[ $depends == *"$lib"* ]] || fail "Depends does not name $lib: $depends"
done
dpkg-deb -x "$deb" "$root"
usr=$root/usr

for f in bin/tarvik-cli share/man/man1/tarvik-cli.1 share/tarvik/rect_sheets.set share/doc/tarvik/NEWS; do
  [[ -f $usr/$f ]] || fail "missing /usr/$f"
done
if [[ -f $usr/bin/tarvik ]]; then
  for f in share/doc/tarvik/tarvik.html share/applications/tarvik.desktop \
           share/icons/hicolor/scalable/apps/tarvik.svg share/man/man1/tarvik.1; do
    [[ -f $usr/$f ]] || fail "missing /usr/$f beside the window"
  done
  grep -q '^Exec=tarvik$' "$usr/share/applications/tarvik.desktop" || fail "desktop entry does not start tarvik"
fi
if [[ -d $usr/share/qgis/python/plugins ]]; then
  ls "$usr"/share/qgis/python/plugins/*/metadata.txt >/dev/null 2>&1 || fail "QGIS plugin without metadata.txt"
fi

cli=$usr/bin/tarvik-cli
work=$root/work
mkdir -p "$work"
cd "$work"
run() { env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 "$cli" "$@"; }
[[ $(run --version) == "tarvik-cli $version" ]] || fail "--version says '$(run --version)', the package $version"
run sheet J50E001001 -o out/sheet.gpkg >/dev/null || fail "tarvik-cli sheet failed"
run sheet 3810.40-500.75 --scale 500 --datum cgcs2000 --central-meridian 117 \
  --settings "$usr/share/tarvik/rect_sheets.set" -o out/rect.gdb >/dev/null || fail "rectangular sheet failed"
for out in out/sheet.gpkg out/rect.gdb; do
  layers=$(ogrinfo -ro -q "$out" | wc -l)
  ((layers >= 3)) || fail "$out holds $layers layers"
done
man_text=$(MANWIDTH=100 man -l "$usr/share/man/man1/tarvik-cli.1" 2>/dev/null)
for command in sheet index area make-index sheet-info; do
  grep -q "tarvik-cli $command" <<<"$man_text" || fail "the manual page does not describe '$command'"
done
echo "package check: $(basename "$deb") installs and runs ($version)"
