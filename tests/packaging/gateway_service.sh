#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the gateway's service as a user gets it:
# the unit names the installed companion and configuration, systemd-analyze verify finds nothing
# wrong with it (the program is there, the man page it points at is installed, every setting is
# known and sound), and a second installation keeps a configuration the user has edited.
# systemd-analyze also speaks of what it finds elsewhere on the machine (other units, a missing
# group in a chroot); only what it says of this unit counts.
#   gateway_service.sh BUILD_DIR SYSTEMD_ANALYZE
set -euo pipefail

build=$1
analyze=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# verify checks the man page that Documentation= names with man.
if ! command -v man >/dev/null; then
    echo "FAIL: man is missing: install the Debian package man-db (scripts/install-deps does)" >&2
    exit 1
fi
cmake --install "$build" --prefix "$prefix" >/dev/null

name=tavr-12864-gateway.service
unit=$prefix/lib/systemd/system/$name
config=$prefix/etc/tavr-12864/gateway.toml
for file in "$unit" "$config" "$prefix/share/doc/tavr-12864/gateway.md.gz"; do
    [ -f "$file" ] || fail "not installed: ${file#"$prefix"/}"
done
((failures == 0)) || exit 1

exec_start="ExecStart=$prefix/bin/tavr-12864-cli publish --config $config"
grep -qxF -- "$exec_start" "$unit" || fail "the unit does not run $exec_start: $(grep '^ExecStart=' "$unit")"
! grep -n '@' "$unit" || fail "the unit has placeholders left"

# The unit's Documentation= is checked against the man pages of this installation.
set +e
report=$(MANPATH=$prefix/share/man SYSTEMD_LOG_COLOR=0 SYSTEMD_PAGER=cat \
    "$analyze" verify --man=yes "$unit" 2>&1)
status=$?
set -e
about_unit=$(grep -F -e "$name" -e "tavr-12864-cli(1)" <<<"$report" || true)
[ -z "$about_unit" ] || fail "systemd-analyze verify finds fault with the unit:"$'\n'"$about_unit"
((status == 0)) || fail "systemd-analyze verify ended with status $status:"$'\n'"$report"

# An installation over an earlier one keeps the user's configuration.
echo '# edited by the user' >>"$config"
edited=$(cat "$config")
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$(cat "$config")" = "$edited" ] || fail "installing again replaced the edited ${config#"$prefix"/}"

((failures == 0)) || exit 1
echo "the gateway's unit and configuration are installed, and systemd-analyze verify accepts the unit"
