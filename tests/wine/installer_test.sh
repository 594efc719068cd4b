#!/usr/bin/env bash
# installer_test.sh BIN: the x64 package in a fresh Wine prefix: another
# product that shares the error reporter and the locator installed first, an
# older package then replaced by a silent install of this one, one autosave
# pass of the reference host with the installed add-in, a silent uninstall
# that removes all of the package and leaves the shared components to the
# other product, which takes them along when it goes.
set -uo pipefail
bin=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=$(dirname "$bin")/wineprefix-installer WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
failed=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }
winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"; }
# Queries name the 64-bit view (/reg:64): with 32-bit Wine installed, `wine reg`
# starts the 32-bit reg.exe, which sees the 32-bit view of the registry.
# The products installed under the package's name, one "DisplayVersion" line each.
installed_versions() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 2>/dev/null | tr -d '\r' |
        awk 'function flush() { if (ours) print version; ours = 0; version = "" }
             /^HKEY/ { flush() } /DisplayName.*Morvane AutoSave AddIn/ { ours = 1 } /DisplayVersion/ { version = $NF }
             END { flush() }'
}

msi=$("$root/installer/build_msi.sh" "$bin" x64) || { echo "FAILED: package not built"; exit 1; }
older=$("$root/installer/build_msi.sh" "$bin" x64 4.1.1) || { echo "FAILED: older package not built"; exit 1; }
other=$bin/other_product.msi
(cd "$bin" && wixl -a x64 -I "$root/installer" -D Bin=. -o "$other" "$root/tests/wine/other_product.wxs") ||
    { echo "FAILED: other product not built"; exit 1; }
rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1; wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Morvane/vokAutoSave412"
shared="$WINEPREFIX/drive_c/Program Files/Common Files/Morvane"
keys=('HKCR\CLSID\{646115AB-7AD3-4D90-9CC0-70E58FE820D8}' 'HKCR\CLSID\{1FE50CD5-B4BF-4968-A693-236DAE866206}'
      'HKCR\vokAutoSave412.CAddIn' 'HKCR\vokAutoSave412.CCommand' 'HKCR\TypeLib\{9A37B177-E23C-4EA2-92B2-2897D1855963}'
      'HKCR\Interface\{1A242181-3DC5-4C82-A784-B62179E9FEA1}' 'HKCR\Interface\{7112AA52-3C67-4E97-852A-CEA36C71B791}')
sharedKeys=('HKCR\CLSID\{E043441C-B12E-11D6-8148-0050DAC52F62}' 'HKCR\CLSID\{0D4E9856-EB60-4171-8EAC-0FCCBD3971C0}'
            'HKCR\Morvane.ErrorReporter' 'HKCR\Morvane.ResourceLibraryLocator')
addins='HKLM\Software\Morvane\Applications\Tessaline.Application\AddIns'

check "the other product installed" 'wine msiexec /i "$(winpath "$other")" /qn'
wineserver -w
check "older package installed" 'wine msiexec /i "$(winpath "$older")" /qn'
wineserver -w
check "older package listed" '[ "$(installed_versions)" = 4.1.1 ]'
check "silent install" 'wine msiexec /i "$(winpath "$msi")" /qn'
wineserver -w
check "the newer package replaced the older one" '[ "$(installed_versions)" = 4.1.2 ]'
for f in vokAutoSave412.dll vokAutoSave_ENU.dll vokAutoSave_DEU.dll vokAutoSave_JPN.dll tessaline.chm; do
    check "$f installed" '[ -f "$installed/$f" ]'
done
for f in ErrorReporter.dll ResourceLibraryLocator.dll; do check "$f installed" '[ -f "$shared/$f" ]'; done
for k in "${keys[@]}" "${sharedKeys[@]}"; do check "$k registered" 'wine reg query "$k" /reg:64 >/dev/null 2>&1'; done
check "listed for the host, for every user" 'wine reg query "$addins" /v vokAutoSave412.CAddIn /reg:64 >/dev/null 2>&1'

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
check "nothing of the package listed" '[ -z "$(installed_versions)" ]'
check "install folder removed" '[ ! -e "$(dirname "$installed")" ]'
for k in "${keys[@]}"; do check "$k removed" '! wine reg query "$k" /reg:64 >/dev/null 2>&1'; done
check "host listing removed" '! wine reg query "$addins" /v vokAutoSave412.CAddIn /reg:64 >/dev/null 2>&1'
# The other product still uses the shared components.
for f in ErrorReporter.dll ResourceLibraryLocator.dll; do check "$f kept for the other product" '[ -f "$shared/$f" ]'; done
for k in "${sharedKeys[@]}"; do check "$k kept for the other product" 'wine reg query "$k" /reg:64 >/dev/null 2>&1'; done
check "the other product removed" 'wine msiexec /x "$(winpath "$other")" /qn'
wineserver -w
check "shared folder removed with its last user" '[ ! -e "$shared" ]'
for k in "${sharedKeys[@]}"; do check "$k removed with its last user" '! wine reg query "$k" /reg:64 >/dev/null 2>&1'; done
wineserver -k 2>/dev/null
exit $failed
