#!/usr/bin/env bash
# The demo office billed with its host database in SQLite and on a PostgreSQL
# server: the same invoice record totals, totals block and payment due note.
#   demo_backends_test.sh BUILD_FOLDER SCRATCH_FOLDER
set -euo pipefail
build="$1"
scratch="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
rm -rf "$scratch"
mkdir -p "$scratch"
summary() { sed -n '/Rechnungsdatensatz/,$p'; }
KORVAX_DEMO_PDF=0 KORVAX_DEMO_OFFICE="$scratch/sqlite" "$root/tools/demo" "$build" --fresh \
  | summary >"$scratch/sqlite.txt"
status=0
KORVAX_DEMO_PDF=0 KORVAX_DEMO_OFFICE="$scratch/postgres" "$root/tools/demo" "$build" --postgres \
  >"$scratch/postgres.out" 2>&1 || status=$?
if grep -q "Kein PostgreSQL-Server" "$scratch/postgres.out"; then
  echo "übersprungen: kein PostgreSQL-Server installiert"
  exit 0
fi
[ "$status" -eq 0 ] || { cat "$scratch/postgres.out"; exit 1; }
summary <"$scratch/postgres.out" >"$scratch/postgres.txt"
grep -q "verbl. Restbetrag" "$scratch/sqlite.txt"
diff -u "$scratch/sqlite.txt" "$scratch/postgres.txt"
[ ! -s "$scratch/postgres/Verw.log" ] || { iconv -f CP1252 -t UTF-8 "$scratch/postgres/Verw.log"; exit 1; }
echo "gleiche Summen auf SQLite und PostgreSQL"
