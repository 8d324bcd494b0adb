#!/bin/sh
# Builds the Debian package afresh into DEB_DIR, for the checks that inspect it.
# Usage: make-deb.sh BUILD_DIR DEB_DIR
set -u
build=$1
deb_dir=$2

rm -rf "$deb_dir"
mkdir -p "$deb_dir"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$deb_dir" >"$deb_dir/cpack.log" 2>&1; then
  cat "$deb_dir/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
ls "$deb_dir"/marrowdale_*.deb
