#!/usr/bin/env bash
# A party under Wine, driven as players drive it: VeskServer.exe and VeskChat.exe under Wine and
# the Linux VeskChat in one party, with keys and the clipboard through xdotool and xclip, and a
# plain TCP participant that checks every line the relay sends, byte for byte in code page 932:
# both joins, a Japanese line from the Wine client (through the clipboard, as an IME would give
# it), a typed line from the Linux client, a roll from the Wine client and its departure. The Wine
# client then saves its log (code page 932, CR LF) and, moved, quits; its place is read back from
# Wine's registry and the restarted client opens there.
#   party_under_wine.sh BUILD LINUX_VESKCHAT [SCREENSHOT.png]
# BUILD is the cross build; SCREENSHOT, when given, gets the two Wine windows in the party. Run
# by scripts/windows-test.sh with WINEPREFIX, DISPLAY and LANG=ja_JP.UTF-8 set (Wine's code
# page follows LANG); VESK_PARTY_PORT picks the port, otherwise a free one is taken.
set -euo pipefail
build=${1:?usage: party_under_wine.sh BUILD LINUX_VESKCHAT [SCREENSHOT.png]}
linux_chat=${2:?usage: party_under_wine.sh BUILD LINUX_VESKCHAT [SCREENSHOT.png]}
screenshot=${3:-}
: "${WINEPREFIX:?the Wine setup to run in}" "${DISPLAY:?an X display}"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/party_steps.sh"

server_exe="$build/server/win/VeskServer.exe"
chat_exe="$build/client/win/VeskChat.exe"
for program in "$server_exe" "$chat_exe" "$linux_chat"; do
    [ -f "$program" ] || { echo "FAIL: no $program" >&2; exit 1; }
done
port=${VESK_PARTY_PORT:-$(python3 -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])')}
work=$(mktemp -d)
trap party_cleanup EXIT
mkdir "$work/wine-chat" "$work/linux-chat" "$work/linux-config"
for dir in wine-chat linux-chat; do cp "$here/../../data/dice.sai" "$here/../../data/name.nam" "$work/$dir"; done

# Where each window opens, so that none covers another: VeskServer.exe is always at the top left.
wine reg add 'HKCU\Software\Okvi\VeskChat\Option' /v Name /t REG_SZ /d アリス /f >/dev/null
for value in PosX=0 PosY=310 Width=600 Height=420; do
    wine reg add 'HKCU\Software\Okvi\VeskChat\Info' /v "${value%=*}" /t REG_DWORD /d "${value#*=}" \
        /f >/dev/null
done
mkdir -p "$work/linux-config/Okvi"
printf '[Info]\nPosX=620\nPosY=0\nWidth=600\nHeight=420\n\n[Option]\nName=ガルド\n' \
    >"$work/linux-config/Okvi/VeskChat.conf"

step "VeskServer.exe starts the relay from its menu and SERV dialog"
start_in server_pid "$work" wine "$server_exe"
server=$(wait_window "$server_pid" '^VeskServer$')
focus "$server"
keys alt+f s
serv=$(wait_window "$server_pid" '^サーバー起動$')
focus "$serv"
type_ascii "$port"
keys Return
observe 127.0.0.1 "$port" 見物人
expect_line "padd見物人"$'\t'0

step "the Wine VeskChat joins through its CONNECT dialog"
start_in wine_chat_pid "$work/wine-chat" wine "$chat_exe"
wine_chat=$(wait_window "$wine_chat_pid" '^VeskChat$')
connect "$wine_chat_pid" "$wine_chat" "$port"
expect_join アリス 1

step "the Linux VeskChat joins through its CONNECT dialog"
start_in linux_chat_pid "$work/linux-chat" env XDG_CONFIG_HOME="$work/linux-config" "$linux_chat"
linux_window=$(wait_window "$linux_chat_pid" '^VeskChat$')
connect "$linux_chat_pid" "$linux_window" "$port"
expect_join ガルド 2

step "a Japanese line from the Wine client, through the clipboard"
say_through_clipboard "$wine_chat" 'こんにちは、①の部屋です'
expect_line 'talkアリス：こんにちは、①の部屋です'

step "a typed line from the Linux client"
say_typed "$linux_window" 'hello from Linux'
expect_line 'talkガルド：hello from Linux'

step "a roll from the Wine client (Ctrl+D, the first entry of dice.sai: 1D[100])"
focus "$wine_chat"
click_chat_input "$wine_chat"
keys ctrl+d
expect_line 'talkアリス：ころりんこ。。。1D[100]' ' = ([1-9][0-9]?|100) = \1'
if [ -n "$screenshot" ]; then
    # Both Wine windows, and Japanese in each: the event log and the chat log.
    import -display "$DISPLAY" -window root -crop 610x740+0+0 +repage "$screenshot"
fi

step "a pasted text of three lines from the Wine client arrives whole, as one line"
say_through_clipboard "$wine_chat" $'一行目\npdel0\n二行目'
expect_line 'talkアリス：一行目 pdel0 二行目'

step "Shift+Tab and Tab in the Wine client: from the chat input to the name box and back"
focus "$wine_chat"
click_chat_input "$wine_chat"
# Back past the participant list and the chat log to the name box, whose name is selected.
keys shift+Tab shift+Tab shift+Tab
type_ascii Bob
keys Tab Tab Tab
type_ascii tab
keys Return
expect_line 'talkBob：tab'

step "the Wine client saves its log: File > ログを保存"
focus "$wine_chat"
# The File menu opens on its first item; down from there (separators are passed over): 切断,
# IPアドレスを表示, ログを保存.
keys alt+f Down Down Down Return
dismiss_message_box "$wine_chat_pid" "$wine_chat"
check_saved_log "$work/wine-chat" \
    'アリス がパーティに参加しました' \
    'アリス：こんにちは、①の部屋です' \
    'ガルド：hello from Linux' \
    'アリス：ころりんこ。。。1D\[100\] = ([1-9][0-9]?|100) = \1'

step "moved, the Wine client quits and keeps its place in the registry"
xdo windowmove --sync "$wine_chat" 300 200
focus "$wine_chat"
keys ctrl+q
wait_exit "$wine_chat_pid" VeskChat.exe
expect_departure アリス 1
expect_registry_number 'HKCU\Software\Okvi\VeskChat\Info' PosX 300
expect_registry_number 'HKCU\Software\Okvi\VeskChat\Info' PosY 200

step "restarted, the Wine client opens where it was"
start_in wine_chat_pid "$work/wine-chat" wine "$chat_exe"
wine_chat=$(wait_window "$wine_chat_pid" '^VeskChat$')
expect_position "$wine_chat" 300 200
focus "$wine_chat"
keys ctrl+q
wait_exit "$wine_chat_pid" VeskChat.exe

step "the Linux client and VeskServer.exe close"
focus "$linux_window"
keys ctrl+q
wait_exit "$linux_chat_pid" VeskChat
expect_departure ガルド 2
focus "$server"
keys alt+F4
wait_exit "$server_pid" VeskServer.exe

party_summary
