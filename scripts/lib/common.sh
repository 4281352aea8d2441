# Shared by scripts/test and scripts/run: paths, setup check, Xvfb and the Wine prefix.
# Source it; it defines functions and variables only.

TARVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TARVEL_BUILD="$TARVEL_ROOT/build"
TARVEL_DEPS="$TARVEL_BUILD/deps"

say() { printf '[%s] %s\n' "${TARVEL_SCRIPT:-tarvel}" "$*"; }
fail() { printf '[%s] error: %s\n' "${TARVEL_SCRIPT:-tarvel}" "$*" >&2; exit 1; }

# Runs scripts/setup when a tool or the cross-built libjpeg-turbo is missing.
ensure_setup() {
  local need=
  for tool in cmake ninja g++ i686-w64-mingw32-g++-posix wine Xvfb xdpyinfo xdotool xclip convert clang-format; do
    command -v "$tool" >/dev/null 2>&1 || need=1
  done
  [ -f /usr/include/gtest/gtest.h ] && [ -f /usr/include/benchmark/benchmark.h ] \
    && [ -f /usr/i686-w64-mingw32/lib/libz.a ] && [ -f /usr/include/jpeglib.h ] \
    && [ -f /usr/include/zstd.h ] || need=1
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' || need=1
  if [ -n "$need" ]; then
    say "installing what is missing (scripts/setup)"
    "$TARVEL_ROOT/scripts/setup"
  fi
  "$TARVEL_ROOT/cmake/build-libjpeg-turbo.sh" "$TARVEL_DEPS"
  "$TARVEL_ROOT/cmake/build-zstd.sh" "$TARVEL_DEPS"
}

# Lists the project's C++ files that clang-format (with the project's .clang-format) would
# change; prints nothing when all are formatted.
unformatted_files() {
  local f
  (cd "$TARVEL_ROOT" && git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz -name '*.cpp' -o -name '*.h') |
    while read -r f; do
      clang-format "$TARVEL_ROOT/$f" | cmp -s - "$TARVEL_ROOT/$f" || echo "$f"
    done
}

configure_and_build() {  # $1 = preset
  local preset=$1
  if [ ! -f "$TARVEL_BUILD/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$TARVEL_ROOT" >"$TARVEL_BUILD/configure-$preset.log" 2>&1 \
      || { cat "$TARVEL_BUILD/configure-$preset.log" >&2; fail "configuring '$preset' failed"; }
  fi
  cmake --build "$TARVEL_BUILD/$preset" -- -k 0 || fail "building '$preset' failed"
}

# Everything started below is stopped by stop_all, which the caller runs from a trap.
TARVEL_XVFB_PID=

start_xvfb() {
  local fifo
  fifo=$(mktemp -u /tmp/tarvel-xvfb.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  TARVEL_XVFB_PID=$!
  local display
  if ! read -r -t 20 display <"$fifo"; then
    rm -f "$fifo"
    fail "Xvfb did not start"
  fi
  rm -f "$fifo"
  export DISPLAY=":$display"
  say "virtual display $DISPLAY"
}

use_wine_prefix() {  # $1 = prefix folder name under build/, $2 = "private-desktop" to keep files in it
  export WINEPREFIX="$TARVEL_BUILD/${1:-wine-prefix}"
  export WINEARCH=win32
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts: the program needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.tarvel-ready" ]; then
    say "creating the Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    local t0=$SECONDS
    timeout 300 wineboot -i >"$TARVEL_BUILD/wineboot.log" 2>&1 || { cat "$TARVEL_BUILD/wineboot.log" >&2; fail "wineboot failed"; }
    timeout 120 wineserver -w || true
    touch "$WINEPREFIX/.tarvel-ready"
    say "Wine prefix ready in $((SECONDS - t0)) s"
  fi
  # A program that crashes ends at once with its exit code instead of waiting in winedbg,
  # which here can hold the test run until its time-out.
  if [ ! -f "$WINEPREFIX/.tarvel-no-debugger" ]; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f \
      >/dev/null 2>&1 && touch "$WINEPREFIX/.tarvel-no-debugger"
  fi
  # The program is made for Windows 10 and 11; a fresh prefix says Windows 7.
  if [ ! -f "$WINEPREFIX/.tarvel-win10" ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f >/dev/null 2>&1 \
      && touch "$WINEPREFIX/.tarvel-win10"
  fi
  # Wine links the Windows desktop folder to $HOME; tests and the tour save files there, so
  # their prefixes get a desktop folder of their own.
  if [ "${2:-}" = private-desktop ]; then
    local desktop
    for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
      if [ -L "$desktop" ]; then
        rm -f "$desktop"
        mkdir -p "$desktop"
      fi
    done
  fi
}

stop_all() {
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null 2>&1; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$TARVEL_XVFB_PID" ]; then
    kill "$TARVEL_XVFB_PID" >/dev/null 2>&1 || true
    wait "$TARVEL_XVFB_PID" 2>/dev/null || true
    TARVEL_XVFB_PID=
  fi
}
