#!/bin/sh
# Installs what the build and the tests need, only when something is missing.
set -eu
packages="cmake g++ make qt6-base-dev qt6-base-dev-tools libicu-dev fonts-noto-cjk desktop-file-utils appstream dpkg-dev file man-db"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
