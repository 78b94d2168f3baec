#!/usr/bin/env bash
# A first day with the window, driven as a person drives it, by keyboard
# under Xvfb: a sheet typed and framed, its frame looked at, then a long
# index run started and cancelled. Screenshots of every step are kept in
# the folder given, to be looked at; the outputs are checked with GDAL.
#
#   walkthrough.sh TARVIK TARVIK_CLI FOLDER
#
# Exits 0 when every step did what it should, 77 (skipped) without Xvfb or
# xdotool.
set -euo pipefail

app=$1 cli=$2 out=$3
for tool in Xvfb xdotool import ogrinfo; do
  command -v "$tool" >/dev/null || { echo "walkthrough: $tool is missing, skipped"; exit 77; }
done
rm -rf "$out" && mkdir -p "$out/data" "$out/program"
# The window keeps its settings beside itself: a copy of its own makes
# every start a first day and leaves the build's settings alone.
cp "$app" "$out/program/tarvik"
app=$out/program/tarvik

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app_pid=
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

fail() { echo "walkthrough: $*" >&2; import -window root "$out/99-failure.png" 2>/dev/null || true; exit 1; }
shot() { import -window root "$out/$1.png"; }
# The shown window whose title matches (a bash regex), by its UTF-8 title:
# a Qt program in a locale this machine lacks writes its Latin-1 title
# garbled, so xdotool's own --name cannot find Chinese titles.
find_window() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [[ "$(xdotool getwindowname "$id" 2>/dev/null)" =~ $1 ]] && { echo "$id"; return 0; }
  done
  return 1
}
# Waits until such a window is shown (seconds, default 20) and focuses it.
wait_window() {
  local limit=${2:-20} id
  for _ in $(seq $((limit * 10))); do
    if id=$(find_window "$1"); then
      xdotool windowfocus --sync "$id" 2>/dev/null || true
      sleep 0.3
      return 0
    fi
    sleep 0.1
  done
  fail "no window \"$1\" after ${limit}s"
}
gone_window() {
  for _ in $(seq 200); do
    find_window "$1" >/dev/null || return 0
    sleep 0.1
  done
  fail "window \"$1\" still open"
}
keys() { xdotool key --delay 60 "$@"; sleep 0.2; }
type_text() { xdotool type --delay 15 "$1"; sleep 0.2; }
# A new window with a home of its own, as on a first day.
start_window() {
  [[ -n "$app_pid" ]] && { kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; }
  rm -rf "$out/home" "$out/program/tarvik.set" && mkdir -p "$out/home"
  HOME="$out/home" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 XDG_RUNTIME_DIR="$out/home" "$app" >"$out/window.log" 2>&1 &
  app_pid=$!
  wait_window '^ArcGISTarvik'
  sleep 0.5
}
# Frames of a per-frame output: one line layer L_NAME each.
frames_in() { ogrinfo -ro -q "$1" 2>/dev/null | grep -c ': L_' || true; }

# 1. A sheet number typed, framed with Enter, its frame looked at.
start_window
shot 01-first-start
keys Left Tab ctrl+a
type_text E45G095066
keys Tab
shot 02-sheet-and-its-neighbours
# From the datum to the output box: zone, method, meridian, 自动, scale, plane.
keys Tab Tab Tab Tab Tab Tab Tab
type_text "$out/data/E45G095066.gpkg"
keys Return
wait_window '^完成$'
shot 03-done
[[ -f "$out/data/E45G095066.gpkg" && -f "$out/data/E45G095066.gpkg.qgs" ]] || fail "no output or project"
[[ $(frames_in "$out/data/E45G095066.gpkg") == 1 ]] || fail "the output holds no frame E45G095066"
keys Return                 # 查看第一幅图廓
wait_window '^预览 E45G095066$'
shot 04-frame-viewer
keys Escape
gone_window '^预览'
wait_window '^完成$'        # the end box comes back
keys Escape
gone_window '^完成$'

# 2. A long index run, cancelled from the keyboard; what was framed stays.
"$cli" make-index --scale 5000 --bbox 88 16 92 16.5 -o "$out/data/sheets.shp" >/dev/null
start_window                # a first start is in 标准图幅文件
keys Tab
type_text "$out/data/sheets.shp"
# From the input box to the output box: 浏览, recent, field, name, where,
# seven parameters, datum, zone, method, meridian, 自动, scale, plane.
keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab
shot 05-index-and-its-sheets
type_text "$out/data/sheets.gpkg"
keys Return
wait_window '^正在生成图廓' 30
sleep 2
shot 06-progress
keys Escape                 # 取消: asks first
wait_window '^终止$'
shot 07-asked-to-stop
keys Tab space              # 确定
wait_window '^已取消$' 60
shot 08-stopped
kept=$(frames_in "$out/data/sheets.gpkg")
(( kept > 0 && kept < 3072 )) || fail "a cancelled run kept $kept of 3072 frames"
keys Escape
gone_window '^已取消$'
wait_window '^ArcGISTarvik'
keys alt+x                  # 退出
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "退出 did not close the window"
app_pid=
echo "walkthrough: every step as expected; screenshots in $out"
