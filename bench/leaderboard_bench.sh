#!/usr/bin/env bash
# The leaderboard's bench against both databases: SQLite in a file, and
# PostgreSQL in a throwaway cluster from Debian's packages, made in a
# temporary folder, run by "nobody" when this runs as root, on a free port
# of the loopback, and removed after.
# usage: bash bench/leaderboard_bench.sh build/bench/leaderboard_bench build/src/server/tossaro-server [--game PATH]
set -euo pipefail
bench=$(realpath "$1")
server=$(realpath "$2")
shift 2
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
work=$(mktemp -d /tmp/tossaro-leaderboard-bench-XXXXXX)
as_owner=()
if [[ $(id -u) -eq 0 ]]; then
   chown nobody "$work"
   as_owner=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
cleanup() {
   "${as_owner[@]}" "$bin/pg_ctl" -D "$work/data" -m fast -w stop >/dev/null 2>&1 || true
   rm -rf "$work"
}
trap cleanup EXIT
"${as_owner[@]}" "$bin/initdb" -A trust -U tossaro -E UTF8 -D "$work/data" >/dev/null
# A free port: the first the cluster starts on.
for try in 1 2 3 4 5; do
   port=$((20000 + RANDOM % 40000))
   if "${as_owner[@]}" "$bin/pg_ctl" -D "$work/data" -l "$work/log" -w \
      -o "-c listen_addresses=127.0.0.1 -p $port -k $work" start >/dev/null; then
      break
   fi
   [[ $try -eq 5 ]] && { cat "$work/log"; exit 1; }
done
"$bench" "$@" "$server" "sqlite:$work/leaderboard.db" "postgresql://tossaro@127.0.0.1:$port/postgres"
