#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands where the desktop looks.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
src=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
for f in bin/mokuroku bin/mokuroku-check; do
    [ -x "$prefix/$f" ] || fail "$f is not an installed program"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/mokuroku.svg" ] || fail "no icon"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/mokuroku.svg" || fail "icon is no SVG"
entry="$prefix/share/applications/mokuroku.desktop"
[ -f "$entry" ] || fail "no desktop entry"
grep -qx 'Exec=mokuroku' "$entry" || fail "desktop entry does not start mokuroku"
grep -qx 'Icon=mokuroku' "$entry" || fail "desktop entry names another icon"
grep -q '^Name\[ja\]=' "$entry" || fail "desktop entry has no Japanese name"
grep -qx 'Categories=Development;WebDevelopment;' "$entry" || fail "desktop entry categories"
if [ -f "$src/help/mokuroku.html" ]; then
    for f in "$src"/help/*.html; do
        [ -f "$prefix/share/mokuroku/$(basename "$f")" ] || fail "help file $(basename "$f")"
    done
fi
# The installed checker runs from there (nothing beside it but other programs).
"$prefix/bin/mokuroku-check" --version >/dev/null || fail "installed mokuroku-check does not run"

[ "$failures" -eq 0 ] && echo "installation: all files in place"
exit "$failures"
