#!/bin/sh
# Runs Debian's package checker on the package that make-deb.sh built; any error or warning fails.
# Usage: check-lintian.sh DEB_DIR
. "$(dirname "$0")/common.sh"
deb=$(ls "$1"/marrowdale_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no marrowdale_*.deb in $1"; exit 1; }
command -v lintian >/dev/null || { echo "FAIL: lintian is not installed (scripts/install-deps.sh)"; exit 1; }

# The package is free of warnings too, and a new one is as easy to fix when it comes; notes are
# shown without failing (the help pages are documentation outside /usr/share/doc by design).
lintian --fail-on error,warning --display-info --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1
status=$?
grep -v '^running with root privileges' "$scratch/lintian.log"
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings (status $status) on $(basename "$deb")"
[ "$failures" -eq 0 ] && echo "lintian: no errors or warnings on $(basename "$deb")"
exit "$failures"
