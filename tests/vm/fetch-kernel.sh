#!/bin/bash
# Puts a stock Debian kernel and its CAN modules into the VM cache, once.
#
#   tests/vm/fetch-kernel.sh          prints the kernel directory on stdout
#
# Cache: $TIDEWIRE_VM_CACHE, default tests/vm/cache/. Result: CACHE/kernel/ with
#   vmlinux   uncompressed ELF kernel, booted via PVH (saves ~3 s of in-guest xz under TCG)
#   vmlinuz   the packaged bzImage, kept for reference
#   modules/  CAN .ko files (uncompressed; busybox insmod cannot read .ko.zst)
#   release   the kernel release, e.g. 6.1.0-57-amd64
# The package is downloaded and unpacked, never installed: installing linux-image-* would pull in
# initramfs-tools, udev and a systemd upgrade and run update-initramfs on this machine.
# TIDEWIRE_VM_KERNEL_PKG=linux-image-X pins a package; otherwise linux-image-amd64's dependency is used.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${TIDEWIRE_VM_CACHE:-$here/cache}
kdir=$cache/kernel

die() { echo "fetch-kernel: $*" >&2; exit 1; }
note() { echo "fetch-kernel: $*" >&2; }

cached() { [ -s "$kdir/vmlinux" ] && [ -s "$kdir/release" ] && [ -s "$kdir/modules/vcan.ko" ]; }

if cached; then echo "$kdir"; exit 0; fi

mkdir -p "$cache"
# Several tests may start at once on a cold cache; only one of them fetches.
exec 9>"$cache/.kernel.lock"
flock 9
if cached; then echo "$kdir"; exit 0; fi

for tool in apt-get apt-cache dpkg-deb tar xz; do
  command -v "$tool" >/dev/null || die "'$tool' not found (a Debian host with apt is needed)"
done

apt_updated=0
apt_update() {
  [ "$apt_updated" = 1 ] && return 1
  apt_updated=1
  note "running apt-get update"
  apt-get update -qq >&2 || die "apt-get update failed"
}

kernel_package() {
  if [ -n "${TIDEWIRE_VM_KERNEL_PKG:-}" ]; then echo "$TIDEWIRE_VM_KERNEL_PKG"; return; fi
  apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }'
}

pkg=$(kernel_package)
if [ -z "$pkg" ]; then
  apt_update
  pkg=$(kernel_package)
fi
[ -n "$pkg" ] || die "cannot find the versioned package behind linux-image-amd64 (apt-cache depends)"

work=$(mktemp -d "$cache/.kernel-work.XXXXXX")
trap 'rm -rf "$work"' EXIT

note "downloading $pkg"
# The sandbox user _apt cannot write into the cache dir; downloading as root here is intended.
download() { (cd "$work" && apt-get download -q -o APT::Sandbox::User=root "$pkg" >&2); }
if ! download; then
  # Stale package lists name a kernel the mirror no longer has: refresh, then ask again.
  apt_update || true
  pkg=$(kernel_package)
  [ -n "$pkg" ] || die "cannot find the versioned package behind linux-image-amd64 (apt-cache depends)"
  download || die "apt-get download $pkg failed"
fi
deb=$(ls "$work"/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || die "no .deb after apt-get download $pkg"

# Selective unpack: ~9 MB of the ~400 MB package. Patterns match both /lib/modules and
# /usr/lib/modules layouts. tar may complain about a pattern that matched nothing (vxcan on a
# kernel without it) or dpkg-deb about a broken pipe; the checks below decide.
mkdir -p "$work/x"
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work/x" --wildcards \
  './boot/vmlinuz-*' '*/kernel/net/can/*' '*/kernel/drivers/net/can/dev/*' \
  '*/kernel/drivers/net/can/vcan.ko*' '*/kernel/drivers/net/can/vxcan.ko*' 2>"$work/tar.err" || true

vmlinuz=$(ls "$work"/x/boot/vmlinuz-* 2>/dev/null | head -n 1)
[ -n "$vmlinuz" ] || { cat "$work/tar.err" >&2; die "no boot/vmlinuz-* in $deb"; }
release=${vmlinuz##*/vmlinuz-}

out=$work/kernel
mkdir -p "$out/modules"
cp "$vmlinuz" "$out/vmlinuz"
echo "$release" > "$out/release"
echo "$pkg" > "$out/package"

# Flatten the module tree; names are unique across these directories.
while IFS= read -r -d '' ko; do
  name=${ko##*/}
  case "$name" in
    *.ko) cp "$ko" "$out/modules/$name" ;;
    *.ko.xz) xz -dc "$ko" > "$out/modules/${name%.xz}" ;;
    *.ko.zst) command -v zstd >/dev/null || die "zstd needed to unpack $name"
              zstd -qdc "$ko" > "$out/modules/${name%.zst}" ;;
    *.ko.gz) gzip -dc "$ko" > "$out/modules/${name%.gz}" ;;
  esac
done < <(find "$work/x" -name '*.ko*' -print0)
for m in can can-raw can-dev vcan; do
  [ -s "$out/modules/$m.ko" ] || { cat "$work/tar.err" >&2; die "module $m.ko missing from $pkg"; }
done

# vmlinuz is a bzImage with a compressed ELF payload; find the payload by its magic and
# keep the first candidate that decompresses to an ELF file. LC_ALL=C: in a UTF-8 locale
# grep -abo silently matches nothing for these bytes.
extract_vmlinux() {
  local img=$1 dst=$2 magic cmd off
  for pair in $'\xfd7zXZ:xz -dc' $'\x28\xb5\x2f\xfd:zstd -qdc' $'\x1f\x8b\x08:gzip -dc'; do
    magic=${pair%%:*}; cmd=${pair#*:}
    command -v "${cmd%% *}" >/dev/null || continue
    for off in $(LC_ALL=C grep -aboF -- "$magic" "$img" | cut -d: -f1); do
      tail -c +$((off + 1)) "$img" | $cmd > "$dst" 2>/dev/null || true
      if [ "$(head -c 4 "$dst" | od -An -c | tr -d ' ')" = '177ELF' ]; then return 0; fi
    done
  done
  return 1
}
note "extracting vmlinux from $(basename "$vmlinuz")"
extract_vmlinux "$out/vmlinuz" "$out/vmlinux" || die "could not extract an ELF vmlinux from $vmlinuz"

rm -rf "$kdir"
mv "$out" "$kdir"
note "kernel $release ready in $kdir"
echo "$kdir"
