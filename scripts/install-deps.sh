#!/usr/bin/env bash
# Installs the Debian packages that building (and, with "test", testing,
# or with "package", packaging) needs, and only those that are missing.
# The build's list holds the leaderboard server's libraries; the test's,
# the PostgreSQL server its store is tested against, the browser that
# loads its pages and the checker of their HTML.
set -euo pipefail

build=(cmake g++ make pkg-config liballegro4-dev libsdl2-dev libsdl2-mixer-dev libx11-dev
       libcurl4-openssl-dev nlohmann-json3-dev libcpp-httplib-dev libsqlite3-dev libpqxx-dev
       libssl-dev libicu-dev libmicrohttpd-dev)
test=(libgtest-dev libbenchmark-dev libgif-dev giflib-tools imagemagick gifsicle
      xvfb xdotool x11-utils clang libclang-rt-14-dev valgrind
      libfreetype-dev fonts-dejavu-core zlib1g-dev postgresql chromium tidy curl)
# The packages (debian/control's Build-Depends are the build's list), and
# the checks the tests make of them: systemd-analyze rates the server's
# unit.
packaging=(dpkg-dev debhelper lintian desktop-file-utils appstream man-db systemd)

wanted=("${build[@]}")
case ${1:-} in
   test) wanted+=("${test[@]}" "${packaging[@]}") ;;
   package) wanted+=("${packaging[@]}") ;;
esac

missing=()
for package in "${wanted[@]}"; do
   if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
      missing+=("$package")
   fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
   sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
   "${missing[@]}" >/dev/null
