#!/usr/bin/env bash
# The Debian package as a player gets it: builds it from the test command's build, installs
# it with apt on this machine, checks the desktop entries and the relay's systemd unit, and
# starts each program once from its installed path; at the end the package is purged again.
# CI runs it as root on a fresh Debian 12.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

vesk_install_packages "${VESK_PACKAGE_CHECK_PACKAGES[@]}"
began=$SECONDS
"$VESK_ROOT/scripts/package.sh" >/dev/null

fail() {
    echo "package check FAILED: $*" >&2
    exit 1
}

apt_get() {
    DEBIAN_FRONTEND=noninteractive vesk_as_root apt-get -o DPkg::Lock::Timeout=300 -y -q "$@"
}

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
    apt_get purge vesk >/dev/null || echo "package check: could not purge vesk" >&2
}
trap cleanup EXIT

echo "=== Debian package"
deb=$(echo "$VESK_BUILD"/vesk_*.deb)
[ -f "$deb" ] || fail "cpack made no package"
dpkg-deb --field "$deb" Package Version Depends Recommends
apt_get install "$deb" >/dev/null
dpkg-query -W -f='${Status}\n' vesk | grep -q 'install ok installed' || fail "vesk is not installed"

echo "=== desktop entries, icons, help page, systemd unit"
applications=/usr/share/applications
for entry in vesk-chat vesk-server; do
    # Warnings count as well: a menu entry is either clean or wrong.
    problems=$(desktop-file-validate "$applications/$entry.desktop" 2>&1) && [ -z "$problems" ] ||
        fail "$entry.desktop: $problems"
    icon=$(sed -n 's/^Icon=//p' "$applications/$entry.desktop")
    [ -f "/usr/share/icons/hicolor/32x32/apps/$icon.png" ] || fail "no icon $icon"
done
[ -f /usr/share/doc/vesk/help.html ] || fail "no help page"
unit=/usr/lib/systemd/system/vesk-relay.service
systemd-analyze verify "$unit" || fail "vesk-relay.service does not verify"
enabled=$(systemctl is-enabled vesk-relay.service 2>&1) || true
[ "$enabled" = disabled ] || fail "vesk-relay.service is \"$enabled\", not disabled"

echo "=== the two windows, started as the desktop menu and a terminal start them"
# A home of its own, so nothing of the machine's user is read or written.
export QT_QPA_PLATFORM=offscreen
mkdir -p "$work/home" "$work/terminal"
cp /usr/share/vesk/dice.sai /usr/share/vesk/name.nam "$work/terminal"
user_env=(env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$work/home")
menu_exec() { sed -n 's/^Exec=//p' "$applications/$1.desktop"; }

# The desktop menu starts programs in the home folder; Exec holds no field codes or quotes.
(cd "$work/home" && exec "${user_env[@]}" $(menu_exec vesk-server) 2>"$work/server.err") &
server=$!
(cd "$work/home" && exec "${user_env[@]}" $(menu_exec vesk-chat) 2>"$work/menu.err") &
menu_chat=$!
(cd "$work/terminal" && exec "${user_env[@]}" /usr/bin/VeskChat 2>"$work/terminal.err") &
terminal_chat=$!
pids+=("$server" "$menu_chat" "$terminal_chat")

# Still running after two seconds: each window started and is waiting for its user.
sleep 2
for name in server menu_chat terminal_chat; do
    kill -0 "${!name}" 2>/dev/null ||
        fail "$name ended early: $(cat "$work/${name%_chat}.err" 2>/dev/null)"
done
data_folder=$work/home/.local/share/Vesk
[ "$(readlink "/proc/$menu_chat/exe")" = /usr/bin/VeskChat ] || fail "the menu did not start VeskChat"
[ "$(readlink "/proc/$menu_chat/cwd")" = "$data_folder" ] || fail "the menu's VeskChat is not in $data_folder"
for list in dice.sai name.nam; do
    cmp -s "/usr/share/vesk/$list" "$data_folder/$list" || fail "$list was not copied to $data_folder"
done
[ "$(readlink "/proc/$terminal_chat/cwd")" = "$work/terminal" ] || fail "the terminal's VeskChat moved"
kill "$server" "$menu_chat" "$terminal_chat"
wait "$server" "$menu_chat" "$terminal_chat" || true
pids=()

echo "=== vesk-relay"
# A port nobody else uses: a taken one ends the relay with exit code 1, so another is tried.
for attempt in 1 2 3 4 5 6 7 8 9 10; do
    port=$((20000 + RANDOM % 40000))
    web_port=$((port + 1))
    /usr/bin/vesk-relay --port "$port" --web-port "$web_port" >"$work/relay.out" \
        2>"$work/relay.err" &
    relay=$!
    pids=("$relay")
    deadline=$((SECONDS + 10))
    while kill -0 "$relay" 2>/dev/null && ! grep -q 'ブラウザ席' "$work/relay.out"; do
        [ $SECONDS -lt $deadline ] || fail "vesk-relay did not start within 10 s"
        sleep 0.05
    done
    grep -q 'ブラウザ席' "$work/relay.out" && break
    code=0
    wait "$relay" || code=$?
    [ "$code" -eq 1 ] || fail "vesk-relay ended with $code: $(cat "$work/relay.err")"
    [ "$attempt" -lt 10 ] || fail "no free port found"
done
# One participant joins: the relay sends its padd line back.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'check\r\n' >&3
IFS= read -r -t 10 line <&3 || fail "no answer from vesk-relay"
[[ $line == $'paddcheck\t'*$'\r' ]] || fail "vesk-relay answered \"$line\""
exec 3>&-
# The browser seat's page comes from the program itself.
exec 3<>"/dev/tcp/127.0.0.1/$web_port"
printf 'GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' >&3
IFS= read -r -t 10 line <&3 || fail "no answer from the browser seat"
[[ $line == $'HTTP/1.1 200 OK\r' ]] || fail "the browser seat answered \"$line\""
exec 3>&-
kill -TERM "$relay"
code=0
wait "$relay" || code=$?
pids=()
[ "$code" -eq 0 ] || fail "vesk-relay ended with $code after SIGTERM"
grep -q 'サーバー終了' "$work/relay.out" || fail "vesk-relay did not log its stop"

echo "=== package check passed in $((SECONDS - began)) s (package build and install included)"
