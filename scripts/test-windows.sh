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
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
for p in xvfb openbox xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$p"
done

# The Linux programs the outputs are compared with (and whose make-manual
# makes the manual the Windows application carries).
if [ ! -x "$linux/bin/tessaly-convert" ] || [ ! -x "$linux/bin/make-manual" ]; then
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$linux" -j "$jobs" --target tessaly-convert make-manual
fi
linux=$(cd "$linux" && pwd)

echo "== Windows build"
corpus=()
[ -d ../shared/corpus ] && corpus=(-DTESSALY_CORPUS_DIR="$(cd ../shared/corpus && pwd)")
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$prefix" -DPKG_CONFIG_ARGN=--static \
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
display_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$display_pid" ] || kill "$display_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

echo "== The test suites under wine"
for suite in platform_tests engine_tests wordproc_tests proof_tests settings_tests cli_tests fuzz_regression_tests layer_tests; do
  if wine "$bin/$suite.exe" --gtest_brief=1 >"$work/$suite.log" 2>&1; then
    echo "$suite: $(grep -c '^\[  SKIPPED \]' "$work/$suite.log" || true) skipped, $(sed -n 's/^\[  PASSED  \] \([0-9]*\).*/\1/p' "$work/$suite.log") passed"
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
  # The folder is named as each system writes it.
  sed -i "s#$(printf '%s' "$work/$name/linux" | sed 's/[.[\*^$#]/\\&/g')#OUT#g" "$work/$name/linux.out" "$work/$name/linux.err"
  local winout
  winout=$(winepath -w "$work/$name/windows" 2>/dev/null | tr -d '\r' | sed 's/[\\.[\*^$#]/\\&/g')
  sed -i "s#$winout#OUT#g; s#$(printf '%s' "$work/$name/windows" | sed 's/[.[\*^$#]/\\&/g')#OUT#g" \
    "$work/$name/windows.out" "$work/$name/windows.err"
  if ! diff -r "$work/$name/linux" "$work/$name/windows" >/dev/null; then
    diff -r "$work/$name/linux" "$work/$name/windows" | head -n 5
    fail "outputs of $name"
  fi
  for stream in out err; do
    if ! cmp -s "$work/$name/linux.$stream" "$work/$name/windows.$stream"; then
      diff "$work/$name/linux.$stream" "$work/$name/windows.$stream" | head -n 10
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
XDG_CONFIG_HOME=$work/config "$linux/bin/tessaly-convert" -q -o "$work/stored/linux" samples/sample-manuscript.doc tests/data/ManuscriptFeatures.docx
wine "$bin/tessaly-convert.exe" -q -o "$work/stored/windows" samples/sample-manuscript.doc tests/data/ManuscriptFeatures.docx
diff -r "$work/stored/linux" "$work/stored/windows" >/dev/null || fail "the registry's settings"
mkdir -p "$work/stored/defaults"
"$linux/bin/tessaly-convert" -q --defaults -o "$work/stored/defaults" samples/sample-manuscript.doc tests/data/ManuscriptFeatures.docx
! diff -r "$work/stored/defaults" "$work/stored/windows" >/dev/null || fail "the registry's settings made no difference"

echo "== tessaly.exe converts the sample"
# On its own X display with a window manager: the settings say to show the
# folder of the sample; the run button converts the file selected there
# with the defaults, and its output is the Linux build's.
Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
display_pid=$!
export DISPLAY=:77
sleep 1
openbox >/dev/null 2>&1 &
app=$work/app
mkdir -p "$app/in"
cp "$bin/tessaly.exe" "$bin/使用説明書Win10対応.pdf" "$app/"
cp -r "$bin/translations" "$app/"
cp samples/sample-manuscript.doc "$app/in/"
wine reg delete "$key" /f >/dev/null 2>&1 || true
folder=$(winepath -w "$app/in" | tr -d '\r')
for pair in "ResumeFolder=1" "DriveName=Z:" "DirName=$folder" "File_Item=*.doc"; do
  wine reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
done
(cd "$app" && wine tessaly.exe >"$work/app.log" 2>&1 &)
window=
for _ in $(seq 60); do
  window=$(xdotool search --name '^ルビ・傍点・割注' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 1
done
if [ -z "$window" ]; then
  import -window root "$work/desktop.png" 2>/dev/null || true
  fail "tessaly.exe showed no main window"
else
  import -window root "${TESSALY_SCREENSHOT:-$work/desktop.png}" 2>/dev/null || true
  xdotool windowactivate --sync "$window" key --clearmodifiers alt+r 2>/dev/null || true
  for _ in $(seq 60); do
    [ -f "$app/RubyData/sample-manuscript_ruby.txt" ] && break
    sleep 1
  done
  mkdir -p "$work/desktop"
  "$linux/bin/tessaly-convert" -q --defaults -o "$work/desktop" samples/sample-manuscript.doc
  cmp -s "$app/RubyData/sample-manuscript_ruby.txt" "$work/desktop/sample-manuscript_ruby.txt" ||
    fail "tessaly.exe's output of the sample"
fi

if [ "$failures" -gt 0 ]; then
  echo "Windows: $failures failed"
  exit 1
fi
echo "Windows: every suite passed, every output the Linux build's"
