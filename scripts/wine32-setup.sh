#!/bin/sh
# Makes 32-bit Wine usable on an x86-64 Debian 12 machine whose kernel cannot run 32-bit
# programs: installs wine32 (i386 multiarch) and finds a qemu-user for the i386 Wine
# loader, which cmake/wine32-run.sh then starts directly (no binfmt registration).
#
#   scripts/wine32-setup.sh QEMU_PATH_FILE
#
# Writes the path of the qemu-i386 to use into QEMU_PATH_FILE. qemu 8.1 and later start a
# 32-bit Wine process in under a second; Debian 12's own qemu 7.2 needs about a minute
# for each (Wine's address space set-up makes ~65,000 mmap calls that 7.2 answers
# slowly). So a qemu-i386 of 8.1 or later on the PATH is used as it is; otherwise the
# qemu-user package of bookworm-backports is downloaded (apt-get download) and unpacked
# into build/wine32-tools, without installing it; failing that, Debian 12's
# qemu-user-static is installed.
#
# TARVO_QEMU_I386, when set, names the qemu-i386 to use instead.
#
# Exit status 0 when 32-bit Wine is ready, non-zero (with the reason) when not.
set -eu
cd "$(dirname "$0")/.."
out="${1:?usage: scripts/wine32-setup.sh QEMU_PATH_FILE}"
tools="$PWD/build/wine32-tools"
started=$(date +%s)
say() { echo "[wine32 setup, $(($(date +%s) - started)) s] $*"; }

if [ "$(id -u)" -ne 0 ]; then
  echo "32-bit Wine needs packages installed as root (wine32:i386, qemu-user)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive

if [ ! -x /usr/lib/wine/wine ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture"
    dpkg --add-architecture i386
  fi
  say "apt-get update"
  apt-get update -q >/dev/null
  say "installing wine32"
  apt-get install -y -q --no-install-recommends wine32 >/dev/null
fi
[ -x /usr/lib/wine/wine ] || { echo "wine32 did not install /usr/lib/wine/wine" >&2; exit 1; }

# major.minor of a qemu binary as one number (8.1 -> 801), 0 when it does not run.
qemu_version() {
  "$1" --version 2>/dev/null |
    sed -n 's/.*version \([0-9][0-9]*\)\.\([0-9][0-9]*\).*/\1 \2/p' | head -n 1 |
    { read -r major minor && echo $((major * 100 + minor)) || echo 0; }
}

qemu=""
if [ -n "${TARVO_QEMU_I386:-}" ]; then
  # The caller's choice, whatever its version.
  [ -x "$TARVO_QEMU_I386" ] || { echo "TARVO_QEMU_I386=$TARVO_QEMU_I386 is not a program" >&2; exit 1; }
  qemu="$TARVO_QEMU_I386"
fi
for candidate in "$tools/usr/bin/qemu-i386" "$(command -v qemu-i386 || true)" \
                 "$(command -v qemu-i386-static || true)"; do
  if [ -z "$qemu" ] && [ -n "$candidate" ] && [ -x "$candidate" ] &&
     [ "$(qemu_version "$candidate")" -ge 801 ]; then
    qemu="$candidate"
    break
  fi
done

if [ -z "$qemu" ] && grep -q '^VERSION_CODENAME=bookworm' /etc/os-release; then
  say "downloading qemu-user from bookworm-backports"
  list=/etc/apt/sources.list.d/tarvo-wine32-backports.list
  # The extra source is there only for the download, and gone again afterwards.
  echo "deb http://deb.debian.org/debian bookworm-backports main" >"$list"
  download="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-qemu.XXXXXX")"
  if apt-get update -q >/dev/null 2>&1 &&
     (cd "$download" && apt-get download -q qemu-user/bookworm-backports >/dev/null 2>&1); then
    rm -rf "$tools"
    mkdir -p "$tools"
    dpkg-deb -x "$download"/qemu-user_*.deb "$tools"
  else
    say "the backports download failed"
  fi
  rm -f "$list"
  rm -rf "$download"
  apt-get update -q >/dev/null 2>&1 || true
  if [ -x "$tools/usr/bin/qemu-i386" ] && [ "$(qemu_version "$tools/usr/bin/qemu-i386")" -ge 801 ]; then
    qemu="$tools/usr/bin/qemu-i386"
  fi
fi

if [ -z "$qemu" ]; then
  say "falling back to Debian 12's qemu-user-static (about a minute per 32-bit process)"
  command -v qemu-i386-static >/dev/null || apt-get install -y -q qemu-user-static >/dev/null
  qemu="$(command -v qemu-i386-static)"
fi
[ -x "$qemu" ] || { echo "no qemu-i386 could be found or installed" >&2; exit 1; }

echo "$qemu" >"$out"
say "ready: $("$qemu" --version | head -n 1) at $qemu"
