#!/usr/bin/env bash
# The server on a disk that fills up and then has room again: its
# database in a tmpfs of 2 MiB mounted in a mount namespace of its own
# (so that nothing of it outlives the run), /healthz asked with room,
# with the disk full, and with room again. Prints one line for each.
# Exits 77 when no tmpfs can be mounted (not root).
# usage: unshare -m bash full_disk.sh SERVER FOLDER
set -u
server=$1 dir=$2
mkdir -p "$dir/disk"
mount -t tmpfs -o size=2m tmpfs "$dir/disk" 2>/dev/null || exit 77
"$server" --listen 127.0.0.1:0 --database "sqlite:$dir/disk/leaderboard.db" --game /bin/false \
   >"$dir/said" 2>&1 &
pid=$!
for _ in $(seq 100); do
   grep -q listening "$dir/said" && break
   sleep 0.1
done
port=$(sed -n 's/^listening on http:\/\/127.0.0.1:\([0-9]*\)$/\1/p' "$dir/said")
health() {
   curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/healthz"
}
echo "with room: $(health)"
dd if=/dev/zero of="$dir/disk/filler" bs=64k 2>/dev/null
echo "full: $(health)"
rm "$dir/disk/filler"
echo "with room again: $(health)"
kill "$pid"
wait "$pid"
umount "$dir/disk"
