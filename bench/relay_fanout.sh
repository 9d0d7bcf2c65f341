#!/usr/bin/env bash
# The relay benchmark side by side with ngIRCd from Debian, in one command: installs what it
# needs, builds, starts ngIRCd on a free local port (flood penalties off, no limit on
# connections from one address), runs bench/relay_fanout against vesk-relay and ngIRCd, and
# stops ngIRCd again. Arguments go to relay_fanout, such as --clients 10,200 --seconds 3.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

VESK_PACKAGES+=(ngircd)
vesk_install_packages
vesk_build >/dev/null

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

port=16667
while port_in_use "$port"; do port=$((port + 1)); done

work=$(mktemp -d)
chmod 755 "$work"
cat >"$work/ngircd.conf" <<EOF
[Global]
    Name = bench.local
    Info = vesk relay benchmark
    Listen = 127.0.0.1
    Ports = $port
    MotdPhrase = bench
    PidFile = $work/ngircd.pid
[Limits]
    MaxConnections = 0
    MaxConnectionsIP = 0
    MaxJoins = 0
    MaxPenaltyTime = 0
    MaxNickLength = 30
    PingTimeout = 600
    PongTimeout = 600
[Options]
    DNS = no
    Ident = no
    PAM = no
EOF
/usr/sbin/ngircd --nodaemon --config "$work/ngircd.conf" >"$work/ngircd.log" 2>&1 &
ngircd=$!
trap 'kill "$ngircd" 2>/dev/null; wait "$ngircd" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    port_in_use "$port" && break
    sleep 0.1
done
port_in_use "$port" || { cat "$work/ngircd.log" >&2; exit 1; }

"$VESK_BUILD/bench/relay_fanout" --irc "127.0.0.1:$port" --irc-pid "$ngircd" "$@"
