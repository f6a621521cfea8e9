#!/usr/bin/env bash
# Mutation testing of the lines a change adds under src/: see --help. The
# work is done by mutate.py beside this script; exec keeps one process, so a
# signal sent to this script reaches the one that puts the files back, and
# -B keeps Python from leaving its bytecode in the tree.
set -euo pipefail
exec python3 -B "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/mutate.py" "$@"
