#!/usr/bin/env bash
# The reserved-word check judges a word only by POV-Ray's answer: a povray
# that cannot start, or answers every scene alike, stops it with an error;
# the installed povray tells a keyword from the name of a macro, and every
# table of model/PovReservedWords.cpp holds to it and its include folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check="$root/scripts/check-pov-reserved-words.py"
python=$(python3 -c 'import sys; print(sys.executable)')
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'sphere\nParse_String\n' >"$scratch/words"
mkdir "$scratch/fails" "$scratch/passes" "$scratch/none"
printf '#!/bin/sh\nexit 1\n' >"$scratch/fails/povray"
printf '#!/bin/sh\nexit 0\n' >"$scratch/passes/povray"
chmod +x "$scratch/fails/povray" "$scratch/passes/povray"
for bin in fails passes none; do
  status=0
  out=$(PATH="$scratch/$bin" "$python" "$check" --candidates "$scratch/words" 2>&1) || status=$?
  if [ "$status" -ne 2 ] || grep -qx 'Parse_String\|sphere' <<<"$out"; then
    echo "a povray that $bin: status $status, said: $out"; exit 1
  fi
done
if command -v povray >/dev/null; then
  out=$("$python" "$check" --candidates "$scratch/words")
  [ "$out" = sphere ] || { echo "installed povray: $out"; exit 1; }
  "$python" "$check" || { echo "the tables differ from the installed povray"; exit 1; }
fi
echo "reserved-word check ok"
