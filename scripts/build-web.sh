#!/usr/bin/env bash
# Builds the browser edition with Debian's emscripten: the page
# build-web/web/tessaly.html and the engine, reader and proof suites as
# WebAssembly for node. zlib, pugixml and libzip (from Debian's source
# packages) and GoogleTest (Debian's own source) are built with emcc once
# into a folder outside the clone, named after the versions of what went
# into them, so that a later run reuses them.
#   scripts/build-web.sh [BUILD_DIR]      (default build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
build=${1:-build-web}

source scripts/common.sh
install_packages emscripten nodejs dpkg-dev ninja-build cmake pkg-config libgtest-dev
# Debian's emscripten finds its node modules (acorn) only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs

# The folder's name: the source packages' versions, the compiler's and the
# recipe's number (raised whenever what is built below, or how, changes).
recipe=1
key=$( { for p in zlib1g-dev libpugixml-dev libzip-dev libgtest-dev; do echo "$p $(package_version "$p")"; done
         emcc --version | head -n 1
         echo "recipe $recipe"; } | sha256sum | cut -c1-16)
prefix=$tessaly_cache/web-$key

if [ ! -f "$prefix/.complete" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  rm -rf "$prefix"
  mkdir -p "$prefix"
  jobs=$(nproc)
  enable_source_packages
  (cd "$work" && apt-get source -qq zlib pugixml libzip >&2)

  cmake_build() {  # source build-folder options...
    local src=$1 dir=$2
    shift 2
    emcmake cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF -DCMAKE_CXX_FLAGS=-fexceptions "$@" >&2
    cmake --build "$dir" -j "$jobs" >&2
    cmake --install "$dir" >&2
  }

  echo "== zlib (emscripten)" >&2
  # The dfsg source has no win32 folder, which its CMake file names; its
  # own configure script serves.
  (cd "$(ls -d "$work"/zlib-*/)" && emconfigure ./configure --static --prefix="$prefix" >&2 && emmake make -j "$jobs" install >&2)
  echo "== pugixml (emscripten)" >&2
  cmake_build "$(ls -d "$work"/pugixml-*/)" "$work/pugixml-build" -DPUGIXML_BUILD_TESTS=OFF
  echo "== libzip (emscripten)" >&2
  # Its check of off_t's size runs under node and answers wrongly; wasm32's is 8.
  cmake_build "$(ls -d "$work"/libzip-*/)" "$work/libzip-build" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" -DHAVE_SIZEOF_OFF_T=TRUE -DSIZEOF_OFF_T=8
  # Only static libraries are built here: libzip's users link zlib as well.
  sed -i 's/^\(Libs:.*-lzip\)$/\1 -lz/' "$prefix/lib/pkgconfig/libzip.pc"
  echo "== GoogleTest (emscripten)" >&2
  cmake_build /usr/src/googletest "$work/gtest-build" -Dgtest_disable_pthreads=ON
  touch "$prefix/.complete"
fi

corpus=()
[ -d ../shared/corpus ] && corpus=(-DTESSALY_CORPUS_DIR="$(cd ../shared/corpus && pwd)")
# A build folder made over another folder of libraries starts anew.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q "^CMAKE_FIND_ROOT_PATH:.*=$prefix\$" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig emcmake cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "${corpus[@]}" >&2
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake --build "$build" -j "$(nproc)" >&2
echo "$here/$build/web/tessaly.html"
