#!/usr/bin/env bash
# Builds the Debian packages with dpkg-buildpackage, from a copy of the
# source tree (what git ignores left out) so that the tree stays clean, and
# puts tossaro_VERSION_ARCH.deb and tossaro-server_VERSION_ARCH.deb into
# OUT_DIR; prints their paths, one a line. What the
# build needs comes from `sudo bash scripts/install-deps.sh package`.
# usage: bash scripts/package.sh [OUT_DIR]   (default: the repository's root)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root}" && cd "${1:-$root}" && pwd)
cd "$root"
if ! unmet=$(dpkg-checkbuilddeps 2>&1); then
   echo "package.sh: ${unmet#dpkg-checkbuilddeps: error: }" >&2
   echo "package.sh: 'sudo bash scripts/install-deps.sh package' installs them" >&2
   exit 1
fi

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy=$work/tossaro-$version
mkdir "$copy"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
   git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' file; do
         [[ -e $file ]] && printf '%s\0' "$file"
      done | tar --null -T - -cf - | tar -C "$copy" -xf -
else
   tar --exclude='./build*' --exclude='./*.deb' -cf - . | tar -C "$copy" -xf -
fi

# dpkg-buildpackage writes the package beside the folder it builds.
if ! (cd "$copy" && dpkg-buildpackage -us -uc -b -Jauto) >"$work/build.log" 2>&1; then
   tail -n 40 "$work/build.log" >&2
   echo "package.sh: dpkg-buildpackage failed" >&2
   exit 1
fi
for package in tossaro tossaro-server; do
   deb=${package}_${version}_${arch}.deb
   cp "$work/$deb" "$out/$deb"
   echo "$out/$deb"
done
