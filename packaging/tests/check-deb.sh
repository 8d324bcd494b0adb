#!/bin/sh
# Builds the Debian package into a scratch folder and checks its contents and dependencies.
# Usage: check-deb.sh BUILD_DIR INSTALL_PREFIX HELP_FOLDER_PROBE
. "$(dirname "$0")/common.sh"

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$(ls "$scratch"/marrowdale_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no marrowdale_*.deb made"; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = marrowdale ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6core6 libicu; do
  case "$depends" in *"$library"*) ;; *) fail "Depends lacks $library: $depends" ;; esac
done

dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >"$scratch/contents"
help=$("$probe") || fail "help folder probe"
# The help pages must lie where the packaged executable will look for them.
for file in "$help/Contents.txt" "$prefix/bin/marrowdale" "$prefix/share/applications/marrowdale.desktop" \
  "$prefix/share/metainfo/marrowdale.metainfo.xml" "$prefix/share/marrowdale/languages/Japanese.lng"; do
  grep -qx -- "$file" "$scratch/contents" || fail "package lacks $file"
done

[ "$failures" -eq 0 ] && echo "package $(basename "$deb") complete"
exit "$failures"
