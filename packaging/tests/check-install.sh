#!/bin/sh
# Installs the build into a scratch root and checks what the desktop needs from it.
# Usage: check-install.sh BUILD_DIR INSTALL_PREFIX HELP_FOLDER_PROBE
#
# The root is staged with DESTDIR rather than a different prefix: the executable keeps the help
# folder of the prefix it was configured with, and only a staged copy of that very prefix shows
# whether the pages land where the program will look for them.
. "$(dirname "$0")/common.sh"
build=$1
prefix=$2
probe=$3

if ! DESTDIR="$scratch/root" cmake --install "$build" >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi
root="$scratch/root$prefix"

for file in \
  bin/marrowdale \
  libexec/marrowdale/marrowdale-pdf-title \
  share/applications/marrowdale.desktop \
  share/icons/hicolor/scalable/apps/marrowdale.svg \
  share/icons/hicolor/48x48/apps/marrowdale.png \
  share/icons/hicolor/128x128/apps/marrowdale.png \
  share/metainfo/io.github.marrowdale.Marrowdale.metainfo.xml \
  share/man/man1/marrowdale.1.gz \
  share/doc/marrowdale/copyright \
  share/doc/marrowdale/changelog.gz \
  lib/systemd/user/marrowdale-watch@.service \
  share/marrowdale/languages/English.lng \
  share/marrowdale/languages/Japanese.lng \
  share/marrowdale/Help/Contents.txt \
  share/marrowdale/Help/ja/Contents.txt
do
  [ -f "$root/$file" ] || fail "not installed: $file"
done
[ -x "$root/bin/marrowdale" ] || fail "bin/marrowdale is not executable"
[ -x "$root/libexec/marrowdale/marrowdale-pdf-title" ] || fail "the PDF title helper is not executable"

# Icon themes skip a bitmap whose size differs from its folder's. Width and height are the
# big-endian words at bytes 16-23 of a PNG.
for size in 48 128; do
  png="$root/share/icons/hicolor/${size}x${size}/apps/marrowdale.png"
  [ -f "$png" ] || continue
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }')
  [ "$dims" = "${size}x${size}" ] || fail "${size}x${size} icon is $dims"
done

desktop-file-validate "$root/share/applications/marrowdale.desktop" || fail "desktop entry"
grep -qx 'Icon=marrowdale' "$root/share/applications/marrowdale.desktop" || fail "desktop entry names another icon"
grep -qx 'Exec=marrowdale' "$root/share/applications/marrowdale.desktop" || fail "desktop entry starts another program"
# The tree check also finds a metadata file that is not named after its component id.
appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1 \
  || { cat "$scratch/appstream.log"; fail "metainfo"; }
grep -q '<launchable type="desktop-id">marrowdale.desktop</launchable>' "$root/share/metainfo/io.github.marrowdale.Marrowdale.metainfo.xml" \
  || fail "metainfo launches another desktop entry"

# The manual page must format without a single groff complaint.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man1/marrowdale.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "$warnings"; fail "manual page"; }

# systemd ignores a misspelt key or a bad value with no more than a line in the journal. Its
# checker reads an instance of the unit (a folder /home/user/Downloads); that the executable is
# not installed where systemd looks for it is expected here. Machines without systemd skip this.
if command -v systemd-analyze >/dev/null; then
  mkdir -m 700 "$scratch/runtime"
  unit="$scratch/marrowdale-watch@home-user-Downloads.service"
  cp "$root/lib/systemd/user/marrowdale-watch@.service" "$unit"
  complaints=$(XDG_RUNTIME_DIR="$scratch/runtime" systemd-analyze verify --user --man=no "$unit" 2>&1 \
    | grep -v 'Command marrowdale is not executable')
  [ -z "$complaints" ] || { echo "$complaints"; fail "user unit"; }
fi

# Where the program looks for its help pages, resolved from a place without a Help folder beside
# it, must be the folder the install filled.
help=$("$probe") || fail "help folder probe"
case "$help" in
  "$prefix"/*) [ -f "$scratch/root$help/Contents.txt" ] || fail "help folder $help holds no Contents.txt once installed" ;;
  *) fail "help folder $help lies outside the install prefix $prefix" ;;
esac

# The installed executable starts and stays up with its own scratch configuration (a first run
# waits at its welcome message until the timeout ends it).
if [ -x "$root/bin/marrowdale" ]; then
  mkdir -p "$scratch/config"
  HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" QT_QPA_PLATFORM=offscreen timeout 3 "$root/bin/marrowdale" >"$scratch/run.log" 2>&1
  rc=$?
  [ "$rc" -eq 124 ] || { cat "$scratch/run.log"; fail "installed executable ended early with status $rc"; }
fi

[ "$failures" -eq 0 ] && echo "install tree complete"
exit "$failures"
