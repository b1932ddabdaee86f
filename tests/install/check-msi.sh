#!/bin/sh
# The MSI as a Windows user meets it, under wine's msiexec in the tests' wine prefix (scripts/wine.sh
# sets WINEPREFIX): installed quietly, velmora.exe is in Program Files\Velmora and runs, the Start menu
# has its entry and Add/Remove Programs lists it; uninstalled, nothing of it is left in Program Files,
# the Start menu or the registry.
#   check-msi.sh MSI VERSION
set -u
msi=$1
version=$2
[ -f "$msi" ] || { echo "skipped: no MSI at $msi (wixl makes it)"; exit 77; }
: "${WINEPREFIX:?run through scripts/wine.sh}"
folder="$WINEPREFIX/drive_c/Program Files/Velmora"
# Installed for all users (wixl sets ALLUSERS for the perMachine scope), the entry belongs in the
# common Start menu; wine's msiexec puts it in the user's.
entries="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velmora.lnk
$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmora.lnk"
entry() {
    echo "$entries" | while read -r path; do [ -f "$path" ] && echo "$path"; done
}
package=$(winepath -w "$msi")
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
listed() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
        grep -q "DisplayName.*Velmora"
}

# A prefix that already has it (a run stopped half way) starts clean.
wine msiexec /x "$package" /qn >/dev/null 2>&1

wine msiexec /i "$package" /qn || fail "msiexec /i ended with status $?"
wineserver --wait
[ -f "$folder/velmora.exe" ] || fail "no $folder/velmora.exe"
[ -f "$folder/LICENSE.txt" ] && [ -f "$folder/README.md" ] || fail "no licence or README in $folder"
[ -n "$(entry)" ] || fail "no Start menu entry"
said=$(wine "$folder/velmora.exe" --version | tr -d '\r')
[ "$said" = "velmora $version" ] || fail "the installed program says '$said', not 'velmora $version'"
listed || fail "Add/Remove Programs does not list Velmora"
wine reg query 'HKLM\Software\Velmora' >/dev/null 2>&1 || fail "no HKLM\\Software\\Velmora for the Start menu entry"

wine msiexec /x "$package" /qn || fail "msiexec /x ended with status $?"
wineserver --wait
[ ! -e "$folder" ] || fail "left behind: $(ls -A "$folder" | tr '\n' ' ')"
[ -z "$(entry)" ] || fail "left behind: the Start menu entry $(entry)"
listed && fail "Add/Remove Programs still lists Velmora"
wine reg query 'HKLM\Software\Velmora' >/dev/null 2>&1 && fail "left behind: HKLM\\Software\\Velmora"
[ "$failed" -eq 0 ] && echo "installed, ran and uninstalled $msi cleanly"
exit "$failed"
