#!/usr/bin/env bash
# installer_test.sh BIN: the x64 package in a fresh Wine prefix: a silent
# install, one autosave pass of the reference host with the installed add-in,
# a silent uninstall, and nothing of the package left behind.
set -uo pipefail
bin=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$(dirname "$bin")/wineprefix-installer WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
failed=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }
winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"; }

msi=$("$root/installer/build_msi.sh" "$bin" x64) || { echo "FAILED: package not built"; exit 1; }
rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1; wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Morvane/vokAutoSave412"
keys=('HKCR\CLSID\{646115AB-7AD3-4D90-9CC0-70E58FE820D8}' 'HKCR\CLSID\{1FE50CD5-B4BF-4968-A693-236DAE866206}'
      'HKCR\vokAutoSave412.CAddIn' 'HKCR\vokAutoSave412.CCommand' 'HKCR\TypeLib\{9A37B177-E23C-4EA2-92B2-2897D1855963}'
      'HKCR\CLSID\{E043441C-B12E-11D6-8148-0050DAC52F62}' 'HKCR\CLSID\{0D4E9856-EB60-4171-8EAC-0FCCBD3971C0}'
      'HKCR\Interface\{1A242181-3DC5-4C82-A784-B62179E9FEA1}' 'HKCR\Interface\{7112AA52-3C67-4E97-852A-CEA36C71B791}')
addins='HKCU\Software\Morvane\Applications\Tessaline.Application\AddIns'

check "silent install" 'wine msiexec /i "$(winpath "$msi")" /qn'
wineserver -w
for f in vokAutoSave412.dll vokAutoSave_ENU.dll vokAutoSave_DEU.dll vokAutoSave_JPN.dll ErrorReporter.dll \
         ResourceLibraryLocator.dll tessaline.chm; do
    check "$f installed" '[ -f "$installed/$f" ]'
done
# /reg:64: Debian's wine command runs the 32-bit reg once wine32 is installed.
for k in "${keys[@]}"; do check "$k registered" 'wine reg query "$k" /reg:64 >/dev/null 2>&1'; done
check "listed for the host" 'wine reg query "$addins" /v vokAutoSave412.CAddIn >/dev/null 2>&1'

# The host is not part of the package: run it from the build, once.
work=$(mktemp -d)
printf 'open %s\\A.tsd\nmodify A.tsd\nuntil saved A.tsd 30\nexit\n' "$(winpath "$work")" > "$work/script.txt"
(cd "$bin" && wine tessaline.exe /regserver >/dev/null 2>&1 &&
    wine tessaline.exe /script "$(winpath "$work/script.txt")" /log "$(winpath "$work")\\host.log" \
        /setting Minutes=0.02 /setting Documents=All /setting Prompt=Off /setting SaveBackup=Off >/dev/null 2>&1;
    wine tessaline.exe /unregserver >/dev/null 2>&1)
check "the installed add-in saved the drawing" 'grep -q "save A.tsd -> written" "$work/host.log"'
rm -rf "$work"

check "silent uninstall" 'wine msiexec /x "$(winpath "$msi")" /qn'
wineserver -w
check "install folder removed" '[ ! -e "$(dirname "$installed")" ]'
for k in "${keys[@]}"; do check "$k removed" '! wine reg query "$k" /reg:64 >/dev/null 2>&1'; done
check "host listing removed" '! wine reg query "$addins" /v vokAutoSave412.CAddIn >/dev/null 2>&1'
wineserver -k 2>/dev/null
exit $failed
