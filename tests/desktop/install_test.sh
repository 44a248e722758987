#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the desktop integration laid out there: the
# programs, a launcher per program for its file type, the MIME package and the icons.
# Exit 77 (skipped) when desktop-file-validate is not there to judge the launchers.
# Usage: install_test.sh BUILD_DIR
set -uo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=$root/usr
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
share=$prefix/share
for f in bin/Zarn_zed32 bin/SigRoll32; do [ -x "$prefix/$f" ] || fail "$f is not an installed program"; done
for f in applications/Zarn_zed32.desktop applications/SigRoll32.desktop mime/packages/zarn-audio.xml \
         icons/hicolor/scalable/apps/zarn_zed32.svg icons/hicolor/scalable/apps/sigroll32.svg \
         icons/hicolor/scalable/mimetypes/application-x-zarn-event.svg \
         icons/hicolor/scalable/mimetypes/application-x-zarn-signal-list.svg; do
    [ -s "$share/$f" ] || fail "share/$f is missing"
done

# Each launcher opens its file type, and that type is the one the MIME package declares.
xml=$share/mime/packages/zarn-audio.xml
check_launcher() { # desktop file, program, MIME type
    grep -qx "Exec=$2 %f" "$share/applications/$1" || fail "$1: Exec is not '$2 %f'"
    grep -qx "MimeType=$3;" "$share/applications/$1" || fail "$1: MimeType is not $3"
    grep -q "<mime-type type=\"$3\">" "$xml" || fail "$3 is not declared in zarn-audio.xml"
}
check_launcher Zarn_zed32.desktop Zarn_zed32 application/x-zarn-event
check_launcher SigRoll32.desktop SigRoll32 application/x-zarn-signal-list
for g in '*.EVA' '*.eva' '*.SIG' '*.sig'; do
    grep -qF "<glob pattern=\"$g\"" "$xml" || fail "no glob $g"
done
if command -v xmllint >/dev/null; then
    xmllint --noout "$xml" "$share"/icons/hicolor/scalable/*/*.svg || fail "malformed XML"
fi
# shared-mime-info's own compiler reads the package and lists the globs it took from it.
if command -v update-mime-database >/dev/null; then
    update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database rejects the package"
    for g in 'application/x-zarn-event:\*\.EVA' 'application/x-zarn-event:\*\.eva' \
             'application/x-zarn-signal-list:\*\.SIG' 'application/x-zarn-signal-list:\*\.sig'; do
        grep -q "$g" "$share/mime/globs2" || fail "compiled database lacks $g"
    done
fi

command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate is not installed"; exit 77; }
out=$(desktop-file-validate "$share"/applications/*.desktop 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
echo "installed layout and launchers are in order"
