#!/usr/bin/env bash
# Builds the libraries the Windows programs link, for 64-bit Windows with
# mingw-w64, from Debian's own source packages: pugixml, libzip (over
# Debian's mingw zlib), GoogleTest, and a static Qt (Core, Gui, Widgets).
# They go to a folder outside the clone, named after the versions of what
# went into them, so that a later run reuses them and a change of version
# builds them anew.
#   scripts/build-windows-deps.sh        prints the folder, building what is missing
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD

source scripts/common.sh
install_packages g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 dpkg-dev ninja-build cmake qt6-base-dev \
  qt6-base-dev-tools libgtest-dev qt6-translations-l10n

# The versions that make the folder's name: the source packages, the
# compiler, and the recipe below (its number goes up whenever what it
# builds, or how, changes).
recipe=1
key=$( { for p in libpugixml-dev libzip-dev qt6-base-dev libgtest-dev; do echo "$p $(package_version "$p")"; done
         x86_64-w64-mingw32-g++-posix --version | head -n 1
         echo "recipe $recipe"; } | sha256sum | cut -c1-16)
prefix=$tessaly_cache/windows-$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix"
jobs=$(nproc)
toolchain=$here/cmake/mingw-w64.cmake

# The source packages' own trees, with their patches applied.
enable_source_packages
(cd "$work" && apt-get source -qq pugixml libzip qt6-base >&2)

cmake_build() {  # source build-folder options...
  local src=$1 build=$2
  shift 2
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >&2
  cmake --build "$build" -j "$jobs" >&2
  cmake --install "$build" >&2
}

echo "== pugixml" >&2
cmake_build "$(ls -d "$work"/pugixml-*/)" "$work/pugixml-build" -DPUGIXML_BUILD_TESTS=OFF
echo "== libzip" >&2
cmake_build "$(ls -d "$work"/libzip-*/)" "$work/libzip-build" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
echo "== GoogleTest" >&2
cmake_build /usr/src/googletest "$work/gtest-build" -Dgtest_disable_pthreads=OFF
echo "== Qt (Core, Gui, Widgets; static)" >&2
# The host's Qt gives the tools (moc, rcc, uic) the build runs. Debian's
# source has no wintab.h, so tablet input is left out; the Windows platform
# plugin of Qt 6.4 does not build without OpenGL.
cmake_build "$(ls -d "$work"/qt6-base-*/)" "$work/qt-build" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DINPUT_opengl=desktop -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON -DFEATURE_xml=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_libpng=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_sql_sqlite=OFF
# Qt's Japanese translation, for the desktop application to carry.
mkdir -p "$prefix/translations"
cp /usr/share/qt6/translations/qtbase_ja.qm "$prefix/translations/"
touch "$prefix/.complete"
echo "$prefix"
