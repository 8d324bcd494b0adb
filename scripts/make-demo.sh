#!/bin/sh
# Builds a demonstration from scratch in demo/: a pile of saved pages in demo/inbox, a sorted tree
# in demo/Sorted, a keyword list and settings in demo/config/marrowdale, then starts the program
# on it. Everything under demo/ is thrown away and made anew on every run.
#
#   scripts/make-demo.sh [--no-start]
#
# BUILD names the build folder (default: build). DEMO_LANGUAGE=Japanese installs that language
# file into the demo's configuration.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case "$build" in /*) ;; *) build="$repo/$build" ;; esac
demo="$repo/demo"
inbox="$demo/inbox"
sorted="$demo/Sorted"
config="$demo/config/marrowdale"

rm -rf "$demo"
mkdir -p "$inbox" "$sorted" "$config"

# A one-pixel PNG is enough to stand in for a page's pictures.
png_base64='iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg=='

# page NAME TITLE [COMPANION-SUFFIX] [AGE]: a saved page, with its companion folder when a suffix
# ("_files" or ".files") is given. AGE ("3 days ago") sets the modification time.
page() {
  name=$1 title=$2 suffix=${3:-} age=${4:-}
  file="$inbox/$name"
  base=${name%.*}
  {
    printf '<!DOCTYPE html>\n<html>\n<head>\n<meta charset="utf-8">\n<title>%s</title>\n' "$title"
    if [ -n "$suffix" ]; then
      printf '<link rel="stylesheet" href="%s%s/style.css">\n' "$base" "$suffix"
    fi
    printf '</head>\n<body>\n<h1>%s</h1>\n' "$title"
    if [ -n "$suffix" ]; then
      printf '<img src="%s%s/picture.png" alt="">\n' "$base" "$suffix"
    fi
    printf '<p>Saved for later reading.</p>\n</body>\n</html>\n'
  } >"$file"
  if [ -n "$suffix" ]; then
    companion="$inbox/$base$suffix"
    mkdir -p "$companion"
    printf 'body { font-family: sans-serif; margin: 2em; }\nh1 { color: #345; }\n' >"$companion/style.css"
    printf '%s' "$png_base64" | base64 -d >"$companion/picture.png"
    [ -z "$age" ] || touch -d "$age" "$companion" "$companion"/*
  fi
  [ -z "$age" ] || touch -d "$age" "$file"
}

# pdf_object TEXT: appends one object to the PDF being written and notes where it starts.
pdf_object() {
  offsets="$offsets $(wc -c <"$file")"
  printf '%s\n' "$1" >>"$file"
}

# pdf NAME TITLE [AGE]: a small but well-formed PDF showing its title.
pdf() {
  name=$1 title=$2 age=${3:-}
  file="$inbox/$name"
  text="BT /F1 18 Tf 72 720 Td ($title) Tj ET"
  : >"$file"
  offsets=""
  printf '%%PDF-1.4\n' >>"$file"
  pdf_object '1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj'
  pdf_object '2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj'
  pdf_object '3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >> endobj'
  pdf_object "4 0 obj << /Length ${#text} >> stream
$text
endstream endobj"
  pdf_object '5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj'
  xref=$(wc -c <"$file")
  {
    printf 'xref\n0 6\n0000000000 65535 f \n'
    for offset in $offsets; do printf '%010d 00000 n \n' "$offset"; done
    printf 'trailer << /Size 6 /Root 1 0 R >>\nstartxref\n%s\n%%%%EOF\n' "$xref"
  } >>"$file"
  [ -z "$age" ] || touch -d "$age" "$file"
}

# The pile: saved pages with their companion folders, papers, manuals, a few Japanese and
# full-width names, and some files that no keyword fits.
page "Weather forecast Tokyo.htm" "Weather forecast: Tokyo" _files "2 hours ago"
page "Weather warning Osaka.htm" "Heavy rain warning for Osaka" _files "1 day ago"
page "天気予報 札幌.htm" "札幌の天気予報" _files "3 days ago"
page "Python tutorial.html" "The Python tutorial" .files "5 days ago"
page "Python asyncio guide.html" "A guide to asyncio" .files "6 days ago"
page "Python packaging with pyproject.htm" "Packaging with pyproject.toml" _files "8 days ago"
page "ｐｙｔｈｏｎ 入門.htm" "Python 入門" _files "9 days ago"
page "Rust ownership explained.html" "Ownership in Rust, explained" "" "10 days ago"
page "Learning Qt 6 widgets.htm" "Learning Qt 6 widgets" _files "11 days ago"
page "Linux kernel release notes.html" "Linux kernel release notes" "" "12 days ago"
page "News today - Economy.htm" "Economy news of the day" _files "1 hour ago"
page "ＮＥＷＳ today.htm" "Today's headlines" _files "4 hours ago"
page "ニュース 経済.htm" "経済ニュース" _files "2 days ago"
page "経済ニュース 円相場.htm" "円相場の動き" "" "2 days ago"
page "Stock market news 2026-12-01.htm" "Stock market wrap-up" _files "6 days ago"
page "Recipe - Japanese curry.htm" "Japanese curry at home" _files "3 days ago"
page "Recipe - Fluffy pancakes.htm" "Fluffy pancakes" "" "4 days ago"
page "レシピ 肉じゃが.htm" "肉じゃがの作り方" _files "7 days ago"
page "Travel Kyoto autumn.htm" "Kyoto in autumn" _files "14 days ago"
page "京都 紅葉 旅行.htm" "京都の紅葉めぐり" _files "15 days ago"
page "Untitled.htm" "Untitled" "" "20 days ago"
pdf "Smith 2021 - Deep learning for weather prediction.pdf" "Deep learning for weather prediction" "30 days ago"
pdf "Tanaka 2019 - A survey of sorting algorithms.pdf" "A survey of sorting algorithms" "40 days ago"
pdf "Camera manual EOS R8.pdf" "Camera manual" "50 days ago"
pdf "Dishwasher manual.pdf" "Dishwasher manual" "60 days ago"
pdf "Train timetable Shinjuku.pdf" "Train timetable" "5 days ago"
pdf "Invoice 2026-11.pdf" "Invoice November 2026" "7 days ago"

# The sorted tree: some subject folders exist already, the rest are created by Classify.
mkdir -p "$sorted/News" "$sorted/Weather" "$sorted/Programming/Python" "$sorted/Manuals" \
  "$sorted/Recipes/Japanese" "$sorted/Recipes/Sweets"
printf '<!DOCTYPE html>\n<html>\n<head>\n<meta charset="utf-8">\n<title>Style guide for Python code</title>\n</head>\n<body>\n<h1>Style guide for Python code</h1>\n</body>\n</html>\n' \
  >"$sorted/Programming/Python/Python style guide.htm"

# The keyword list: keyword padded to 20 characters, destination relative to the parent folder,
# used and search counts. A keyword ending in "?" asks for the folder every time.
cat >"$config/Default.dat" <<'EOF'
learning             -> ../Programming    << 1/15
linux                -> ../Programming/Linux
manual               -> ../Manuals    << 4/25
news                 -> ../News    << 12/40
python               -> ../Programming/Python    << 3/10
qt                   -> ../Programming/Qt    << 2/12
recipe?              -> ../Recipes
rust                 -> ../Programming/Rust
travel               -> ../Travel
weather              -> ../Weather    << 8/30
ニュース                 -> ../News    << 5/20
レシピ?                 -> ../Recipes
天気                   -> ../Weather
旅行                   -> ../Travel
経済                   -> ../News/Economy    << 2/9
EOF

cat >"$config/marrowdale.ini" <<EOF
[Setting]
IniFolder=$demo/inbox
Destination=$sorted
PtnFile=$config/Default.dat
RootFolder=$sorted
Sift=1
Confirm=0
Denominator=1000
EOF

if [ -n "${DEMO_LANGUAGE:-}" ]; then
  cp "$repo/languages/$DEMO_LANGUAGE.lng" "$config/marrowdale.lng"
fi

echo "Demo ready in $demo: $(find "$inbox" -maxdepth 1 -type f | wc -l) files in demo/inbox."
[ "${1:-}" = "--no-start" ] && exit 0

program="$build/src/marrowdale"
if [ ! -x "$program" ]; then
  echo "$program is missing: build first (make build)." >&2
  exit 1
fi
XDG_CONFIG_HOME="$demo/config" XDG_STATE_HOME="$demo/state" exec "$program"
