#!/bin/bash
# libkorvax.so exports the functions of the list in exported_symbols.txt, no
# more and no fewer, and korvax.h declares exactly those.
#   exported_symbols.sh LIBRARY HEADER
set -euo pipefail
list="$(dirname "$0")/exported_symbols.txt"
expected=$(grep -v '^#' "$list" | sort)
exported=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
declared=$(grep -oE '^KORVAX_API [^(]*\b(korvax_[a-z0-9_]+)\(' "$2" |
  grep -oE 'korvax_[a-z0-9_]+\($' | tr -d '(' | sort)
status=0
if [ "$exported" != "$expected" ]; then
  echo "$1 exportiert andere Symbole als $list (< Liste, > exportiert):"
  diff <(echo "$expected") <(echo "$exported") || true
  status=1
fi
if [ "$declared" != "$expected" ]; then
  echo "$2 deklariert andere Funktionen als $list (< Liste, > deklariert):"
  diff <(echo "$expected") <(echo "$declared") || true
  status=1
fi
[ $status -eq 0 ] && echo "$(echo "$expected" | wc -l) Symbole wie in der Liste"
exit $status
