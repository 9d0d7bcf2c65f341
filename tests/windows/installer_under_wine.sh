#!/usr/bin/env bash
# The installer and the zip that scripts/windows-package.sh makes, checked under Wine:
# the zip holds the programs, the help page and the sample lists; a silent install puts them
# under "C:\Program Files\Vesk" with the Start-menu entries, and seeds the player's data folder
# with the sample lists it does not have yet; a silent uninstall takes the files and the
# entries away and leaves the data folder and VeskChat's settings.
#   installer_under_wine.sh INSTALLER.exe ZIP.zip
# Run by scripts/windows-test.sh, with WINEPREFIX set to the Wine setup the tests use.
set -euo pipefail
installer=${1:?usage: installer_under_wine.sh INSTALLER.exe ZIP.zip}
zip=${2:?usage: installer_under_wine.sh INSTALLER.exe ZIP.zip}
: "${WINEPREFIX:?the Wine setup to install into}"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect_file() { [ -f "$1" ] || fail "missing: $1"; }
expect_gone() { [ ! -e "$1" ] || fail "left behind: $1"; }

# wait_until SECONDS COMMAND...: runs COMMAND until it succeeds or SECONDS have passed.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

shipped=(VeskChat.exe VeskServer.exe vesk-relay.exe help.html dice.sai name.nam)

listing=$(unzip -Z1 "$zip")
for file in "${shipped[@]}"; do
    grep -qx "[^/]*/$file" <<<"$listing" || fail "the zip lacks $file"
done

drive_c="$WINEPREFIX/drive_c"
program_dir="$drive_c/Program Files/Vesk"
menu_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vesk"
data_dir="$drive_c/users/$(id -un)/Documents/VeskChat"
shortcuts=(VeskChat.lnk VeskServer.lnk "Vesk ヘルプ.lnk" Uninstall.lnk)
settings='HKCU\Software\Okvi\VeskChat\Info'

# A player who has used VeskChat before: their own dice list and a setting.
rm -rf "$data_dir"
mkdir -p "$data_dir"
players_list=$(mktemp)
trap 'rm -f "$players_list"' EXIT
printf '1D[20]\r\n' >"$players_list"
cp "$players_list" "$data_dir/dice.sai"
wine reg add "$settings" /v WindowX /t REG_DWORD /d 120 /f >/dev/null

timeout 120 wine "$installer" /S || fail "the installer ended with $?"
for file in "${shipped[@]}" Uninstall.exe; do expect_file "$program_dir/$file"; done
for shortcut in "${shortcuts[@]}"; do expect_file "$menu_dir/$shortcut"; done
for program in VeskChat VeskServer; do
    strings -el "$menu_dir/$program.lnk" | grep -qF "\\users\\$(id -un)\\Documents\\VeskChat" ||
        fail "$program.lnk does not start in the data folder"
done
cmp -s "$players_list" "$data_dir/dice.sai" || fail "the installer replaced the player's dice.sai"
cmp -s "$program_dir/name.nam" "$data_dir/name.nam" || fail "the data folder has no sample name.nam"

# The uninstaller copies itself elsewhere, starts that copy and ends at once; the copy does the
# work, the Start-menu entries last.
uninstalled() { [ ! -e "$program_dir" ] && [ ! -e "$menu_dir" ]; }
timeout 60 wine "$program_dir/Uninstall.exe" /S || fail "the uninstaller ended with $?"
wait_until 60 uninstalled || fail "the uninstaller did not finish"
expect_gone "$program_dir"
expect_gone "$menu_dir"
cmp -s "$players_list" "$data_dir/dice.sai" || fail "the uninstaller took the player's dice.sai"
expect_file "$data_dir/name.nam"
wine reg query "$settings" /v WindowX >/dev/null 2>&1 || fail "the uninstaller took VeskChat's settings"

if [ $failures -ne 0 ]; then
    echo "installer under Wine: $failures failures" >&2
    exit 1
fi
echo "installer under Wine: installed, seeded, uninstalled; the data folder and the settings stay"
