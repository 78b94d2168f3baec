#!/usr/bin/env bash
# Builds and runs the libFuzzer target of the settings-file reader (clang 14,
# AddressSanitizer and UndefinedBehaviorSanitizer):
#   tests/settings/fuzz/build.sh [seconds]      (default 60)
# The binary and the corpus go to build-fuzz/ at the top of the source tree;
# the corpus starts from a settings file written by the program itself.
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out/corpus"
sources=("$root"/src/settings/*.cpp "$root"/src/common/{delphi,font_desc,gbk,text_util}.cpp "$root"/src/coords/datum.cpp)
flags=(-std=c++20 -O1 -g -I "$root/src")

if [[ ! -f "$out/corpus/seed.set" ]]; then
  cat > "$out/seed.cpp" <<'CPP'
#include <fstream>
#include "settings/settings_apply.h"
#include "settings/settings_file.h"
int main(int, char** argv) {
  tarvik::TFrameSettings s;
  s.morb = "a\r\nb";
  std::ofstream(argv[1], std::ios::binary)
      << tarvik::WriteSettingsDocument(tarvik::BuildSettingsDocument(s));
}
CPP
  clang++-14 "${flags[@]}" "$out/seed.cpp" "${sources[@]}" -o "$out/seed"
  "$out/seed" "$out/corpus/seed.set"
fi

clang++-14 "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  "$root/tests/settings/fuzz/settings_file_fuzz.cpp" "${sources[@]}" -o "$out/settings_file_fuzz"
cd "$out"
./settings_file_fuzz -max_total_time="${1:-60}" -max_len=8192 -timeout=5 corpus
