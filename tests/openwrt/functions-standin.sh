# shellcheck shell=dash
# Stand-in for what an init script uses of OpenWrt's /lib/functions.sh, over a uci
# command: $UCI (default uci) with the words of $UCI_ARGS (e.g. "-c DIR -t DIR").
# As there, an option that is unset or empty takes the default.
config_load() { _cfg_pkg=$1; }
config_get() {
	# shellcheck disable=SC2086 # UCI_ARGS is words
	_cfg_v=$("${UCI:-uci}" -q ${UCI_ARGS-} get "$_cfg_pkg.$2.$3")
	eval "$1=\${_cfg_v:-\${4-}}"
}
config_get_bool() {
	config_get _cfg_b "$2" "$3" "${4-}"
	case "$_cfg_b" in
	1 | on | true | yes | enabled) _cfg_b=1 ;;
	0 | off | false | no | disabled) _cfg_b=0 ;;
	*) _cfg_b=${4-} ;;
	esac
	eval "$1=\$_cfg_b"
}
