#!/usr/bin/env bash
# Builds the packages, the game and its leaderboard's server, twice from the
# same tree, which must give the same bytes, and holds them, the files the
# game installs for the desktop and the server's systemd unit to their
# validators: any complaint fails. Also checks that each man page names
# every option --help gives.
# usage: check_package.sh SOURCE_DIR OUT_DIR
set -euo pipefail
source_dir=$1
out=$2
mapfile -t debs < <(bash "$source_dir/scripts/package.sh" "$out")
mapfile -t again < <(bash "$source_dir/scripts/package.sh" "$out/again")
[[ ${#debs[@]} -eq 2 && ${#again[@]} -eq 2 ]] || { echo "package.sh gave no two packages"; exit 1; }
game=${debs[0]}
server=${debs[1]}
status=0

echo "reproducible:"
cmp "$game" "${again[0]}" || status=1
cmp "$server" "${again[1]}" || status=1

echo "lintian:"
# Every tag counts, the pedantic and experimental ones too.
tags=$(lintian -EvIL +pedantic --fail-on error,warning,info,pedantic,experimental "$game" "$server" 2>&1 |
       grep -v '^running with root privileges is not recommended!$' || true)
[[ -z $tags ]] || { echo "$tags"; status=1; }

echo "desktop-file-validate:"
complaints=$(desktop-file-validate "$source_dir/data/io.github.tossaro.Tossaro.desktop" 2>&1)
[[ -z $complaints ]] || { echo "$complaints"; status=1; }

echo "appstreamcli:"
metainfo=$source_dir/data/io.github.tossaro.Tossaro.metainfo.xml
appstreamcli validate --no-net "$metainfo" || status=1
for control in keyboard gamepad; do
   grep -q "<control>$control</control>" "$metainfo" ||
      { echo "the metainfo does not name the $control"; status=1; }
done

echo "the server's files:"
listing=$(dpkg-deb -c "$server")
for file in usr/bin/tossaro-server usr/share/man/man8/tossaro-server.8.gz \
            lib/systemd/system/tossaro-server.service etc/default/tossaro-server; do
   grep -q " \./$file\$" <<<"$listing" || { echo "the server's package lacks /$file"; status=1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$game" "$stage"
dpkg-deb -x "$server" "$stage"

echo "the service's exposure:"
# systemd's own rating, from 0 (locked down) to 10: a web service that
# plays what strangers send keeps to 2.0 or lower. A key it does not know
# is said on stderr, and counts.
unit=$stage/lib/systemd/system/tossaro-server.service
if ! rating=$(systemd-analyze security --offline=yes --threshold=20 "$unit" 2>"$stage/said"); then
   grep '^✗' <<<"$rating"
   status=1
fi
grep '^→' <<<"$rating" || true
[[ ! -s $stage/said ]] || { cat "$stage/said"; status=1; }

echo "man pages:"
for page_program in man6/tossaro.6.gz:usr/games/tossaro:KEYS \
                    man8/tossaro-server.8.gz:usr/bin/tossaro-server:ENVIRONMENT; do
   IFS=: read -r page program section <<<"$page_program"
   page=$(MANWIDTH=200 man --warnings -l "$stage/usr/share/man/$page" 2>&1) ||
      { echo "$page"; status=1; continue; }
   if grep -q '^<standard input>\|^troff:' <<<"$page"; then
      echo "$page" | grep '^<standard input>\|^troff:'
      status=1
   fi
   options=$("$stage/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
   for option in $options; do
      grep -q -- "$option" <<<"$page" || { echo "${program##*/}'s man page lacks $option"; status=1; }
   done
   for heading in OPTIONS "$section" FILES "EXIT STATUS"; do
      grep -q "^$heading" <<<"$page" || { echo "${program##*/}'s man page lacks $heading"; status=1; }
   done
done
exit $status
