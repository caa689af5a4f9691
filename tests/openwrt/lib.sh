# shellcheck shell=bash
# The package on a router, for the tests of openwrt/: an OpenWrt build tree stood in
# for (its rules.mk, package.mk and cmake.mk, enough to evaluate the package's Makefile
# and run its install step), and a router's userland made of OpenWrt's own procd,
# ujail, ubusd, uci, jshn and shell libraries (../shared/openwrt-userland, built from
# source) with Debian's dynamic busybox, in a chroot. Sourced after
# tests/integration/lib.sh.
#
#   owrt_tree                the stand-in build tree; owrt_make ARGS runs the Makefile
#   owrt_kit                 finds and builds the userland kit (OWRT_KIT), or says SKIP
#   owrt_root ROOT BUILD     a router's root file system: the userland, and the package
#                            installed by its own install step from the build tree BUILD
#   owrt_boot ROOT           (root, inside a sandbox) its /dev, /proc and /tmp, then
#                            syslogd, ubusd and procd as a service manager
#   owrt ARGS...             runs ARGS inside the router, with a router's environment
#
# The kit's source is ../shared/openwrt-userland beside the checkout, or the folder
# TIDEWIRE_OPENWRT_USERLAND names; it is built into tests/openwrt/cache/userland (or
# TIDEWIRE_OPENWRT_CACHE), once.
#
# shellcheck disable=SC2034 # OWRT_* results are read by the sourcing script

OWRT_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
OWRT_PKG=$(cd "$OWRT_HERE/../../openwrt" && pwd)
OWRT_CACHE=${TIDEWIRE_OPENWRT_CACHE:-$OWRT_HERE/cache}

# ------------------------------------------------- the build tree, stood in for --

# owrt_tree: $TW_WORK/openwrt, rules.mk and the include files a package's Makefile
# needs, with targets that show what the package defines and run its steps.
owrt_tree() {
	local top=$TW_WORK/openwrt
	[[ -e $top/rules.mk ]] && return 0
	mkdir -p "$top/include"
	cat >"$top/rules.mk" <<'EOF'
INCLUDE_DIR:=$(TOPDIR)/include
BUILD_DIR:=$(TOPDIR)/build_dir
INSTALL_DIR:=install -d -m0755
INSTALL_BIN:=install -m0755
INSTALL_DATA:=install -m0644
INSTALL_CONF:=install -m0600
CP:=cp -fpR
EOF
	cat >"$top/include/package.mk" <<'EOF'
PKG_BUILD_DIR:=$(BUILD_DIR)/$(PKG_NAME)-$(PKG_VERSION)
PKG_INSTALL_DIR:=$(PKG_BUILD_DIR)/ipkg-install
# Targets that show what the source package and each package define, or run a step.
show-packages: ; @echo '$(strip $(PACKAGES))'
show-cmake: ; @echo '$(strip $(CMAKE_OPTIONS))'
show-dirs: ; @echo '$(PKG_BUILD_DIR) $(PKG_INSTALL_DIR)'
show-build-depends: ; @echo '$(strip $(PKG_BUILD_DEPENDS))'
prepare:
	$(Build/Prepare)
define BuildPackage
$(eval DEPENDS:=)$(eval USERID:=)$(eval $(Package/$(1)))$(eval PACKAGES+=$(1))
show-package-$(1): ; @echo 'depends=$(strip $(DEPENDS)) userid=$(strip $(USERID)) conffiles=$(strip $(Package/$(1)/conffiles))'
show-userid-$(1): ; @echo '$(strip $(USERID))'
install-package-$(1):
	$(call Package/$(1)/install,$(DEST))
endef
EOF
	cat >"$top/include/cmake.mk" <<'EOF'
CMAKE_INCLUDED:=yes
CMAKE_OPTIONS:=
show-cmake-included: ; @echo '$(CMAKE_INCLUDED)'
EOF
}
# owrt_make ARGS...: the package's Makefile as OpenWrt runs it, from its own folder.
owrt_make() { make --no-print-directory -C "$OWRT_PKG" TOPDIR="$TW_WORK/openwrt" "$@"; }

# -------------------------------------------------------------- the userland --

# owrt_kit: builds the kit once (under a lock: tests start side by side) and sets
# OWRT_KIT to where it is, and fetches busybox; says SKIP with the reason and fails
# when it cannot. Outside a sandbox.
owrt_kit() {
	local src=${TIDEWIRE_OPENWRT_USERLAND:-$OWRT_HERE/../../../shared/openwrt-userland} log
	if [[ ! -x $src/build.sh ]]; then
		echo "SKIP: OpenWrt's userland kit not found at $src (set TIDEWIRE_OPENWRT_USERLAND)"
		return 1
	fi
	mkdir -p "$OWRT_CACHE"
	log=$OWRT_CACHE/userland.log
	if ! OWRT_KIT=$(flock "$OWRT_CACHE/.lock" "$src/build.sh" "$OWRT_CACHE/userland" 2>"$log" | tail -n 1) ||
		[[ ! -x $OWRT_KIT/sbin/procd ]]; then
		echo "SKIP: OpenWrt's userland did not build: $(tail -n 5 "$log")"
		return 1
	fi
	export OWRT_KIT
	_owrt_busybox
}

# _owrt_busybox: Debian's dynamic busybox, which runs commands from PATH as OpenWrt's
# does (busybox-static, the sandbox's, runs its own applets first); fetched once, from
# outside a sandbox (which has no network).
_owrt_busybox() {
	local dir=$OWRT_CACHE/busybox
	[[ -x $dir/bin/busybox ]] && return 0
	(
		flock 9
		[[ -x $dir/bin/busybox ]] && exit 0
		rm -rf "$dir.new" && mkdir -p "$dir.new" && cd "$dir.new" &&
			apt-get download busybox >/dev/null 2>&1 && dpkg-deb -x busybox_*.deb . && mv "$dir.new" "$dir"
	) 9>"$OWRT_CACHE/.busybox.lock"
	[[ -x $dir/bin/busybox ]] || { echo "SKIP: Debian's busybox could not be fetched (apt-get download busybox)"; return 1; }
}

# _owrt_elf ROOT FILE DEST: FILE at DEST in ROOT, with every library it loads at the
# path ldd finds it at (the kit's through its RPATH, the system's through the loader
# cache, which goes along).
_owrt_elf() {
	install -D -m 755 "$2" "$1$3" && _owrt_libs "$1" "$2"
}
# _owrt_libs ROOT FILE: the libraries FILE loads that ROOT does not have yet.
_owrt_libs() {
	local lib
	for lib in $(ldd "$2" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }'); do
		[[ -e $1$lib ]] || install -D -m 755 "$lib" "$1$lib"
	done
}

# owrt_root ROOT BUILD: a router's root file system in ROOT, with the package built in
# BUILD (a CMake build folder) installed as OpenWrt installs it: "cmake --install" of
# the build, then the Makefile's install step, then its users added by OpenWrt's own
# add_group_and_user from the Makefile's USERID. /bin/date is the sandbox's recording
# stand-in: the daemon holds CAP_SYS_TIME here, and the wall clock has no namespace.
owrt_root() {
	local root=$1 build=$2 kit=$OWRT_KIT bb=$OWRT_CACHE/busybox/bin/busybox a f lib
	owrt_tree
	mkdir -p "$root"/{bin,sbin,usr/bin,usr/sbin,lib/functions,lib/config,usr/share/libubox,etc/config,dev,proc,tmp,root}
	ln -s tmp "$root/var"
	_owrt_elf "$root" "$bb" /bin/busybox
	# The applets as links, but for date, and ip and flock, which OpenWrt has whole.
	for a in $("$bb" --list-full); do
		case $a in bin/date | bin/ip | sbin/ip | usr/bin/flock) continue ;; esac
		[[ -e $root/$a || -L $root/$a ]] || ln -s /bin/busybox "$root/$a"
	done
	install -m 755 "$TW_REPO/scripts/sandbox/date" "$root/bin/date"
	for f in sbin/procd sbin/ujail sbin/ubusd bin/ubus:bin/ubus bin/uci:sbin/uci bin/jshn:usr/bin/jshn; do
		_owrt_elf "$root" "$kit/${f%%:*}" "/${f#*:}"
	done
	_owrt_elf "$root" "$(command -v ip)" /sbin/ip
	_owrt_elf "$root" "$(command -v flock)" /usr/bin/flock
	_owrt_elf "$root" "$(command -v socat)" /usr/bin/socat
	if command -v ser2net >/dev/null; then
		_owrt_elf "$root" "$(command -v ser2net)" /usr/sbin/ser2net
		# Its kinds of connection are plugins it loads itself.
		for lib in /usr/libexec/*/gensio/*/*.so; do [[ -e $lib ]] && _owrt_elf "$root" "$lib" "$lib"; done
	fi
	# The daemon loads libmosquitto itself when it publishes.
	lib=$(ldconfig -p | awk '$1 == "libmosquitto.so.1" { print $NF; exit }')
	[[ -n $lib ]] && _owrt_elf "$root" "$lib" "$lib"
	cp /etc/ld.so.cache "$root/etc/"
	# procd preloads it into instances whose output it logs, for line buffering.
	cp "$kit/lib/libsetlbf.so" "$root/lib/libsetlbf.so"
	cp "$kit/files/rc.common" "$root/etc/rc.common"
	cp "$kit/files/functions.sh" "$root/lib/functions.sh"
	cp "$kit/files/service.sh" "$kit/files/network.sh" "$kit/files/procd.sh" "$root/lib/functions/"
	cp "$kit/files/uci.sh" "$root/lib/config/uci.sh"
	cp "$kit/share/libubox/jshn.sh" "$root/usr/share/libubox/jshn.sh"
	# base-files' users and groups, as far as they matter here.
	printf '%s\n' 'root:x:0:0:root:/root:/bin/ash' 'nobody:*:65534:65534:nobody:/var:/bin/false' >"$root/etc/passwd"
	printf '%s\n' 'root:x:0:' 'dialout:x:20:' 'nogroup:x:65534:' >"$root/etc/group"
	: >"$root/etc/shadow"
	cp /etc/openwrt_release /etc/openwrt_model "$root/etc/" 2>/dev/null

	# The package.
	rm -rf "$TW_WORK/stage"
	cmake --install "$build" --prefix "$TW_WORK/stage/usr" >"$TW_WORK/stage.log" 2>&1 ||
		{ tw_fail "cmake --install of $build failed: $(tail -3 "$TW_WORK/stage.log")"; return 1; }
	owrt_make install-package-tidewire DEST="$root" PKG_INSTALL_DIR="$TW_WORK/stage" >"$TW_WORK/install.log" 2>&1 ||
		{ tw_fail "the package's install step failed: $(cat "$TW_WORK/install.log")"; return 1; }
	LD_LIBRARY_PATH=$root/usr/lib _owrt_libs "$root" "$root/usr/sbin/tidewire"
	mkdir -p "$root/usr/lib/opkg/info"
	echo "Require-User: $(owrt_make show-userid-tidewire)" >"$root/usr/lib/opkg/info/tidewire.control"
	IPKG_INSTROOT=$root root=$root pkgname=tidewire busybox sh -c '. "$0" && add_group_and_user' \
		"$kit/files/functions.sh" || { tw_fail "add_group_and_user failed"; return 1; }
}

# owrt_boot ROOT: inside a router sandbox, ROOT becomes a running router: a /dev of its
# own (tmpfs, devpts of its own, the sandbox's serial-line CAN link as /dev/canlink0,
# group dialout as procd makes a serial adapter's), /proc, then busybox's
# syslogd (the system log: /tmp/log/messages), ubusd and procd as a service manager.
owrt_boot() {
	local root=$1 d
	OWRT_ROOT=$root
	mount -t tmpfs -o mode=0755,nosuid tmpfs "$root/dev"
	for d in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
		mknod -m 666 "$root/dev/${d%%:*}" c "$(cut -d: -f2 <<<"$d")" "${d##*:}"
	done
	mkdir -m 755 "$root/dev/pts" "$root/dev/shm"
	mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
	ln -s pts/ptmx "$root/dev/ptmx"
	touch "$root/dev/canlink0"
	mount --bind "$(readlink -f /dev/canlink0)" "$root/dev/canlink0"
	chgrp 20 "$root/dev/canlink0" && chmod 660 "$root/dev/canlink0"
	mount -t proc proc "$root/proc"
	chmod 1777 "$root/tmp" # kept after the sandbox, for a look
	mkdir -p "$root/tmp/run/ubus" "$root/tmp/lock" "$root/tmp/log" "$root/run/router-sandbox/state"
	chmod 1777 "$root/run/router-sandbox/state"
	owrt /sbin/syslogd -n -O /tmp/log/messages &
	owrt /sbin/ubusd -s /var/run/ubus/ubus.sock &
	tw_wait 5 test -S "$root/tmp/run/ubus/ubus.sock" || { tw_fail "ubusd did not start"; return 1; }
	# A daemon built with the sanitizers: procd preloads libsetlbf.so into an unjailed
	# instance ahead of the sanitizer's runtime, which it then may not refuse; any
	# report ends the daemon, which the checks then see.
	owrt ASAN_OPTIONS=verify_asan_link_order=0:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1 \
		/sbin/procd -s /var/run/ubus/ubus.sock -S >>"$TW_OUT/procd.log" 2>&1 &
	tw_wait 5 _owrt_has_service || { tw_fail "procd did not start: $(cat "$TW_OUT/procd.log")"; return 1; }
}
_owrt_has_service() { owrt ubus list service >/dev/null 2>&1; }

# owrt ARGS...: ARGS run inside the router as a login there would: root, its PATH.
owrt() { chroot "$OWRT_ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

# owrt_path PATH: where PATH inside the router is from outside it, links followed inside.
owrt_path() { echo "$OWRT_ROOT$(owrt readlink -f "$1")"; }
