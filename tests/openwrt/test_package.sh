#!/usr/bin/env bash
# The OpenWrt package directory (openwrt/) does what a router builder's tree would do
# with it, with stand-ins for OpenWrt's rules.mk, package.mk and cmake.mk:
#   - its Makefile includes cmake.mk, builds against libmosquitto's header (mosquitto),
#     names the package tidewire with the dependencies +libstdcpp +kmod-can
#     +kmod-can-raw +ip-full +socat +procd-ujail and its users, keeps
#     /etc/config/tidewire as a conffile, and names the packages of the optional
#     features, tidewire-mqtt (libmosquitto) and tidewire-ser2net, which install nothing;
#   - its Build/Prepare copies a source tree that builds by itself with the Makefile's
#     CMake options, and "cmake --install" of it gives the files its install step takes;
#   - its install step, run for real, makes exactly /usr/sbin/tidewire,
#     /usr/lib/libnmea2000.so, /etc/init.d/tidewire, /etc/config/tidewire, the
#     capabilities file, the daemon's uci and the sysupgrade keep list, from files that
#     exist, with OpenWrt's modes, and installs every file of openwrt/files/.
# Builds the daemon once more (10 to 30 s on two cores).
#
# Usage: test_package.sh
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
pkg=$repo/openwrt

for tool in make cmake; do
	command -v "$tool" >/dev/null || {
		echo "SKIP: $tool not found"
		exit 77
	}
done
# shellcheck source-path=SCRIPTDIR source=../integration/lib.sh
. "$here/../integration/lib.sh"
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$here/lib.sh"
tw_make_work
work=$TW_WORK

# --- an OpenWrt tree, stood in for -----------------------------------------------------
owrt_tree
pmake() { owrt_make "$@"; }

# --- what the Makefile declares ----------------------------------------------------------
[[ $(pmake show-cmake-included 2>&1) == yes ]] || tw_fail "the Makefile does not include \$(INCLUDE_DIR)/cmake.mk"
[[ $(pmake show-packages 2>&1) == "tidewire tidewire-mqtt tidewire-ser2net" ]] ||
	tw_fail "packages: expected tidewire tidewire-mqtt tidewire-ser2net, got '$(pmake show-packages 2>&1)'"
# package_field PACKAGE FIELD: depends (sorted), userid or conffiles, as the Makefile has it.
package_field() {
	local line v
	line=$(pmake "show-package-$1" 2>&1)
	case $2 in
	depends) v=${line#depends=} && tr ' ' '\n' <<<"${v%% userid=*}" | sort | xargs ;;
	userid) v=${line#* userid=} && echo "${v%% conffiles=*}" ;;
	conffiles) echo "${line#* conffiles=}" ;;
	esac
}
tw_expect "dependencies of tidewire" "+ip-full +kmod-can +kmod-can-raw +libstdcpp +procd-ujail +socat" \
	"$(package_field tidewire depends)"
# Its user in dialout (20, the group of serial ports) and ser2net's user, with ids
# that OpenWrt chooses free.
tw_expect "users of tidewire" "tidewire:dialout=20 ser2net:ser2net" "$(package_field tidewire userid)"
tw_expect "conffiles of tidewire" /etc/config/tidewire "$(package_field tidewire conffiles)"
# The optional features: the daemon loads libmosquitto when it publishes; ser2net.
tw_expect "dependencies of tidewire-mqtt" "+libmosquitto-ssl +tidewire" "$(package_field tidewire-mqtt depends)"
tw_expect "dependencies of tidewire-ser2net" "+ser2net +tidewire" "$(package_field tidewire-ser2net depends)"
tw_expect "users of tidewire-mqtt" "" "$(package_field tidewire-mqtt userid)"
# libmosquitto's header comes from the mosquitto source package.
tw_expect "build dependencies" mosquitto "$(pmake show-build-depends 2>&1)"

# --- Build/Prepare, the build and its install ---------------------------------------------
read -r build_dir install_dir < <(pmake show-dirs)
pmake prepare >"$work/prepare.log" 2>&1 || tw_fail "Build/Prepare failed: $(cat "$work/prepare.log")"
for d in sim tests bench fuzz; do
	[[ -e $build_dir/$d ]] && tw_fail "Build/Prepare copied $d/, which the router does not need"
done
read -r -a cmake_options < <(pmake show-cmake)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# In the source tree, as OpenWrt's cmake.mk builds, with its prefix.
if ! { cmake -S "$build_dir" -B "$build_dir" "${generator[@]}" -DCMAKE_INSTALL_PREFIX=/usr \
	-DCMAKE_BUILD_TYPE=Release "${cmake_options[@]}" &&
	cmake --build "$build_dir" -j 2 &&
	DESTDIR=$install_dir cmake --install "$build_dir"; } >"$work/build.log" 2>&1; then
	tail -n 40 "$work/build.log"
	tw_fail "the prepared tree did not build and install by itself (log above)"
fi

# --- the install step ----------------------------------------------------------------------
root=$work/root
for p in tidewire-mqtt tidewire-ser2net; do
	pmake "install-package-$p" DEST="$work/$p" >"$work/install.log" 2>&1 || tw_fail "Package/$p/install failed: $(cat "$work/install.log")"
	[[ -z $(find "$work/$p" -type f 2>/dev/null) ]] || tw_fail "$p installs files: $(find "$work/$p" -type f)"
done
pmake install-package-tidewire DEST="$root" >"$work/install.log" 2>&1 || tw_fail "Package/tidewire/install failed: $(cat "$work/install.log")"
got=$(cd "$root" && find . -type f -printf '%m %p\n' | sort)
want='600 ./etc/config/tidewire
644 ./etc/capabilities/tidewire-ser2net.json
644 ./etc/capabilities/tidewire.json
644 ./etc/hotplug.d/net/50-tidewire
644 ./lib/upgrade/keep.d/tidewire
644 ./usr/lib/libnmea2000.so
755 ./etc/init.d/tidewire
755 ./usr/libexec/tidewire/can-link
755 ./usr/libexec/tidewire/uci
755 ./usr/sbin/tidewire'
[[ $got == "$want" ]] || tw_fail "installed files:
expected:
$want
got:
$got"
cmp -s "$pkg/files/tidewire.init" "$root/etc/init.d/tidewire" || tw_fail "/etc/init.d/tidewire is not files/tidewire.init"
cmp -s "$pkg/files/tidewire.config" "$root/etc/config/tidewire" || tw_fail "/etc/config/tidewire is not files/tidewire.config"
cmp -s "$install_dir/usr/bin/tidewire" "$root/usr/sbin/tidewire" || tw_fail "/usr/sbin/tidewire is not the daemon that was built"
# Every file of files/ goes into the package.
for f in "$pkg"/files/*; do
	found=0
	while IFS= read -r installed; do cmp -s "$f" "$installed" && found=1; done < <(find "$root" -type f)
	((found)) || tw_fail "files/$(basename "$f") is not installed by the Makefile"
done
# The daemon that was built runs: its usage text.
if [[ -x $root/usr/sbin/tidewire ]]; then
	usage=$(LD_LIBRARY_PATH=$root/usr/lib "$root/usr/sbin/tidewire" -h 2>&1 | head -n 1)
	[[ $usage == "Usage: "* ]] || tw_fail "the installed daemon did not print its usage: '$usage'"
	LD_LIBRARY_PATH='' ldd "$root/usr/sbin/tidewire" | grep -q 'libnmea2000.so => not found' ||
		tw_fail "the installed daemon finds libnmea2000.so without /usr/lib: a build path is left in it"
fi

tw_verdict "the OpenWrt package directory builds and installs what it names"
