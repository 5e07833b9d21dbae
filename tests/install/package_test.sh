#!/bin/bash
# The Debian packages of `./run package`: korvax without Qt, korvax-qt with
# the desktop dialogs, each with its dependencies declared so that apt can
# install them; unpacked, the korvax command of the two shows a Nr. 7 dialog
# in Qt (on the offscreen platform, with the user's input from a script).
#   package_test.sh BUILD SOURCE
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d /tmp/korvax-deb.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
# Window positions the dialogs remember stay in here.
export XDG_CONFIG_HOME=$tmp/config
fail() {
  echo "FEHLER: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.out" 2>&1 ||
  fail "cpack: $(cat "$tmp/cpack.out")"
core=$(ls "$tmp"/korvax_*_amd64.deb)
qt=$(ls "$tmp"/korvax-qt_*_amd64.deb)
core_depends=$(dpkg-deb -f "$core" Depends)
qt_depends=$(dpkg-deb -f "$qt" Depends)
echo "$(basename "$core"): $core_depends"
echo "$(basename "$qt"): $qt_depends"
grep -qi "qt" <<<"$core_depends" && fail "korvax hängt von Qt ab"
grep -q "libzip" <<<"$core_depends" || fail "korvax ohne libzip"
grep -q "libqt6widgets6" <<<"$qt_depends" || fail "korvax-qt ohne Qt"
grep -q "korvax (= " <<<"$qt_depends" || fail "korvax-qt ohne korvax"
apt-get install -s "$core" "$qt" >"$tmp/apt.out" 2>&1 || fail "apt: $(cat "$tmp/apt.out")"

root=$tmp/root
dpkg-deb -x "$core" "$root"
dpkg-deb -x "$qt" "$root"
office=$tmp/office
/usr/bin/python3 "$source/tools/make_demo_office.py" "$office" >/dev/null
QT_QPA_PLATFORM=offscreen KORVAX_LOG_DIR="$office" "$root/usr/bin/korvax" show \
  --db "$office/office.sqlite" --doc "$office/Rechnung-2026-0017.docx" --user 1 --index 3 \
  --invoice 17 --set Flurstücksnummer=123/4 --set AnzahlGrenzpunkte=4 --set Bodenwert=45 \
  --gui --script "$source/examples/nr7.json" || fail "korvax show --gui aus den Paketen"
unzip -p "$office/Rechnung-2026-0017.docx" word/document.xml | grep -q "429,52" ||
  fail "keine Nr.-7-Zeile in der Rechnung"
