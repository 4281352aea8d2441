# Shared by the scripts: paths, what the machine can run, setup check, Xvfb and the Wine prefix.
# Source it; it defines functions and variables only.

TARVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TARVEL_BUILD="$TARVEL_ROOT/build"
TARVEL_DEPS="$TARVEL_BUILD/deps"

say() { printf '[%s] %s\n' "${TARVEL_SCRIPT:-tarvel}" "$*"; }
fail() { printf '[%s] error: %s\n' "${TARVEL_SCRIPT:-tarvel}" "$*" >&2; exit 1; }

# Whether this machine runs 32-bit x86 code, found by trying: a 96-byte 32-bit Linux program
# that only exits with code 42. Some kernels are built or booted without 32-bit emulation;
# there no 32-bit Wine can start (not even in its WoW64 mode), so the x86 tiers are skipped.
# The answer is kept for the rest of the run.
TARVEL_RUNS_32BIT=
machine_runs_32bit() {
  if [ -z "$TARVEL_RUNS_32BIT" ]; then
    local probe
    probe=$(mktemp "${TMPDIR:-/tmp}/tarvel-i386-probe.XXXXXX")
    # ELF header, one loadable segment, then: mov eax,1; mov ebx,42; int 0x80
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000T\200\004\0104\000\000\000\000\000\000\000\000\000\000\0004\000 \000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010`\000\000\000`\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273*\000\000\000\315\200' >"$probe"
    chmod +x "$probe"
    "$probe" >/dev/null 2>&1
    if [ $? -eq 42 ]; then TARVEL_RUNS_32BIT=yes; else TARVEL_RUNS_32BIT=no; fi
    rm -f "$probe"
  fi
  [ "$TARVEL_RUNS_32BIT" = yes ]
}

# The Wine loader for an architecture (x64 or x86). Debian's wine wrapper starts the 32-bit
# loader whenever it is installed, even where it cannot run, so the scripts call the loader
# of the architecture under test themselves.
wine_loader() {  # $1 = x64 | x86
  case "$1" in
  x64) echo /usr/lib/wine/wine64 ;;
  x86) echo /usr/lib/wine/wine ;;
  *) fail "unknown architecture '$1'" ;;
  esac
}

# The architectures whose Windows tiers this machine can run, x64 first.
runnable_archs() {
  if machine_runs_32bit; then echo "x64 x86"; else echo x64; fi
}

# Chooses the architecture for what follows: its build folder (TARVEL_BIN), its Wine loader
# (TARVEL_WINE, and WINELOADER for the programs Wine starts itself) and its kind of prefix.
# `wine` and `winepath` in the scripts then mean that architecture's.
use_arch() {  # $1 = x64 | x86
  TARVEL_ARCH=$1
  case "$1" in
  x64) TARVEL_PRESET=win64 WINEARCH=win64 ;;
  x86) TARVEL_PRESET=win32 WINEARCH=win32 ;;
  *) fail "unknown architecture '$1'" ;;
  esac
  TARVEL_BIN="$TARVEL_BUILD/$TARVEL_PRESET/bin"
  TARVEL_WINE=$(wine_loader "$1")
  export WINEARCH
  # Programs that Wine starts find their loader here; the 32-bit one finds its own.
  if [ "$1" = x64 ]; then export WINELOADER="$TARVEL_WINE"; else unset WINELOADER; fi
}
wine() { "$TARVEL_WINE" "$@"; }
winepath() { "$TARVEL_WINE" winepath "$@"; }

# Runs scripts/setup when a tool or a library is missing, then cross-builds libjpeg-turbo and
# zstd for both architectures once.
ensure_setup() {
  local need=
  for tool in cmake ninja g++ x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix Xvfb xdpyinfo xdotool xclip convert clang-format run-clang-tidy makensis zip; do
    command -v "$tool" >/dev/null 2>&1 || need=1
  done
  [ -f /usr/include/gtest/gtest.h ] && [ -f /usr/include/benchmark/benchmark.h ] \
    && [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] && [ -f /usr/i686-w64-mingw32/lib/libz.a ] \
    && [ -f /usr/include/jpeglib.h ] && [ -f /usr/include/zstd.h ] \
    && [ -x "$(wine_loader x64)" ] || need=1
  if machine_runs_32bit; then
    [ -x "$(wine_loader x86)" ] || need=1
  fi
  if [ -n "$need" ]; then
    say "installing what is missing (scripts/setup)"
    "$TARVEL_ROOT/scripts/setup"
  fi
  local arch
  for arch in x86_64 i686; do
    "$TARVEL_ROOT/cmake/build-libjpeg-turbo.sh" "$TARVEL_DEPS" $arch
    "$TARVEL_ROOT/cmake/build-zstd.sh" "$TARVEL_DEPS" $arch
  done
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
  # One prefix per architecture: a 64-bit prefix serves x64 programs, a 32-bit one x86.
  export WINEPREFIX="$TARVEL_BUILD/${1:-wine-prefix}-$TARVEL_ARCH"
  export WINEDEBUG=-all
  # No Mono or Gecko installer prompts: the program needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.tarvel-ready" ]; then
    say "creating the $TARVEL_ARCH Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    local t0=$SECONDS
    timeout 300 "$TARVEL_WINE" wineboot -i >"$TARVEL_BUILD/wineboot.log" 2>&1 || { cat "$TARVEL_BUILD/wineboot.log" >&2; fail "wineboot failed"; }
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

# Wine leaves the windows of the prefix's programs to itself instead of to a window manager.
# A virtual display has none, and Wine then waits 2 s for it each time a shown window goes (a
# message box, a card's window, the notification area's window): the test tiers took three
# times as long for it. Wine draws the windows' frames itself then, as Windows does.
unmanaged_windows() {
  if [ ! -f "$WINEPREFIX/.tarvel-unmanaged" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 \
      && touch "$WINEPREFIX/.tarvel-unmanaged"
  fi
  # The choice is read when Wine's processes start.
  wineserver -k >/dev/null 2>&1
  wineserver -w 2>/dev/null
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
