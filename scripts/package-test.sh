#!/bin/sh
# Installs Tarvo and removes it again, checking every file on the way:
#   1. a user install with `cmake --install` into a temporary home, then the uninstall
#      target;
#   2. the Debian package made by CPack: dpkg -i, the files, the settings file naming the
#      installed manual, the installed renderer, dpkg -r and dpkg -P (needs root; skipped
#      with a note otherwise, and refused when a tarvo package is already installed).
#   In both, the LV2 bundle (when the build makes it) is checked file by file, and lv2ls
#   must find the plug-in where it was installed.
# Usage: scripts/package-test.sh [BUILD_DIR]   (default build/release, built when needed)
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh file dpkg-dev  # CPack reads the binaries' libraries with these
build="${1:-build/release}"
if [ "$build" = build/release ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target Tarvo tarvo-render tarvo_lv2 tarvo_lv2_ui
fi
build=$(cd "$build" && pwd)
# The files of the LV2 bundle as built (none when the build has no LV2 plug-in).
lv2_files=$(cd "$build" && ls Tarvo.lv2/*.ttl Tarvo.lv2/*.so 2>/dev/null || true)

tmp=$(mktemp -d)
manifest="$build/install_manifest.txt"
# The test's installs must not replace the manifest of a real install from this build.
[ -f "$manifest" ] && cp "$manifest" "$tmp/saved-manifest"
installed_deb=no
cleanup() {
  # A failed check must not leave the test's package on the machine.
  [ "$installed_deb" = no ] || dpkg -P tarvo >/dev/null 2>&1 || true
  if [ -f "$tmp/saved-manifest" ]; then cp "$tmp/saved-manifest" "$manifest"; else rm -f "$manifest"; fi
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() { echo "package-test: FAIL: $*" >&2; exit 1; }
check_file() { [ -f "$1" ] || fail "missing $1"; }
check_gone() { [ ! -e "$1" ] || fail "still there after removal: $1"; }
images=$(ls "$root"/docs/manual-images/*.png | wc -l)
[ "$images" -gt 0 ] || fail "no manual pictures in docs/manual-images"

check_layout() {  # check_layout VST_DIR BIN_DIR DOC_DIR SETTINGS_FILE
  check_file "$1/Tarvo.so"
  check_file "$2/tarvo-render"
  check_file "$3/manual.html"
  n=$(ls "$3"/manual-images/*.png | wc -l)
  [ "$n" -eq "$images" ] || fail "$n of $images manual pictures installed in $3"
  check_file "$4"
  manual=$(sed -n 's/^Manual=//p' "$4")
  [ -n "$manual" ] || fail "$4 has no Manual= line"
  echo "  $4: Manual=$manual"
  # The path recorded is the installed manual, without any staging folder.
  [ "$manual" = "$5" ] || fail "Manual=$manual, expected $5"
}
check_lv2() {  # check_lv2 LV2_DIR: every file of the built bundle, and lilv finds the plug-in
  [ -n "$lv2_files" ] || return 0
  for f in $lv2_files; do check_file "$1/$f"; done
  LV2_PATH="$1" lv2ls | grep -qx "urn:velmora:tarvo" || fail "lv2ls does not list Tarvo in $1"
  echo "  $1/Tarvo.lv2: $(echo "$lv2_files" | wc -l) files, listed by lv2ls"
}
check_renderer() {  # check_renderer BIN_DIR PLUGIN: the installed renderer loads the installed plug-in
  "$1/tarvo-render" --help | grep -qF -- "--plugin TEXT=$2" ||
    fail "$1/tarvo-render does not default to $2"
  "$1/tarvo-render" --demo "$tmp/demo.wav" >"$tmp/render.log" || fail "installed tarvo-render failed"
  grep -q "gain reduction up to" "$tmp/render.log" || fail "no summary from the installed renderer"
  rm -f "$tmp/demo.wav"
}

echo "=== 1. cmake --install into a temporary home, then uninstall ==="
home="$tmp/home"
mkdir -p "$home"
HOME="$home" XDG_CONFIG_HOME="" cmake --install "$build" --prefix "$home/.local" >"$tmp/install.log"
prefix="$home/.local"
check_layout "$prefix/lib/vst" "$prefix/bin" "$prefix/share/doc/tarvo" \
  "$home/.config/Velmora Audio/Tarvo.conf" "$prefix/share/doc/tarvo/manual.html"
check_renderer "$prefix/bin" "$prefix/lib/vst/Tarvo.so"
check_lv2 "$prefix/lib/lv2"
listed=$(grep -c "" "$manifest")
installed=$(find "$home" -type f | wc -l)
[ "$listed" -eq "$installed" ] || fail "manifest lists $listed files, $installed were installed"
echo "  $installed files installed, all listed in install_manifest.txt"
cmake --build "$build" --target uninstall >"$tmp/uninstall.log"
left=$(find "$home" -type f)
[ -z "$left" ] || fail "uninstall left: $left"
echo "  uninstall removed all $listed files"

# With XDG_CONFIG_HOME set, the settings file follows it.
HOME="$home" XDG_CONFIG_HOME="$home/xdg" cmake --install "$build" --prefix "$home/.local" >"$tmp/install.log"
check_file "$home/xdg/Velmora Audio/Tarvo.conf"
cmake --build "$build" --target uninstall >"$tmp/uninstall.log"
[ -z "$(find "$home" -type f)" ] || fail "uninstall left files behind"
echo "  XDG_CONFIG_HOME respected; removed again"

echo "=== 2. Debian package ==="
if [ "$(id -u)" -ne 0 ]; then
  echo "  skipped: dpkg -i needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' tarvo 2>/dev/null | grep -q "installed\|config-files"; then
  fail "a tarvo package is already on this machine; remove it first (dpkg -P tarvo)"
fi
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log") ||
  { cat "$tmp/cpack.log"; fail "cpack failed"; }
deb=$(ls "$tmp"/pkg/tarvo_*.deb)
echo "  $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
depends=$(dpkg-deb -f "$deb" Depends)
echo "  Depends: $depends"
for lib in libc6 libx11-6 libsndfile1 libpng16-16; do
  echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib"
done
dpkg-deb -c "$deb" >"$tmp/contents"
sed 's/^/    /' "$tmp/contents"
for f in $lv2_files; do
  grep -q " \./usr/lib/lv2/$f\$" "$tmp/contents" || fail "the package lacks /usr/lib/lv2/$f"
done

settings="/etc/xdg/Velmora Audio/Tarvo.conf"
installed_deb=yes
dpkg -i "$deb" >"$tmp/dpkg.log" || { cat "$tmp/dpkg.log"; fail "dpkg -i failed"; }
check_layout /usr/lib/vst /usr/bin /usr/share/doc/tarvo "$settings" /usr/share/doc/tarvo/manual.html
check_renderer /usr/bin /usr/lib/vst/Tarvo.so
check_lv2 /usr/lib/lv2
dpkg -L tarvo | while IFS= read -r f; do [ -d "$f" ] || echo "$f"; done >"$tmp/files"
echo "  installed $(wc -l <"$tmp/files") files"

dpkg -r tarvo >"$tmp/dpkg.log" || { cat "$tmp/dpkg.log"; fail "dpkg -r failed"; }
while IFS= read -r f; do
  [ "$f" = "$settings" ] || check_gone "$f"
done <"$tmp/files"
# The settings file is a configuration file: removal keeps it, purging deletes it.
check_file "$settings"
dpkg-query -W -f='${Status}' tarvo | grep -q "config-files" || fail "package not in config-files state"
dpkg -P tarvo >"$tmp/dpkg.log" || { cat "$tmp/dpkg.log"; fail "dpkg -P failed"; }
check_gone "$settings"
check_gone "/etc/xdg/Velmora Audio"
check_gone /usr/share/doc/tarvo
check_gone /usr/lib/lv2/Tarvo.lv2
! dpkg-query -W tarvo >/dev/null 2>&1 || fail "dpkg still knows tarvo after purge"
installed_deb=no
echo "  dpkg -r removed every file but the settings file; dpkg -P removed that too"
echo "package-test: passed"
