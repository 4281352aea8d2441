#!/usr/bin/env bash
# Cross-builds Debian's Zstandard library (static, single-threaded, no programs) for i686
# Windows, once. Usage: build-zstd.sh <deps-dir>; installs into <deps-dir>/zstd-i686.
set -euo pipefail

deps=${1:?usage: build-zstd.sh <deps-dir>}
mkdir -p "$deps" && deps=$(cd "$deps" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prefix="$deps/zstd-i686"

if [ -f "$prefix/lib/libzstd.a" ] && [ -f "$prefix/include/zstd.h" ]; then
  exit 0
fi

mkdir -p "$deps/src"
cd "$deps/src"
if ! ls -d libzstd-*/ >/dev/null 2>&1; then
  echo "[deps] fetching the source of Debian's libzstd (apt-get source)"
  if ! apt-get source -qq libzstd >apt-source-zstd.log 2>&1; then
    cat apt-source-zstd.log >&2
    echo "[deps] error: cannot fetch the source of libzstd with 'apt-get source'." >&2
    echo "[deps] Debian's deb-src lines must be configured (scripts/setup adds them) and the" >&2
    echo "[deps] package archive must be reachable. Stopping." >&2
    exit 1
  fi
fi
src=$(ls -d "$deps"/src/libzstd-*/ | head -n 1)

echo "[deps] cross-building zstd for i686 from $src"
build="$deps/zstd-i686-build"
rm -rf "$build"
cmake -S "$src/build/cmake" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-msse2" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_STATIC=ON -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF \
  -DZSTD_BUILD_CONTRIB=OFF -DZSTD_MULTITHREAD_SUPPORT=OFF -DZSTD_LEGACY_SUPPORT=OFF >"$deps/zstd-configure.log" 2>&1 \
  || { cat "$deps/zstd-configure.log" >&2; exit 1; }
cmake --build "$build" >"$deps/zstd-build.log" 2>&1 \
  || { tail -n 40 "$deps/zstd-build.log" >&2; exit 1; }
cmake --install "$build" >/dev/null
rm -rf "$build"
echo "[deps] zstd installed in $prefix"
