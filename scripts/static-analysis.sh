#!/bin/sh
# Static analysis: the layout of every source file (clang-format), then the plug-in's sources
# (src/): clang-tidy with the checks chosen in .clang-tidy, then cppcheck once for the Linux build and once for the Windows build of the
# platform code. Any finding fails. A finding that is wrong for this code is silenced in
# place with NOLINT / cppcheck-suppress and a comment that says why.
#
# Needs the compile database of a configured and built release tree (generated headers):
#   scripts/static-analysis.sh [BUILD_DIR]   (default build/release)
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh clang-tidy clang-format cppcheck
build="${1:-build/release}"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "error: $build/compile_commands.json is missing; build the release preset first" >&2
  exit 1
fi
jobs="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

# Layout first: every C and C++ file of the project as .clang-format has it (the generated
# skin sources excepted).
git ls-files '*.c' '*.cpp' '*.h' | grep -v '^src/editor/skin/embedded/' |
  xargs clang-format --dry-run --Werror
echo "clang-format: every file as formatted"

# The Windows-only sources are not in the Linux compile database; cppcheck reads them below.
files=$(find src -name '*.cpp' ! -path 'src/platform/win32/*' | sort)
echo "clang-tidy: $(echo "$files" | wc -l) files"
# shellcheck disable=SC2086
run-clang-tidy -p "$build" -j "$jobs" -quiet $files >"$build/clang-tidy.log" 2>&1 || {
  grep -E '(warning|error):' "$build/clang-tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u
  echo "clang-tidy: findings above (full log in $build/clang-tidy.log)" >&2
  exit 1
}
echo "clang-tidy: no findings"

cppcheck_common="--enable=warning,performance,portability --inline-suppr --std=c++20 -q
  --error-exitcode=1 -I src --suppress=missingIncludeSystem --suppress=toomanyconfigs
  --max-configs=1"
# shellcheck disable=SC2086
cppcheck $cppcheck_common -j "$jobs" -D__linux__ -U_WIN32 \
  -i src/platform/win32 src
# shellcheck disable=SC2086
cppcheck $cppcheck_common -D_WIN32 -DUNICODE -D_UNICODE \
  src/platform/win32 src/plugin/entry.cpp
echo "cppcheck: no findings"
