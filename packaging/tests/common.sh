# Sourced by the packaging checks: arguments, a scratch folder removed on exit, and failure counting.
# Arguments: BUILD_DIR INSTALL_PREFIX HELP_FOLDER_PROBE
set -u
build=$1
prefix=$2
probe=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
