#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a user gets beside the programs:
# the three man pages (compressed, rendering without a groff warning), the companion's bash
# completion, the copyright file and the changelog. The companion's sub-commands and options are
# taken from the built program's own help, so the man page and the completion cannot drift
# from it unnoticed.
#   installed_documents.sh BUILD_DIR [EMULATOR...] COMPANION
# A cross-built companion runs through the emulator words given before it.
set -euo pipefail

build=$1
companion=("${@:2}")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! command -v man >/dev/null; then
    echo "FAIL: man is missing: install the Debian package man-db (scripts/install-deps does)" >&2
    exit 1
fi
cmake --install "$build" --prefix "$prefix" >/dev/null

man_folder=$prefix/share/man/man1
completion=$prefix/share/bash-completion/completions/tavr-12864-cli
for file in "$man_folder"/{tavr-12864,tavr-12864-cli,tavr-meter-sim}.1.gz "$completion" \
    "$prefix"/share/doc/tavr-12864/{copyright,changelog.gz}; do
    [ -f "$file" ] || fail "not installed: ${file#"$prefix"/}"
done

for page in "$man_folder"/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "${page##*/} renders with warnings: $warnings"
done

# The sub-commands the program lists: indented names followed by their description.
mapfile -t commands < <("${companion[@]}" --help | sed -n 's/^ \{1,\}\([a-z][a-z0-9-]*\) \{2,\}[^ ].*/\1/p')
((${#commands[@]} > 0)) || fail "no sub-command found in: ${companion[*]} --help"

# A command's options as its help prints them: words starting with - or -- after a blank, a
# bracket, a bar or a comma.
help_options() {
    "${companion[@]}" "$1" --help | grep -oE '(^|[][ |,(])--?[a-z][a-z0-9-]*' | sed 's/^[][ |,(]//' |
        sort -u
}

# What the completion offers after the given words (the last one is the word being completed).
complete_words() {
    (
        # shellcheck source=/dev/null
        source "$completion"
        COMP_WORDS=(tavr-12864-cli "$@")
        COMP_CWORD=$#
        _tavr_12864_cli
        printf '%s\n' "${COMPREPLY[@]}"
    )
}

# The page's source with its escaped hyphens plain, as options are written on the command line.
page_text=$(gzip -dc "$man_folder/tavr-12864-cli.1.gz" | sed 's/\\-/-/g')
offered_commands=$(complete_words "" | sort)
[ "$offered_commands" = "$(printf '%s\n' "${commands[@]}" --help --version | sort)" ] ||
    fail "the completion offers the commands [${offered_commands//$'\n'/ }], the help lists [${commands[*]}]"
for command in "${commands[@]}"; do
    grep -qx "\.SS $command" <<<"$page_text" || fail "the man page has no section for $command"
    offered=$(complete_words "$command" - | sort -u)
    for option in $(help_options "$command"); do
        grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|\$)" <<<"$page_text" ||
            fail "the man page does not name $command's option $option"
        grep -qx -- "$option" <<<"$offered" || fail "the completion does not offer $command $option"
    done
    for option in --format --allow-write; do
        for value in $(complete_words "$command" "$option" ""); do
            "${companion[@]}" "$command" --help | grep -qw -- "$value" ||
                fail "the completion offers $command $option $value, which its help does not name"
        done
    done
done

# --port offers the COM numbers that links name, whatever devices this machine has.
config=$prefix/config
mkdir -p "$config/TAVR_12864/dosdevices"
ln -s /dev/null "$config/TAVR_12864/dosdevices/com17"
XDG_CONFIG_HOME=$config complete_words read --port "" | grep -qx 17 ||
    fail "the completion does not offer the linked COM17 for --port"

((failures == 0)) || exit 1
echo "installed: man pages, completion, copyright and changelog; ${#commands[@]} commands checked"
