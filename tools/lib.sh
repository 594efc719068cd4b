# Shared by the tools/ commands. Source it; do not run it.
# BUILD_DIR (default: build/ in the checkout) holds every build and the
# project's private Wine prefix.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
NATIVE_DIR=$BUILD_DIR/native
NATIVE_CLANG_DIR=$BUILD_DIR/native-clang
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
      binutils-mingw-w64-x86-64 fp-utils python3 clang libclang-rt-dev wixl msitools
      lld clang-format clang-tidy cppcheck git)

# Compared whole rather than piped into grep -q: with pipefail, grep's early
# exit can fail the writer with SIGPIPE.
installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = 'install ok installed' ]
}

ensure_deps() {
    local missing=()
    for p in "${DEPS[@]}"; do
        installed "$p" || missing+=("$p")
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

# Whether the kernel runs 32-bit x86 programs: a 93-byte ELF that exits 0.
can_run_32bit() {
    local probe
    probe=$(mktemp)
    printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
    chmod +x "$probe"
    local result=0
    "$probe" 2>/dev/null || result=1
    rm -f "$probe"
    return $result
}

# 32-bit Wine runs the i686 build; Debian ships it as wine32 of the i386
# architecture, which multiarch must enable first.
ensure_wine32() {
    if ! can_run_32bit; then
        say "THIS MACHINE CANNOT RUN 32-BIT PROGRAMS (no 32-bit support in the kernel)"
        return 1
    fi
    if ! installed wine32:i386; then
        if [ "$(id -u)" -ne 0 ]; then
            echo "missing Debian package: wine32:i386 (run as root to install it)" >&2
            return 1
        fi
        say "installing wine32:i386"
        dpkg --add-architecture i386
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >/dev/null
    fi
    # Installed, /usr/bin/wine starts every program with the 32-bit loader: on
    # a kernel that cannot run 32-bit code no Wine program would run at all.
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        say "THIS MACHINE CANNOT RUN 32-BIT PROGRAMS: wine32:i386 removed again"
        [ "$(id -u)" -eq 0 ] && DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 libwine:i386 >/dev/null
        return 1
    fi
}

# build_native [clang]: the core and its unit tests, with g++ in build/native
# or with clang in build/native-clang.
build_native() {
    local dir=$NATIVE_DIR compilers=()
    if [ "${1:-}" = clang ]; then
        dir=$NATIVE_CLANG_DIR
        compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
    fi
    say "native build${1:+ with $1} (sanitizers on)"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DAUTOSAVE_WERROR=ON "${compilers[@]}" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

# build_windows x86_64|i686 [clang] [TARGET...]: the Windows binaries with
# MinGW-w64's GCC in build/<arch>, or with clang and lld in build/clang-<arch>;
# everything, or only the targets named.
build_windows() {
    local arch=$1 dir=$BUILD_DIR/$1 toolchain=toolchain-mingw-$1 compiler=""
    shift
    if [ "${1:-}" = clang ]; then
        compiler=clang
        dir=$BUILD_DIR/clang-$arch
        toolchain=toolchain-clang-mingw-$arch
        shift
    fi
    say "MinGW-w64 $arch build${compiler:+ with $compiler}${*:+ of $*}"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DAUTOSAVE_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain.cmake" >/dev/null
    cmake --build "$dir" -j "$JOBS" ${1:+--target "$@"}
}

# What the demo runs: the add-in, its language libraries, the
# components and the host, without the test programs and benchmarks.
SHIPPED_TARGETS=(vokAutoSave412 vokAutoSave_ENU vokAutoSave_DEU vokAutoSave_JPN ErrorReporter
                 ResourceLibraryLocator ZelCmCtl ApplicationLocator tessaline)

winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"; }

# The prefix is created once and reused; the components are registered
# afresh each time so that the registry names the binaries just built.
# prepare_prefix [BIN]: registers the binaries of BIN (default: the x86-64 build).
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
    register_components "${1:-$BIN64}"
}

register_components() {
    local bin=${1:-$BIN64}
    say "registering the components in the Wine prefix"
    wine regsvr32 /s "$(winpath "$bin/ErrorReporter.dll")"
    wine regsvr32 /s "$(winpath "$bin/ResourceLibraryLocator.dll")"
    wine regsvr32 /s "$(winpath "$bin/ZelCmCtl.ocx")"
    wine regsvr32 /s "$(winpath "$bin/ApplicationLocator.dll")"
    wine "$(winpath "$bin/tessaline.exe")" /regserver
    wine "$(winpath "$bin/tessaline.exe")" /regaddin "$(winpath "$bin/vokAutoSave412.dll")" vokAutoSave412.CAddIn
}

# The i686 build's host scenarios under 32-bit Wine, in a 32-bit prefix of
# their own (created once, reused). Without 32-bit Wine they are skipped,
# loudly, and the rest of the run goes on.
run_i686_scenarios() {
    if ! ensure_wine32; then
        printf '\033[1;31m!! 32-bit Wine cannot run here: the i686 host scenarios were NOT run\033[0m\n' >&2
        return 0
    fi
    (
        export WINEPREFIX=$BUILD_DIR/wineprefix32 WINEARCH=win32
        trap 'wineserver -k 2>/dev/null || true' EXIT
        prepare_prefix "$WIN32_DIR/bin"
        ctest --test-dir "$WIN32_DIR" --output-on-failure -R '^(addin_in_host|settings_dialog)$'
    )
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
