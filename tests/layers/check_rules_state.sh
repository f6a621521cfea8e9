#!/usr/bin/env bash
# Holds the rules of play to keeping no state of their own: a game is a
# value that holds all it changes, so the rules' library may define no
# data that a program could write, not even a static inside a function.
# Constants and the classes' tables (vtables, type information) are read
# only.
# usage: check_rules_state.sh LIBRARY
set -euo pipefail
written=$(nm -C --defined-only "$1" | awk '
   / [bBdDgGsS] / { print; next }
   / [vV] / && $3 !~ /^(vtable|typeinfo|DW\.ref\.)/ { print }')
if [[ -n $written ]]; then
   echo "the rules keep state of their own, outside the game:"
   echo "$written"
   exit 1
fi
echo "the rules keep no state of their own"
