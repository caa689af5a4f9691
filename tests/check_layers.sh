#!/usr/bin/env bash
# Fails on an #include that goes up the daemon's layers or sideways between them:
#   buslib <- core <- devices, batteries <- handlers, net <- app
# A folder may include its own headers, those of the folders below it, and system
# headers; nothing includes app/, and devices/ and batteries/ do not include each other.
# Each quoted include is looked up by name in the layer folders (a header name is unique
# across them); a name found in none (a system or test header) is not the daemon's.
#
# Usage: check_layers.sh [REPO]
set -u
repo=${1:-$(cd "$(dirname "$0")/.." && pwd)}
declare -A allowed=(
	[buslib]="buslib"
	[core]="core buslib"
	[devices]="devices core buslib"
	[batteries]="batteries core buslib"
	[handlers]="handlers devices batteries core buslib"
	[net]="net devices batteries core buslib"
	[app]="app handlers net devices batteries core buslib"
	[sim]="sim buslib"
)
declare -A home=()
for dir in buslib core devices batteries handlers net app sim; do
	while IFS= read -r h; do
		home[$(basename "$h")]=$dir
	done < <(find "$repo/$dir" -name '*.h')
done
bad=0
checked=0
for dir in "${!allowed[@]}"; do
	while IFS= read -r file; do
		while IFS= read -r name; do
			to=${home[$name]:-}
			[[ -z $to ]] && continue
			checked=$((checked + 1))
			if [[ " ${allowed[$dir]} " != *" $to "* ]]; then
				echo "UP: ${file#"$repo"/} includes $name of $to/ (${dir}/ may include: ${allowed[$dir]})"
				bad=$((bad + 1))
			fi
		done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | xargs -r -n1 basename)
	done < <(find "$repo/$dir" \( -name '*.h' -o -name '*.cpp' \))
done
if ((bad > 0)); then
	echo "FAIL: $bad include(s) against the layers"
	exit 1
fi
echo "PASS: $checked includes of the daemon's own headers, all downward"
