#!/bin/sh
# Runs Debian's package checker on the package that make-deb.sh built; any error fails.
# Usage: check-lintian.sh DEB_DIR
. "$(dirname "$0")/common.sh"
deb=$(ls "$1"/marrowdale_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no marrowdale_*.deb in $1"; exit 1; }
command -v lintian >/dev/null || { echo "FAIL: lintian is not installed (scripts/install-deps.sh)"; exit 1; }

# Warnings and notes are shown as well, so that new ones get noticed; only errors fail.
lintian --fail-on error --display-info --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1
status=$?
grep -v '^running with root privileges' "$scratch/lintian.log"
[ "$status" -eq 0 ] || fail "lintian reports errors (status $status) on $(basename "$deb")"
[ "$failures" -eq 0 ] && echo "lintian: no errors on $(basename "$deb")"
exit "$failures"
