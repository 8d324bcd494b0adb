# Sourced by the packaging checks: a scratch folder removed on exit, and failure counting.
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
