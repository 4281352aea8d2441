#!/usr/bin/env bash
# Cross-builds Debian's Zstandard library (static, single-threaded, no programs) for Windows,
# once per architecture. Usage: build-zstd.sh <deps-dir> <i686|x86_64>; installs into
# <deps-dir>/zstd-<arch>.
set -euo pipefail

deps=${1:?usage: build-zstd.sh <deps-dir> <i686|x86_64>}
arch=${2:?usage: build-zstd.sh <deps-dir> <i686|x86_64>}
case "$arch" in i686 | x86_64) ;; *) echo "[deps] error: unknown architecture '$arch'" >&2; exit 1 ;; esac
mkdir -p "$deps" && deps=$(cd "$deps" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
prefix="$deps/zstd-$arch"

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

echo "[deps] cross-building zstd for $arch from $src"
build="$deps/zstd-$arch-build"
# Every processor that runs Windows 10 has SSE2; x86_64 has it as its baseline already.
c_flags=
[ "$arch" = i686 ] && c_flags=-msse2
rm -rf "$build"
cmake -S "$src/build/cmake" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$c_flags" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_STATIC=ON -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF \
  -DZSTD_BUILD_CONTRIB=OFF -DZSTD_MULTITHREAD_SUPPORT=OFF -DZSTD_LEGACY_SUPPORT=OFF >"$deps/zstd-$arch-configure.log" 2>&1 \
  || { cat "$deps/zstd-$arch-configure.log" >&2; exit 1; }
cmake --build "$build" >"$deps/zstd-$arch-build.log" 2>&1 \
  || { tail -n 40 "$deps/zstd-$arch-build.log" >&2; exit 1; }
cmake --install "$build" >/dev/null
rm -rf "$build"
echo "[deps] zstd installed in $prefix"
