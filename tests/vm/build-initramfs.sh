#!/bin/bash
# Builds the base initramfs of the test VM into the cache and prints its path.
#
#   tests/vm/build-initramfs.sh
#
# Contents: busybox (static) with a link per applet, the can-utils tools below with the
# libraries ldd names, the CAN modules with their load order, /init and /vm/lib.sh.
# Each test appends its own small archive (see run-vm-test.sh), so this image is built once
# and rebuilt only when one of its inputs changes (a hash of them is kept beside it).
# The archive is left uncompressed: gunzip under TCG costs more boot time than reading 10 MB.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${TIDEWIRE_VM_CACHE:-$here/cache}
image=$cache/base.cpio
stampfile=$cache/base.stamp

# Tools from can-utils put into the image; extend here when a test needs another.
can_tools="candump cansend cangen canplayer cansequence"
# Modules loaded at boot (their dependencies come first, found from each .ko's depends=).
boot_modules="can can-raw vcan"

die() { echo "build-initramfs: $*" >&2; exit 1; }

kdir=$("$here/fetch-kernel.sh")

busybox=$(command -v busybox || true)
[ -n "$busybox" ] || die "busybox not found: apt-get install busybox-static"
busybox=$(readlink -f "$busybox")
# A dynamic busybox (package 'busybox') would need its libraries in the image too; the
# static one is what the image is laid out for.
if ldd "$busybox" >/dev/null 2>&1; then
  die "$busybox is dynamically linked: apt-get install busybox-static"
fi
tools=()
for t in $can_tools; do
  p=$(command -v "$t" || true)
  [ -n "$p" ] || die "$t not found: apt-get install can-utils"
  tools+=("$(readlink -f "$p")")
done

# Everything that shapes the image goes into the stamp, so any change rebuilds it.
stamp=$( {
  echo "layout 1; tools: $can_tools; boot: $boot_modules"
  # Contents only: the same files reached by another path must not force a rebuild.
  sha256sum "$here/build-initramfs.sh" "$here/init" "$here/lib.sh" "$busybox" "${tools[@]}" \
            "$kdir"/release "$kdir"/modules/*.ko | cut -d' ' -f1
  for t in "${tools[@]}"; do ldd "$t"; done | awk '/=> \// { print $3 } /^\t\// { print $1 }' | sort -u |
    xargs -r sha256sum
} | sha256sum | cut -d' ' -f1 )

if [ -s "$image" ] && [ "$(cat "$stampfile" 2>/dev/null)" = "$stamp" ]; then
  echo "$image"; exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/.initramfs.lock"
flock 9
if [ -s "$image" ] && [ "$(cat "$stampfile" 2>/dev/null)" = "$stamp" ]; then
  echo "$image"; exit 0
fi

work=$(mktemp -d "$cache/.initramfs-work.XXXXXX")
trap 'rm -rf "$work"' EXIT
root=$work/root
mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,proc,sys,dev,tmp,run,root,etc,modules,test,vm}
chmod 1777 "$root/tmp"

install -m 755 "$busybox" "$root/bin/busybox"
"$busybox" --list-full | while read -r applet; do
  [ "$applet" = bin/busybox ] && continue
  mkdir -p "$root/$(dirname "$applet")"
  ln -sf /bin/busybox "$root/$applet"
done
applets=" $("$busybox" --list | tr '\n' ' ') "
for needed in sh mount insmod ip setsid stty tar dd mkfifo tee diff awk poweroff; do
  case "$applets" in *" $needed "*) ;; *) die "busybox lacks the '$needed' applet" ;; esac
done

# Libraries go to the very paths ldd reports, as real directories: a per-test archive may
# add files below /lib or /usr/lib, and a symlink there would be replaced by a directory.
copy_with_libs() {
  local src=$1 dst=$2 lib
  if ldd "$src" | grep -q 'not found'; then die "ldd $src: a library is not found"; fi
  install -D -m 755 "$src" "$root$dst"
  while read -r lib; do
    [ -e "$root$lib" ] || install -D -m 755 "$(readlink -f "$lib")" "$root$lib"
  done < <(ldd "$src" | awk '/=> \// { print $3 } /^\t\// { print $1 }')
}
for t in "${tools[@]}"; do copy_with_libs "$t" "/usr/bin/${t##*/}"; done

# Modules: all CAN ones are in the image (tests may load can-bcm, can-gw, vxcan, ... with
# load_module from lib.sh); deps lists each module's dependencies, boot-order what /init loads.
: > "$root/modules/deps"
for ko in "$kdir"/modules/*.ko; do
  name=$(basename "$ko" .ko)
  cp "$ko" "$root/modules/"
  echo "$name $(tr '\0' '\n' < "$ko" | sed -n 's/^depends=//p' | tr ',' ' ')" >> "$root/modules/deps"
done
order=()
add_in_order() {
  local m=$1 d seen
  for seen in "${order[@]:-}"; do [ "$seen" = "$m" ] && return 0; done
  [ -f "$root/modules/$m.ko" ] || die "module $m.ko not in $kdir/modules"
  for d in $(awk -v m="$m" '$1 == m { $1 = ""; print }' "$root/modules/deps"); do add_in_order "$d"; done
  order+=("$m")
}
for m in $boot_modules; do add_in_order "$m"; done
printf '%s\n' "${order[@]}" > "$root/modules/boot-order"

install -m 755 "$here/init" "$root/init"
install -m 644 "$here/lib.sh" "$root/vm/lib.sh"
cp "$kdir/release" "$root/vm/kernel-release"
printf 'root:x:0:0:root:/root:/bin/sh\n' > "$root/etc/passwd"
printf 'root:x:0:\n' > "$root/etc/group"

(cd "$root" && find . | LC_ALL=C sort | "$busybox" cpio -o -H newc -R 0:0 2>/dev/null) > "$work/base.cpio"
mv "$work/base.cpio" "$image"
echo "$stamp" > "$stampfile"
echo "build-initramfs: $(du -h "$image" | cut -f1) base image for kernel $(cat "$kdir/release")" >&2
echo "$image"
