# Shared by the tools/ commands. Source it; do not run it.
# BUILD_DIR (default: build/ in the checkout) holds every build and the
# project's private Wine prefix.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
NATIVE_DIR=$BUILD_DIR/native
WIN64_DIR=$BUILD_DIR/x86_64
WIN32_DIR=$BUILD_DIR/i686
BIN64=$WIN64_DIR/bin
export WINEPREFIX=$BUILD_DIR/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
JOBS=${JOBS:-2}

say() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }

# Debian packages the build and the tests need; installed when missing.
DEPS=(cmake g++ make googletest libgtest-dev libbenchmark-dev
      mingw-w64 mingw-w64-tools libwine-dev wine wine64 xvfb xauth
      binutils-mingw-w64-x86-64 fp-utils python3 clang libclang-rt-dev)

ensure_deps() {
    local missing=()
    for p in "${DEPS[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing Debian packages: ${missing[*]} (run as root to install them)" >&2
        return 1
    fi
    say "installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

build_native() {
    say "native build (sanitizers on)"
    cmake -S "$ROOT" -B "$NATIVE_DIR" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$NATIVE_DIR" -j "$JOBS"
}

# build_windows x86_64|i686
build_windows() {
    local arch=$1 dir=$BUILD_DIR/$1
    say "MinGW-w64 $arch build"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-$arch.cmake" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"; }

# The prefix is created once and reused; the components are registered
# afresh each time so that the registry names the binaries just built.
prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        say "creating the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    # Without a window manager Wine waits for every window it maps;
    # unmanaged windows keep the dialog tests fast.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # Title-bar buttons are drawn with Marlett; Wine did not find Debian's
    # copy outside the prefix's own font folder.
    local marlett=/usr/share/wine/fonts/marlett.ttf fonts=$WINEPREFIX/drive_c/windows/Fonts
    [ -f "$marlett" ] && [ ! -f "$fonts/marlett.ttf" ] && mkdir -p "$fonts" && cp "$marlett" "$fonts/"
    register_components
}

register_components() {
    say "registering the components in the Wine prefix"
    wine regsvr32 /s "$(winpath "$BIN64/ErrorReporter.dll")"
    wine regsvr32 /s "$(winpath "$BIN64/ResourceLibraryLocator.dll")"
    wine regsvr32 /s "$(winpath "$BIN64/ZelCmCtl.ocx")"
    wine regsvr32 /s "$(winpath "$BIN64/ApplicationLocator.dll")"
    wine "$(winpath "$BIN64/tessaline.exe")" /regserver
    wine "$(winpath "$BIN64/tessaline.exe")" /regaddin "$(winpath "$BIN64/vokAutoSave412.dll")" vokAutoSave412.CAddIn
}

XVFB_PID=""
start_xvfb() {
    [ -n "${DISPLAY:-}" ] && [ -z "$XVFB_PID" ] && xdpyinfo >/dev/null 2>&1 && return 0
    local n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
        kill "$XVFB_PID" 2>/dev/null || true
    done
    echo "could not start Xvfb" >&2
    return 1
}

# Stops only what this script started: our prefix's wineserver and our Xvfb.
stop_session() {
    wineserver -k 2>/dev/null || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
