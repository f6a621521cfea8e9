#!/usr/bin/env bash
# Builds the package twice from the same tree, which must give the same
# bytes, and holds it, and the files it installs for the desktop, to their
# validators: any complaint fails. Also checks that the man page names
# every option --help gives.
# usage: check_package.sh SOURCE_DIR OUT_DIR
set -euo pipefail
source_dir=$1
out=$2
deb=$(bash "$source_dir/scripts/package.sh" "$out")
again=$(bash "$source_dir/scripts/package.sh" "$out/again")
status=0

echo "reproducible:"
cmp "$deb" "$again" || status=1

echo "lintian:"
# Every tag counts, the pedantic and experimental ones too.
tags=$(lintian -EvIL +pedantic --fail-on error,warning,info,pedantic,experimental "$deb" 2>&1 |
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

echo "man page:"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$deb" "$stage"
page=$(MANWIDTH=200 man --warnings -l "$stage/usr/share/man/man6/tossaro.6.gz" 2>&1)
if grep -q '^<standard input>\|^troff:' <<<"$page"; then
   echo "$page" | grep '^<standard input>\|^troff:'
   status=1
fi
options=$("$stage/usr/games/tossaro" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
for option in $options; do
   grep -q -- "$option" <<<"$page" || { echo "the man page lacks $option"; status=1; }
done
for section in OPTIONS KEYS FILES "EXIT STATUS"; do
   grep -q "^$section" <<<"$page" || { echo "the man page lacks $section"; status=1; }
done
exit $status
