#!/bin/sh
# Runs a 32-bit Windows program under 32-bit Wine on a machine whose kernel cannot run
# 32-bit Linux programs: the i386 Wine loader runs under qemu-user. scripts/wine32-setup.sh
# installs wine32 and provides the qemu; this script then uses, in order, TARVO_QEMU_I386,
# the qemu the set-up unpacked into build/wine32-tools, or qemu-i386(-static) on the PATH.
# The loader is started directly, not through the kernel's binfmt handler, so nothing is
# registered on the machine; in turn a 32-bit program cannot start other 32-bit programs.
#
# Debian 12's qemu 7.2 needs the whole 32-bit address space reserved up front and spends
# about a minute per process in Wine's address space set-up; qemu 8.1 and later take a
# fraction of a second.
here="$(cd "$(dirname "$0")" && pwd)"
: "${WINEPREFIX:=${TMPDIR:-/tmp}/tarvo-wine-prefix}"
: "${QEMU_RESERVED_VA:=0xffff0000}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QEMU_RESERVED_VA

qemu="${TARVO_QEMU_I386:-}"
if [ -z "$qemu" ]; then
  if [ -x "$here/../build/wine32-tools/usr/bin/qemu-i386" ]; then
    qemu="$here/../build/wine32-tools/usr/bin/qemu-i386"
  else
    qemu="$(command -v qemu-i386 || command -v qemu-i386-static || echo qemu-i386)"
  fi
fi

# A new prefix is made by 64-bit Wine (the 32-bit half of wineboot would run emulated for
# many minutes), then given the 32-bit system DLLs in syswow64 as links to Wine's own.
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
syswow64="$WINEPREFIX/drive_c/windows/syswow64"
if [ ! -e "$syswow64/kernel32.dll" ]; then
  mkdir -p "$syswow64"
  ln -sf /usr/lib/i386-linux-gnu/wine/i386-windows/* "$syswow64/"
fi

# The loader runs as it is instead of re-executing itself through the preloader (an i386
# program the kernel could not start).
export WINELOADERNOEXEC=1
exec "$qemu" /usr/lib/wine/wine "$@"
