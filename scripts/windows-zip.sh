#!/bin/sh
# Packs the Windows release into one zip: both DLLs stripped of their debug information,
# the user manual with its pictures, and the installation notes.
#
#   scripts/windows-zip.sh [OUTPUT.zip]     default build/Tarvo-<version>-windows.zip
#
# Takes build/mingw32/Tarvo.dll and build/mingw64/Tarvo.dll (the mingw32 and mingw64
# presets) and needs zip (scripts/deps.sh zip). The archive holds:
#   x86/Tarvo.dll  x64/Tarvo.dll  manual.html  manual-images/*.png  INSTALL.txt
# Its entries are sorted and time-stamped with the last commit, so the same inputs give
# the same archive.
set -eu
cd "$(dirname "$0")/.."
version="$(sed -n 's/^project(Tarvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
out="${1:-build/Tarvo-$version-windows.zip}"

for preset in mingw32 mingw64; do
  if [ ! -f "build/$preset/Tarvo.dll" ]; then
    echo "error: build/$preset/Tarvo.dll is missing; build it first:" >&2
    echo "  cmake --preset $preset && cmake --build --preset $preset --target Tarvo" >&2
    exit 1
  fi
done
command -v zip >/dev/null || { echo "error: zip is missing (scripts/deps.sh zip)" >&2; exit 1; }

stage="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-zip.XXXXXX")"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x86" "$stage/x64" "$stage/manual-images"
i686-w64-mingw32-strip --strip-all -o "$stage/x86/Tarvo.dll" build/mingw32/Tarvo.dll
x86_64-w64-mingw32-strip --strip-all -o "$stage/x64/Tarvo.dll" build/mingw64/Tarvo.dll
cp docs/manual.html "$stage/"
cp docs/manual-images/*.png "$stage/manual-images/"
# Windows line ends, for any text editor there.
sed 's/$/\r/' docs/windows-install.txt >"$stage/INSTALL.txt"

stamp="$(git log -1 --format=%cI 2>/dev/null || echo 2026-01-01T00:00:00Z)"
find "$stage" -exec touch -d "$stamp" {} +
case "$out" in /*) target="$out" ;; *) target="$PWD/$out" ;; esac
mkdir -p "$(dirname "$target")"
rm -f "$target"
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -X -9 -q "$target" -@)
echo "Wrote $out ($(wc -c <"$target") bytes)"
