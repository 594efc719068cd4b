#!/usr/bin/env bash
# installer/build_msi.sh BIN x64|x86 [VERSION]: builds BIN/vokAutoSave412-<arch>.msi
# from the binaries of one Windows build with Debian's wixl. With VERSION (an
# older or newer package for the upgrade test), the package has that version
# and is named vokAutoSave412-<arch>-<VERSION>.msi.
set -euo pipefail
bin=$(realpath "$1") arch=$2 version=${3:-}
# The package's version; the product is 4.1.2.
win64=$([ "$arch" = x64 ] && echo yes || echo no)
here=$(realpath "$(dirname "$0")")
name=vokAutoSave412-$arch${version:+-$version}.msi
# wixl takes the file sources relative to the folder it runs in.
cd "$bin"
wixl -a "$arch" -I "$here" -D Bin=. -D Win64="$win64" -D Version="${version:-4.1.2}" -o "$name" \
    "$here/vokAutoSave412.wxs"
echo "$bin/$name"
