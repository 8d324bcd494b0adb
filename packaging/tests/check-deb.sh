#!/bin/sh
# Checks the contents and dependencies of the package that make-deb.sh built.
# Usage: check-deb.sh DEB_DIR HELP_FOLDER_PROBE
. "$(dirname "$0")/common.sh"
probe=$2
deb=$(ls "$1"/marrowdale_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no marrowdale_*.deb in $1"; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = marrowdale ] || fail "package name"
version=$(dpkg-deb -f "$deb" Version)
# The desktop opens files through xdg-open, Japanese needs the CJK fonts, Qt's dialogs need Qt's
# translations; the libraries come from dpkg-shlibdeps, which must not replace the others.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6core6 libicu xdg-utils fonts-noto-cjk qt6-translations-l10n; do
  case "$depends" in *"$package"*) ;; *) fail "Depends lacks $package: $depends" ;; esac
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
outside=$(cd "$root" && find . ! -type d | grep -v '^\./usr/')
[ -z "$outside" ] || fail "files outside /usr: $outside"
for file in bin/marrowdale libexec/marrowdale/marrowdale-pdf-title share/applications/marrowdale.desktop \
  share/metainfo/io.github.marrowdale.Marrowdale.metainfo.xml share/marrowdale/languages/Japanese.lng \
  share/man/man1/marrowdale.1.gz share/doc/marrowdale/copyright share/doc/marrowdale/changelog.gz \
  lib/systemd/user/marrowdale-watch@.service
do
  [ -f "$root/usr/$file" ] || fail "package lacks /usr/$file"
done

# The packaged executable must find the packaged help pages; the probe resolves the help folder
# with the same code when it sits in the executable's place.
cp "$probe" "$root/usr/bin/"
help=$("$root/usr/bin/$(basename "$probe")") || fail "help folder probe"
[ "$help" = "$root/usr/share/marrowdale/Help" ] && [ -f "$help/Contents.txt" ] \
  || fail "the packaged executable looks for its help pages in $help"

# The package installs into /usr whatever prefix the build was configured for; the manual page
# must name the data folder of the package, not that of the build.
if [ -f "$root/usr/share/man/man1/marrowdale.1.gz" ]; then
  elsewhere=$(zcat "$root/usr/share/man/man1/marrowdale.1.gz" | grep -o '[^ ]*/share/marrowdale' | grep -vx '/usr/share/marrowdale')
  [ -z "$elsewhere" ] || fail "manual page names another data folder: $elsewhere"
fi

# A new version needs its changelog entry.
if [ -f "$root/usr/share/doc/marrowdale/changelog.gz" ]; then
  latest=$(zcat "$root/usr/share/doc/marrowdale/changelog.gz" | head -n 1)
  case "$latest" in "marrowdale ($version) "*) ;; *) fail "changelog does not begin with version $version: $latest" ;; esac
fi

[ "$failures" -eq 0 ] && echo "package $(basename "$deb") complete"
exit "$failures"
