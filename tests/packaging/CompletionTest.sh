#!/usr/bin/env bash
# The bash completion of kvl-cli against kvl-cli itself: it offers exactly the commands its --help
# lists, and for each command exactly the options that command's --help names; -d completes
# directories, dump the tables.
# Usage: CompletionTest.sh COMPLETION_FILE KVL_CLI
set -uo pipefail
completion=$1
cli=$(realpath "$2")
if [[ ! -r /usr/share/bash-completion/bash_completion ]]; then
    echo "SKIP: bash-completion is not installed (Debian package bash-completion)"
    exit 77
fi
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"
failures=0

complete_line() {  # the words offered for the command line "$1" (completing its last word)
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$1
    COMP_POINT=${#1}
    COMPREPLY=()
    _kvl_cli kvl-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort -u | tr '\n' ' '
}

expect() {  # expect LINE WANTED: the words offered for LINE are WANTED (sorted, space-separated)
    local got
    got=$(complete_line "$1")
    if [[ $got != "$2" ]]; then
        echo "FAIL: '$1' offers '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

# The commands are those kvl-cli --help lists under "Commands:".
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }')
[[ -n $commands ]] || { echo "FAIL: kvl-cli --help lists no command"; failures=$((failures + 1)); }
expect "kvl-cli " "$(printf '%s\n' $commands -h --help --version | sort -u | tr '\n' ' ')"
for command in $commands; do
    if ! help=$("$cli" "$command" --help 2>&1); then
        echo "FAIL: kvl-cli $command --help fails"
        failures=$((failures + 1))
        continue
    fi
    named=$( (grep -oE '(^|[^A-Za-z0-9-])-{1,2}[a-z][a-z-]*' <<<"$help" | sed -E 's/^[^-]*//'
        printf '%s\n' -h --help) | sort -u | tr '\n' ' ')
    expect "kvl-cli $command -" "$named"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/books" "$scratch/backup"
touch "$scratch/notes"
cd "$scratch" || exit 1
expect "kvl-cli check -d " "backup books "
expect "kvl-cli new b" "backup books "
expect "kvl-cli dump E" "EXP5 "
expect "kvl-cli report --format " "pdf tsv txt xlsx "
expect "kvl-cli chart --format " "pdf png svg tsv "
PATH=$(dirname "$cli"):$PATH expect "kvl-cli chart income-" "income-by-account "
PATH=$(dirname "$cli"):$PATH expect "kvl-cli report income-s" "income-summary "

if ((failures)); then
    echo "$failures failure(s)"
    exit 1
fi
echo "completion agrees with kvl-cli"
