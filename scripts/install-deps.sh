#!/bin/sh
# Installs what the build and the tests need, only when something is missing.
set -eu
# The build (compiler, CMake, Qt 6, ICU, and libxml2, GMime and poppler for reading pages), what the
# program uses at run time (CJK fonts, Qt's translations, xdg-open), the tests' setfattr (attr) and the
# packaging checks (desktop entry, AppStream data, manual page, Debian package).
packages="cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libicu-dev zlib1g-dev libxml2-dev libgmime-3.0-dev libpoppler-cpp-dev fonts-noto-cjk qt6-translations-l10n
  xdg-utils desktop-file-utils appstream dpkg-dev file man-db lintian attr dbus-daemon"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
# Another apt run may hold the package locks for a while: wait for it rather than fail.
wait_for_lock="-o DPkg::Lock::Timeout=300"
$sudo apt-get $wait_for_lock update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get $wait_for_lock install -y -qq $missing
