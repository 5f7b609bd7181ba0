#!/usr/bin/env bash
# The Windows programs and their tests: cross-builds tessaly-convert.exe,
# tessaly.exe and the test suites with mingw-w64 over the libraries of
# scripts/build-windows-deps.sh, runs every suite under wine, and checks that
# the programs' outputs are the Linux build's, byte for byte: the command
# line on every document of tests/data and the sample, the settings read
# from the registry, and the desktop application converting the sample.
#   scripts/test-windows.sh [linux-build-folder]   (default: build, made if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
linux=${1:-build}
jobs=$(nproc)

prefix=$(scripts/build-windows-deps.sh)
source scripts/common.sh
install_packages xvfb openbox xdotool imagemagick

# The Linux programs the outputs are compared with (and whose make-manual
# makes the manual the Windows application carries).
if [ ! -x "$linux/bin/tessaly-convert" ] || [ ! -x "$linux/bin/make-manual" ]; then
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$linux" -j "$jobs" --target tessaly-convert make-manual
fi
linux=$(cd "$linux" && pwd)

echo "== Windows build"
# A build over another folder of libraries (older versions) starts anew.
if [ -f build-windows/CMakeCache.txt ] && ! grep -q "^CMAKE_PREFIX_PATH:[A-Z]*=$prefix\$" build-windows/CMakeCache.txt; then
  rm -rf build-windows
fi
corpus=()
[ -d ../shared/corpus ] && corpus=(-DTESSALY_CORPUS_DIR="$(cd ../shared/corpus && pwd)")
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
  -DPKG_CONFIG_ARGN=--static \
  -DTESSALY_HOST_BIN="$linux/bin" "${corpus[@]}" >/dev/null
cmake --build build-windows -j "$jobs"
bin=$here/build-windows/bin
mkdir -p "$bin/translations"
cp "$prefix/translations/qtbase_ja.qm" "$bin/translations/"

# Wine in a prefix of its own, kept beside the libraries' cache.
export WINEPREFIX=${TESSALY_WINEPREFIX:-$(dirname "$prefix")/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -w 2>/dev/null || true
work=$(mktemp -d)
failures=0
display_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$display_pid" ] || kill "$display_pid" 2>/dev/null || true
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "What the failures left: $work"; fi
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

echo "== The test suites under wine"
for suite in platform_tests engine_tests wordproc_tests proof_tests settings_tests cli_tests gui_tests fuzz_regression_tests layer_tests; do
  if wine "$bin/$suite.exe" --gtest_brief=1 >"$work/$suite.log" 2>&1; then
    skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$work/$suite.log")
    echo "$suite: $(sed -n 's/^\[  PASSED  \] \([0-9]*\).*/\1/p' "$work/$suite.log") passed, ${skipped:-0} skipped"
  else
    cat "$work/$suite.log"
    fail "$suite"
  fi
done

echo "== tessaly-convert.exe against the Linux build"
# Each document converted by both programs from the same folder with the
# same arguments, into folders of their own; outputs and messages compared.
documents=(samples/sample-manuscript.doc tests/data/*.doc tests/data/*.docx tests/data/aozora/*.txt)
compare_run() {  # name arguments...
  local name=$1
  shift
  mkdir -p "$work/$name/linux" "$work/$name/windows"
  "$linux/bin/tessaly-convert" -o "$work/$name/linux" "$@" >"$work/$name/linux.out" 2>"$work/$name/linux.err" || true
  wine "$bin/tessaly-convert.exe" -o "$work/$name/windows" "$@" >"$work/$name/windows.out" 2>"$work/$name/windows.err" || true
  # The messages name the output folder as given, joined to the file's name
  # with each system's separator, and say how long each file took.
  local system
  for system in linux windows; do
    sed -i "s#$work/$name/$system[/\\]#OUT/#g; s/（[0-9.]* 秒）/（… 秒）/g" "$work/$name/$system.out" "$work/$name/$system.err"
  done
  if ! diff -r "$work/$name/linux" "$work/$name/windows" >/dev/null; then
    diff -r "$work/$name/linux" "$work/$name/windows" | head -n 5 || true
    fail "outputs of $name"
  fi
  local stream
  for stream in out err; do
    if ! cmp -s "$work/$name/linux.$stream" "$work/$name/windows.$stream"; then
      diff "$work/$name/linux.$stream" "$work/$name/windows.$stream" | head -n 10 || true
      fail "standard $stream of $name"
    fi
  done
}
compare_run defaults --defaults --proof "${documents[@]}"
compare_run options --defaults --mac --narou-ruby --no-footnotes --no-numbers "${documents[@]}"
echo "$(ls "$work/defaults/windows" | wc -l) and $(ls "$work/options/windows" | wc -l) files compared"

echo "== Settings from the registry"
# The values an older installation left: tessaly-convert.exe reads them
# where the Linux build reads its settings file.
key='HKCU\Software\VB and VBA Program Settings\Mivra_App\Tessaly03'
wine reg delete "$key" /f >/dev/null 2>&1 || true
for pair in Combo1=1 Check2=0 Check6=1; do
  wine reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
done
mkdir -p "$work/config/Mivra_App" "$work/stored/linux" "$work/stored/windows"
printf '[Tessaly03]\nCombo1=1\nCheck2=0\nCheck6=1\n' >"$work/config/Mivra_App/Mivra_App.ini"
# Both say the same of the keys that are missing (the later ones read their defaults).
XDG_CONFIG_HOME=$work/config "$linux/bin/tessaly-convert" -q -o "$work/stored/linux" samples/sample-manuscript.doc \
  tests/data/ManuscriptFeatures.docx 2>"$work/stored/linux.err"
wine "$bin/tessaly-convert.exe" -q -o "$work/stored/windows" samples/sample-manuscript.doc tests/data/ManuscriptFeatures.docx \
  2>"$work/stored/windows.err"
diff -r "$work/stored/linux" "$work/stored/windows" >/dev/null || fail "the registry's settings"
cmp -s "$work/stored/linux.err" "$work/stored/windows.err" || fail "what the programs say of the stored settings"
mkdir -p "$work/stored/defaults"
"$linux/bin/tessaly-convert" -q --defaults -o "$work/stored/defaults" samples/sample-manuscript.doc tests/data/ManuscriptFeatures.docx
! diff -r "$work/stored/defaults" "$work/stored/windows" >/dev/null || fail "the registry's settings made no difference"

echo "== tessaly.exe converts the sample"
# On its own X display with a window manager. A first start stores every
# setting's default in the registry; then, as an older installation would
# have left them, the folder of the sample and group ruby are stored, and
# the second start shows that folder with the sample selected. Its run
# button converts it with the stored settings; the output is the Linux
# build's with the same settings.
screen=77
while [ -e "/tmp/.X11-unix/X$screen" ] || [ -e "/tmp/.X$screen-lock" ]; do screen=$((screen + 1)); done
Xvfb ":$screen" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
display_pid=$!
export DISPLAY=:$screen
sleep 1
openbox >/dev/null 2>&1 &
app=$work/app
mkdir -p "$app/in"
cp "$bin/tessaly.exe" "$bin/使用説明書Win10対応.pdf" "$app/"
cp -r "$bin/translations" "$app/"
cp samples/sample-manuscript.doc "$app/in/"
# The main window, once the splash has gone: the one visible window of its title.
main_window() {
  local ids
  for _ in $(seq 90); do
    ids=$(xdotool search --onlyvisible --name '^Tessaly .*対応' 2>/dev/null || true)
    if [ "$(printf '%s\n' "$ids" | grep -c .)" = 1 ] &&
       [ "$(xdotool getwindowgeometry "$ids" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')" -ge 600 ]; then
      echo "$ids"
      return 0
    fi
    sleep 1
  done
  return 1
}
# A message box (titled Tessaly alone).
message_box() {
  for _ in $(seq 90); do
    xdotool search --onlyvisible --name '^Tessaly$' 2>/dev/null | head -n 1 | grep . && return 0
    sleep 1
  done
  return 1
}
wine reg delete "$key" /f >/dev/null 2>&1 || true
(cd "$app" && exec wine tessaly.exe >"$work/app-first.log" 2>&1) &
disown
main_window >/dev/null || fail "tessaly.exe showed no main window"
wineserver -k 2>/dev/null || true
wine reg query "$key" /v Combo8 >/dev/null 2>&1 || fail "tessaly.exe stored no settings"
folder=$(winepath -w "$app/in" | tr -d '\r')
for pair in "ResumeFolder=1" "DriveName=Z:" "DirName=$folder" "File_Item=*.doc" "Combo1=1"; do
  wine reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
done
(cd "$app" && exec wine tessaly.exe >"$work/app.log" 2>&1) &
disown
if window=$(main_window); then
  import -window root "$work/desktop.png" 2>/dev/null || true
  # 実行, at its place in the window's layout.
  xdotool mousemove --window "$window" 654 96 click 1
  if box=$(message_box); then
    xdotool windowactivate --sync "$box" key Return
  fi
  for _ in $(seq 60); do
    [ -f "$app/RubyData/sample-manuscript_ruby.txt" ] && break
    sleep 1
  done
  mkdir -p "$work/desktop"
  "$linux/bin/tessaly-convert" -q --defaults --ruby-style group -o "$work/desktop" samples/sample-manuscript.doc
  if ! cmp -s "$app/RubyData/sample-manuscript_ruby.txt" "$work/desktop/sample-manuscript_ruby.txt"; then
    import -window root "$work/desktop-run.png" 2>/dev/null || true
    fail "tessaly.exe's output of the sample (screens: $work/desktop*.png)"
  fi
else
  import -window root "$work/desktop.png" 2>/dev/null || true
  fail "tessaly.exe showed no main window after its first start"
fi

if [ "$failures" -gt 0 ]; then
  echo "Windows: $failures failed"
  exit 1
fi
echo "Windows: every suite passed, every output the Linux build's"
