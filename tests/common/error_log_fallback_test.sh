#!/bin/bash
# An installed program's folder is not writable for its users: failures are
# then logged to $XDG_STATE_HOME/korvax (default ~/.local/state/korvax), the
# korvax command says where and why, and korvax_error_log_path tells a host.
# Runs as an unprivileged user, since root may write anywhere.
#   error_log_fallback_test.sh KORVAX LIBKORVAX DOCX
set -euo pipefail
if [ ! -r "$3" ]; then
  echo "übersprungen: $3 fehlt"
  exit 77
fi
tmp=$(mktemp -d /tmp/korvax-log.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
mkdir "$tmp/bin" "$tmp/home" "$tmp/state" "$tmp/work"
cp "$1" "$tmp/bin/korvax"
cp "$2" "$tmp/bin/libkorvax.so.1"
# The shared fixtures are read-only; an invoice must be writable.
install -m 0644 "$3" "$tmp/work/Rechnung.docx"
# An office without the table TempDoc: Show logs every setting it cannot read.
sqlite3 "$tmp/work/office.sqlite" "CREATE TABLE Rechnung (ID_Rechnungsnummer INTEGER)"
echo '[{"action": "close"}]' >"$tmp/work/steps.json"
chmod 555 "$tmp/bin"
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody "$tmp/home" "$tmp/state" "$tmp/work"
  as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
else
  as_user() { "$@"; }
fi
run() { as_user env -u KORVAX_LOG_DIR HOME="$tmp/home" "$@"; }

fail() {
  echo "FEHLER: $*" >&2
  exit 1
}

# The command, with the default place in the home folder.
run XDG_STATE_HOME= "$tmp/bin/korvax" show --db "$tmp/work/office.sqlite" \
  --doc "$tmp/work/Rechnung.docx" --user 1 --index 0 --script "$tmp/work/steps.json" \
  2>"$tmp/stderr" || true
log="$tmp/home/.local/state/korvax/Verw.log"
grep -q "Ort  : Rechnung.Show" "$log" || fail "kein Eintrag in $log"
grep -qF "im Fehlerprotokoll $log; der Ordner $tmp/bin ist nicht beschreibbar" "$tmp/stderr" ||
  fail "kein Hinweis auf $log: $(cat "$tmp/stderr")"
[ "$(grep -c 'nicht beschreibbar' "$tmp/stderr")" -eq 1 ] || fail "der Hinweis steht nicht genau einmal da"

# A host asking the library, with XDG_STATE_HOME set.
path=$(run XDG_STATE_HOME="$tmp/state" /usr/bin/python3 -c "
import ctypes
lib = ctypes.CDLL('$tmp/bin/libkorvax.so.1')
lib.korvax_error_log_path.restype = ctypes.c_char_p
print(lib.korvax_error_log_path().decode())")
[ "$path" = "$tmp/state/korvax/Verw.log" ] || fail "korvax_error_log_path: $path"
echo "Fehlerprotokoll außerhalb des schreibgeschützten Ordners: $log"
