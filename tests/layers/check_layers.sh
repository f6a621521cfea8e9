#!/usr/bin/env bash
# Holds the source folders to their layers, as src/layers lists them from
# the ground up: a file includes from its own folder or from a layer
# below, never from its own layer's other folders nor from above (so no
# two folders can include each other), and names the folder of every
# header it includes. A folder under src/ that the list leaves out is a
# failure too, and so is a header of Allegro, SDL or X11 in a folder that
# the list's "plain:" line names.
# usage: check_layers.sh SOURCE_DIR
set -euo pipefail
src=$1/src
declare -A layer plain
rank=0
while read -r line; do
   line=${line%%#*}
   [[ -z ${line// /} ]] && continue
   if [[ $line == plain:* ]]; then
      for folder in ${line#plain:}; do
         plain[$folder]=1
      done
      continue
   fi
   for folder in $line; do
      layer[$folder]=$rank
   done
   rank=$((rank + 1))
done <"$src/layers"

status=0
for dir in "$src"/*/; do
   folder=$(basename "$dir")
   if [[ -z ${layer[$folder]+set} ]]; then
      echo "src/$folder is in no layer of src/layers"
      status=1
      continue
   fi
   while IFS=: read -r file number include; do
      target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$include")
      where="src/$folder/$(basename "$file"):$number"
      if [[ $target != */* ]]; then
         echo "$where: \"$target\" does not name its folder"
         status=1
         continue
      fi
      to=${target%%/*}
      [[ $to == "$folder" ]] && continue
      if [[ -z ${layer[$to]+set} ]]; then
         echo "$where: \"$target\" is in no layer of src/layers"
         status=1
      elif ((layer[$to] >= layer[$folder])); then
         echo "$where: $folder includes $target, which is not below it"
         status=1
      fi
   done < <(grep -nH -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir"*.h "$dir"*.cpp 2>/dev/null || true)
   if [[ -n ${plain[$folder]+set} ]]; then
      while IFS=: read -r file number include; do
         echo "src/$folder/$(basename "$file"):$number: $folder needs no library, yet includes ${include#*include }"
         status=1
      done < <(grep -nH -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(allegro|SDL|X11)' "$dir"*.h "$dir"*.cpp 2>/dev/null || true)
   fi
done
exit $status
