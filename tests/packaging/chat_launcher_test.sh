#!/usr/bin/env bash
# The launcher that VeskChat's desktop entry starts, installed with `cmake --install` into a
# scratch prefix together with the VeskChat and the sample lists it uses. Each start is
# watched until the launcher has become VeskChat; VeskChat's working directory is then the
# data folder it reads its lists from.
# Usage: chat_launcher_test.sh <cmake> <build dir>   (QT_QPA_PLATFORM=offscreen)
set -euo pipefail
cmake=$1
build=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cmake" --install "$build" --prefix "$work/usr" >/dev/null
launcher=$work/usr/libexec/vesk/vesk-chat-launcher
chat=$work/usr/bin/VeskChat
samples=$work/usr/share/vesk
mkdir -p "$work/home" "$work/start"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_chat <variable assignments for env...>: runs the launcher from $work/start with a home
# of its own, waits until it has become VeskChat, sets `folder` to VeskChat's working
# directory and ends it.
start_chat() {
    (cd "$work/start" && exec env -u XDG_DATA_HOME HOME="$work/home" \
        XDG_CONFIG_HOME="$work/config" "$@" "$launcher" 2>"$work/stderr") &
    local pid=$! deadline=$((SECONDS + 30))
    until [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$chat" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the launcher ended without starting VeskChat"
        [ $SECONDS -lt $deadline ] || fail "VeskChat did not start within 30 s"
        sleep 0.05
    done
    folder=$(readlink "/proc/$pid/cwd")
    kill "$pid"
    wait "$pid" || true
}

expect_folder() {
    [ "$folder" = "$1" ] || fail "VeskChat started in $folder, not in $1"
}

expect_samples() {
    for list in dice.sai name.nam; do
        cmp -s "$samples/$list" "$1/$list" || fail "$1/$list is not the sample $list"
    done
}

# First start: the folder is made and both sample lists are copied in.
start_chat XDG_DATA_HOME="$work/data"
expect_folder "$work/data/Vesk"
expect_samples "$work/data/Vesk"

# Second start after the player edited the dice list and deleted the name list: the edited
# list stays as it is, the missing one comes back from the samples.
printf '1D[12]\r\n' >>"$work/data/Vesk/dice.sai"
cp "$work/data/Vesk/dice.sai" "$work/edited.sai"
rm "$work/data/Vesk/name.nam"
start_chat XDG_DATA_HOME="$work/data"
expect_folder "$work/data/Vesk"
cmp -s "$work/edited.sai" "$work/data/Vesk/dice.sai" || fail "the edited dice.sai was replaced"
cmp -s "$samples/name.nam" "$work/data/Vesk/name.nam" || fail "name.nam was not copied back"
[ -z "$(find "$work/data/Vesk" -name '.*.new')" ] || fail "a half-copied list was left behind"

# Without XDG_DATA_HOME, and with a relative one that is to be ignored, the folder is the
# one under the home folder.
for setting in "" XDG_DATA_HOME=relative/data; do
    start_chat $setting
    expect_folder "$work/home/.local/share/Vesk"
    expect_samples "$work/home/.local/share/Vesk"
done
[ ! -e "$work/start/relative" ] || fail "a relative XDG_DATA_HOME was used"

# A data folder that cannot be made: VeskChat still starts, in the directory the launcher was
# started from, and the reason is on standard error.
touch "$work/file"
start_chat XDG_DATA_HOME="$work/file"
expect_folder "$work/start"
grep -q "no data folder at $work/file/Vesk" "$work/stderr" || fail "no message: $(cat "$work/stderr")"

echo "chat launcher: all cases passed"
