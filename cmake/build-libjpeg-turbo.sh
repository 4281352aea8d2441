#!/usr/bin/env bash
# Cross-builds Debian's libjpeg-turbo (static, with its SIMD code) for Windows, once per
# architecture. Usage: build-libjpeg-turbo.sh <deps-dir> <i686|x86_64>; installs into
# <deps-dir>/libjpeg-turbo-<arch>.
set -euo pipefail

deps=${1:?usage: build-libjpeg-turbo.sh <deps-dir> <i686|x86_64>}
arch=${2:?usage: build-libjpeg-turbo.sh <deps-dir> <i686|x86_64>}
case "$arch" in i686 | x86_64) ;; *) echo "[deps] error: unknown architecture '$arch'" >&2; exit 1 ;; esac
mkdir -p "$deps" && deps=$(cd "$deps" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prefix="$deps/libjpeg-turbo-$arch"

if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
  exit 0
fi

mkdir -p "$deps/src"
cd "$deps/src"
if ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; then
  echo "[deps] fetching the source of Debian's libjpeg-turbo (apt-get source)"
  if ! apt-get source -qq libjpeg-turbo >apt-source.log 2>&1; then
    cat apt-source.log >&2
    echo "[deps] error: cannot fetch the source of libjpeg-turbo with 'apt-get source'." >&2
    echo "[deps] Debian's deb-src lines must be configured (scripts/setup adds them) and the" >&2
    echo "[deps] package archive must be reachable. Stopping." >&2
    exit 1
  fi
fi
src=$(ls -d "$deps"/src/libjpeg-turbo-*/ | head -n 1)

echo "[deps] cross-building libjpeg-turbo for $arch from $src"
build="$deps/libjpeg-turbo-$arch-build"
rm -rf "$build"
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON -DWITH_JPEG8=OFF \
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >"$deps/libjpeg-turbo-$arch-configure.log" 2>&1 \
  || { cat "$deps/libjpeg-turbo-$arch-configure.log" >&2; exit 1; }
cmake --build "$build" >"$deps/libjpeg-turbo-$arch-build.log" 2>&1 \
  || { tail -n 40 "$deps/libjpeg-turbo-$arch-build.log" >&2; exit 1; }
cmake --install "$build" >/dev/null
rm -rf "$build"
echo "[deps] libjpeg-turbo installed in $prefix"
