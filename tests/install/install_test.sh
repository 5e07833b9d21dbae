#!/bin/bash
# Korvax as a host developer gets it: installed into a prefix of its own, the
# example hosts of examples/ built against it as an outside project (CMake's
# find_package, and pkg-config), run on a fresh demo office with the action
# script, headless and in the Qt dialogs on the offscreen platform; the C
# host also on an X display (Xvfb), keeping a picture of its dialog in
# SCREENSHOT. Then the core alone, without the Qt dialogs: asking for them
# says what is missing.
#   install_test.sh BUILD SOURCE SCREENSHOT
set -euo pipefail
build=$1
source=$2
screenshot=$3
tmp=$(mktemp -d /tmp/korvax-install.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
# Window positions the dialogs remember stay in here.
export XDG_CONFIG_HOME=$tmp/config
prefix=$tmp/prefix
fail() {
  echo "FEHLER: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
library=$(find "$prefix" -name libkorvax.so.1)
libdir=$(dirname "$library")
examples=$prefix/share/doc/korvax/examples
[ -f "$libdir/korvax/libkorvax-qt.so" ] || fail "die Qt-Dialoge fehlen in $libdir/korvax"
[ "$(readelf -d "$library" | grep -o 'Library soname: \[[^]]*\]')" = "Library soname: [libkorvax.so.1]" ] ||
  fail "SONAME von $library"
"$source/tests/abi/exported_symbols.sh" "$library" "$prefix/include/korvax/korvax.h"

echo "== Beispiele mit find_package(Korvax)"
cmake -S "$examples" -B "$tmp/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$tmp/examples" >/dev/null
echo "== C-Beispiel mit pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror "$examples/c/nr7_host.c" $(pkg-config --cflags --libs korvax) \
  -o "$tmp/nr7_host_pkgconfig"

# Each host bills the Nr. 7 lines of the script into a fresh demo office.
check_host() { # name, display: none|offscreen, command...
  local name=$1 display=$2
  shift 2
  local office=$tmp/office-$name-$display
  /usr/bin/python3 "$source/tools/make_demo_office.py" "$office" >/dev/null
  local platform=""
  [ "$display" = offscreen ] && platform=offscreen
  if ! env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM="$platform" KORVAX_LOG_DIR="$office" \
    KORVAX_LIBRARY="$library" LD_LIBRARY_PATH="$libdir" "$@" "$office" "$examples/nr7.json" \
    >"$office/out" 2>&1; then
    cat "$office/out" >&2
    fail "$name ($display)"
  fi
  unzip -p "$office/Rechnung-2026-0017.docx" word/document.xml | grep -q "429,52" ||
    fail "$name ($display): keine Nr.-7-Zeile in der Rechnung"
  echo "$name, Anzeige $display: Rechnung gespeichert"
}
for display in none offscreen; do
  check_host C "$display" "$tmp/examples/nr7_host_c"
  check_host C-pkg-config "$display" "$tmp/nr7_host_pkgconfig"
  check_host C++ "$display" "$tmp/examples/nr7_host_cpp"
  check_host Python "$display" /usr/bin/python3 "$examples/python/nr7_host.py"
done

echo "== C-Beispiel (pkg-config) auf einer X-Anzeige (Xvfb)"
office=$tmp/office-xvfb
/usr/bin/python3 "$source/tools/make_demo_office.py" "$office" >/dev/null
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM KORVAX_LOG_DIR="$office" LD_LIBRARY_PATH="$libdir" \
  /usr/bin/python3 "$source/tests/install/xvfb_screenshot.py" "$screenshot" \
  "$tmp/nr7_host_pkgconfig" "$office" "$examples/nr7.json" >"$office/out" 2>&1 ||
  fail "C-Beispiel unter Xvfb: $(cat "$office/out")"
unzip -p "$office/Rechnung-2026-0017.docx" word/document.xml | grep -q "429,52" ||
  fail "C-Beispiel unter Xvfb: keine Nr.-7-Zeile in der Rechnung"
grep "Bild des Dialogs" "$office/out"

echo "== nur der Kern, ohne die Qt-Dialoge"
core=$tmp/core
cmake --install "$build" --prefix "$core" --component korvax >/dev/null
office=$tmp/office-core
/usr/bin/python3 "$source/tools/make_demo_office.py" "$office" >/dev/null
status=0
QT_QPA_PLATFORM=offscreen KORVAX_LOG_DIR="$office" "$core/bin/korvax" show \
  --db "$office/office.sqlite" --doc "$office/Rechnung-2026-0017.docx" --user 1 --index 3 \
  --gui 2>"$tmp/stderr" || status=$?
[ $status -eq 2 ] || fail "korvax show --gui ohne Qt-Dialoge: Rückgabewert $status"
grep -q "korvax-qt" "$tmp/stderr" || fail "keine Nachricht, was fehlt: $(cat "$tmp/stderr")"
cat "$tmp/stderr"
