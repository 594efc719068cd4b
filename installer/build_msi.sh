#!/usr/bin/env bash
# installer/build_msi.sh BIN x64|x86: builds BIN/vokAutoSave412-<arch>.msi from
# the binaries of one Windows build with Debian's wixl.
set -euo pipefail
bin=$(realpath "$1") arch=$2
win64=$([ "$arch" = x64 ] && echo yes || echo no)
wxs=$(realpath "$(dirname "$0")/vokAutoSave412.wxs")
# wixl takes the file sources relative to the folder it runs in.
cd "$bin"
wixl -a "$arch" -D Bin=. -D Win64="$win64" -o "vokAutoSave412-$arch.msi" "$wxs"
echo "$bin/vokAutoSave412-$arch.msi"
