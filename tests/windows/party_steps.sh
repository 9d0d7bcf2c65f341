# The steps the party test under Wine is written in (sourced by party_under_wine.sh): starting
# programs, finding and driving their windows, and checking what the relay sends and what the
# programs leave behind. Every wait has a deadline; everything started is ended in party_cleanup.
# Expects $work, the test's scratch folder.

party_pids=()
party_step=
party_lines=0
party_deadline=${VESK_PARTY_DEADLINE:-60}

step() {
    party_step=$*
    echo "--- $party_step"
}

fail() {
    echo "FAIL ($party_step): $*" >&2
    exit 1
}

party_cleanup() {
    local status=$? pid
    # What the screen showed when a step failed.
    [ $status -eq 0 ] || import -display "$DISPLAY" -window root "$work/failed.png" 2>/dev/null || true
    for pid in "${party_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${party_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [ $status -eq 0 ]; then
        rm -rf "$work"
    else
        echo "party under Wine failed; its files and the programs' output are in $work" >&2
    fi
}

party_summary() {
    echo "party under Wine: $party_lines lines checked byte for byte, the saved log, the settings"
}

# xdotool takes Japanese arguments only in a UTF-8 locale of its own.
xdo() { LANG=C.UTF-8 xdotool "$@"; }

# start_in VAR DIR COMMAND...: starts COMMAND in DIR in the background, its output in $work, and
# puts its process id in VAR (a child of this shell, so that wait_exit has its exit code).
start_in() {
    local -n pidOut=$1
    local dir=$2
    shift 2
    (cd "$dir" && exec "$@") </dev/null >>"$work/programs.log" 2>&1 &
    pidOut=$!
    party_pids+=("$pidOut")
}

# wait_until COMMAND...: runs COMMAND until it succeeds or the deadline has passed. The callers
# hand it `eval 'TEXT'`, TEXT in single quotes: it is read anew at each try, with the caller's
# variables, and what it assigns stays set for the caller.
wait_until() {
    local deadline=$((SECONDS + party_deadline))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# visible_windows PID REGEX: the visible windows of process PID whose title matches REGEX.
visible_windows() {
    xdo search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null
}

# wait_window PID REGEX: prints the first visible window of PID titled REGEX, once there is one.
wait_window() {
    local pid=$1 title=$2 found
    wait_until eval 'found=$(visible_windows "$pid" "$title")' ||
        fail "no window '$title' of process $pid within ${party_deadline} s"
    head -n1 <<<"$found"
}

focus() { xdo windowfocus --sync "$1"; }

# keys KEY...: key presses to the focused window, at a person's pace, so that a menu opened by
# one key is there for the next.
keys() { xdo key --delay 150 "$@"; }

type_ascii() { xdo type --delay 40 "$1"; }

# click_chat_input WINDOW: the chat input lies across the bottom of the window, 28 pixels high,
# the participant list on the right above it.
click_chat_input() {
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdo getwindowgeometry --shell "$1")"
    xdo mousemove --window "$1" $((WIDTH / 3)) $((HEIGHT - 18)) click 1
}

# connect PID WINDOW PORT: Ctrl+S, then the port in the CONNECT dialog's third field, Enter.
connect() {
    local pid=$1 dialog
    focus "$2"
    keys ctrl+s
    dialog=$(wait_window "$pid" '^接続$')
    focus "$dialog"
    keys Tab Tab
    type_ascii "$3"
    keys Return
    wait_until eval '! visible_windows "$pid" "^接続$" >/dev/null' ||
        fail "the CONNECT dialog stays open"
}

# say_through_clipboard WINDOW TEXT: Japanese cannot be typed into a Wine window by xdotool; it
# comes through the clipboard, as text from an input method would.
say_through_clipboard() {
    local clipboard
    printf '%s' "$2" | xclip -selection clipboard -quiet >/dev/null 2>&1 &
    clipboard=$!
    party_pids+=("$clipboard")
    focus "$1"
    click_chat_input "$1"
    keys ctrl+v Return
}

say_typed() {
    focus "$1"
    click_chat_input "$1"
    type_ascii "$2"
    keys Return
}

# observe HOST PORT NAME: joins as NAME over plain TCP once the relay takes connections, and
# keeps everything the relay sends in $work/observed.
observe() {
    local host=$1 port=$2
    wait_until eval 'exec {party_observer}<>"/dev/tcp/$host/$port"' 2>/dev/null ||
        fail "the relay does not take connections on port $port"
    printf '%s\r\n' "$3" | iconv -f UTF-8 -t CP932 >&"$party_observer"
    cat <&"$party_observer" >"$work/observed" &
    party_pids+=($!)
}

# expect_line TEXT [TAIL]: the next line the observer receives is TEXT in code page 932 and CR
# LF, or TEXT followed by what the ASCII regular expression TAIL matches.
expect_line() {
    party_lines=$((party_lines + 1))
    python3 - "$work/observed" "$party_lines" "$1" "${2:-}" "$party_deadline" <<'EOF' || fail "line $party_lines"
import re, sys, time
path, number, text, tail, seconds = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], float(sys.argv[5])
pattern = re.compile(re.escape(text.encode("cp932")) + tail.encode("ascii"))
deadline = time.monotonic() + seconds
while True:
    with open(path, "rb") as observed:
        lines = observed.read().split(b"\r\n")[:-1]
    if len(lines) >= number:
        line = lines[number - 1]
        if pattern.fullmatch(line):
            sys.exit(0)
        print(f"expected {text!r} {tail!r}, got {line!r} ({line.decode('cp932', 'replace')})")
        sys.exit(1)
    if time.monotonic() > deadline:
        print(f"expected {text!r} {tail!r}; nothing more came within {seconds} s")
        sys.exit(1)
    time.sleep(0.1)
EOF
}

expect_join() {
    expect_line "padd$1"$'\t'"$2"
    expect_line talk
    expect_line "talk$1 がパーティに参加しました"
    expect_line talk
}

expect_departure() {
    expect_line "pdel$2"
    expect_line talk
    expect_line "$1 がパーティから抜けました"
    expect_line talk
}

# dismiss_message_box PID MAIN_WINDOW: presses Enter on the message box PID shows beside its
# main window, and waits until it has gone.
dismiss_message_box() {
    local pid=$1 main=$2 box
    wait_until eval 'box=$(visible_windows "$pid" "^VeskChat$" | grep -vx "$main")' ||
        fail "no message box"
    box=$(head -n1 <<<"$box")
    focus "$box"
    keys Return
    wait_until eval '! visible_windows "$pid" "^VeskChat$" | grep -qx "$box"' ||
        fail "the message box stays open"
}

# check_saved_log DIR REGEX...: DIR holds one saved log, named by the date and time, code page
# 932 with CR LF and nothing else between its lines, which include lines matching the REGEXes
# (whole lines, in that order).
check_saved_log() {
    local dir=$1 logs
    shift
    local name='[0-9][0-9][0-9][0-9]年[0-9][0-9]月[0-9][0-9]日[0-9][0-9]時[0-9][0-9]分[0-9][0-9]秒.txt'
    wait_until eval 'logs=$(find "$dir" -maxdepth 1 -name "$name" | grep .)' ||
        fail "no saved log in $dir"
    [ "$(wc -l <<<"$logs")" -eq 1 ] || fail "more than one saved log: $logs"
    python3 - "$logs" "$@" <<'EOF' || fail "the saved log $logs"
import re, sys
data = open(sys.argv[1], "rb").read()
try:
    text = data.decode("cp932")
except UnicodeDecodeError as error:
    sys.exit(f"not code page 932: {error}")
if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n"):
    sys.exit("lines not ended by CR LF alone")
lines = text.split("\r\n")
at = 0
for wanted in sys.argv[2:]:
    while at < len(lines) and not re.fullmatch(wanted, lines[at]):
        at += 1
    if at == len(lines):
        sys.exit(f"no line {wanted!r} (in order) in {lines!r}")
    at += 1
EOF
}

# wait_exit PID NAME: PID ends within the deadline with exit code 0.
wait_exit() {
    local pid=$1 status=0
    wait_until eval '! kill -0 "$pid" 2>/dev/null' || fail "$2 does not end"
    wait "$pid" || status=$?
    [ $status -eq 0 ] || fail "$2 ended with exit code $status"
}

# expect_registry_number KEY VALUE NUMBER: Wine's registry holds VALUE under KEY as REG_DWORD
# NUMBER.
expect_registry_number() {
    local answer
    answer=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || fail "no $1\\$2 in the registry"
    grep -Eq "^ *$2 +REG_DWORD +$(printf '0x%x' "$3")\$" <<<"$answer" ||
        fail "$1\\$2 is not $3: $answer"
}

expect_position() {
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdo getwindowgeometry --shell "$1")"
    [ "$X,$Y" = "$2,$3" ] || fail "the window is at $X,$Y, not at $2,$3"
}
