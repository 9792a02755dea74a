#!/bin/bash
# The manual pages render without a warning, and vorn-cli(1) keeps up with the
# tool: every command, option and exit status of its help is described, and
# every example runs a command the tool has.
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

: "${VORN_CLI:?}" "${VORN_SOURCE_DIR:?}"
pages=$VORN_SOURCE_DIR/desktop
export LC_ALL=C.UTF-8 MANWIDTH=80

render() {
    local page=$1 warnings
    warnings=$(man --warnings=w -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$(basename "$page") renders with warnings: $warnings"
    rendered=$(man -l "$page" 2>/dev/null | col -bx)
    [[ $rendered == *NAME* ]] || fail "$(basename "$page") renders nothing"
}

# The lines of SECTION in the rendered page.
section() {
    awk -v want="$1" '/^[A-Z][A-Z ]*$/ { inside = ($0 == want); next } inside' <<<"$rendered"
}

render "$pages/vorn.1"
[[ $rendered == *"Vorn.conf"* ]] || fail "vorn(1) does not name the settings file"

render "$pages/vorn-cli.1"
help=$("$VORN_CLI" --help) || fail "vorn-cli --help failed"
commands=$(section COMMANDS)
options=$(section OPTIONS)
statuses=$(section "EXIT STATUS")
examples=$(section EXAMPLES)

# "  list    ARCHIVE ..." under a "... commands" heading; "iff chunks" is one command.
mapfile -t names < <(awk '/^[^ ].*commands/ { c = 1; next } /^[^ ]/ { c = 0 }
    c && /^  [a-z]/ { print ($1 == "iff" ? $1 " " $2 : $1) }' <<<"$help")
((${#names[@]} >= 10)) || fail "could not read the commands from vorn-cli --help"
for name in "${names[@]}"; do
    grep -qE "^ {7}$name( |\$)" <<<"$commands" || fail "vorn-cli(1) does not describe the command \"$name\""
done

mapfile -t flags < <(awk '/^Options:/ { o = 1; next } /^[^ ]/ { o = 0 } o' <<<"$help" | grep -oE -- '--[a-z-]+')
((${#flags[@]} >= 3)) || fail "could not read the options from vorn-cli --help"
for flag in "${flags[@]}"; do
    grep -qE -- "^ {7}(.*, )?$flag(,| |\$)" <<<"$options" || fail "vorn-cli(1) does not describe the option $flag"
done

# And each command's own options, as its usage line names them, each an item of its own.
for name in "${names[@]}"; do
    read -ra words <<<"$name"
    for flag in $("$VORN_CLI" "${words[@]}" --help 2>/dev/null | head -n1 | grep -oE -- '--[a-z-]+'); do
        printf '%s\n' "${flags[@]}" | grep -qxF -- "$flag" && continue
        grep -qE -- "^ +$flag( |\$)" <<<"$commands" || fail "vorn-cli(1) does not describe $flag of \"$name\""
    done
done

status_line=$(grep -i '^Exit status:' <<<"$help")
mapfile -t codes < <(grep -oE '[0-9]+ [a-z]' <<<"$status_line" | cut -d' ' -f1)
((${#codes[@]} >= 3)) || fail "could not read the exit statuses from vorn-cli --help"
for code in "${codes[@]}"; do
    grep -qE "^ {7}$code( |\$)" <<<"$statuses" || fail "vorn-cli(1) does not explain exit status $code"
done

mapfile -t uses < <(grep -E '^ +vorn-cli ' <<<"$examples")
((${#uses[@]} >= 5)) || fail "vorn-cli(1) has too few examples"
for use in "${uses[@]}"; do
    read -ra words <<<"$use"
    i=1
    while [[ ${words[i]-} == --* ]]; do i=$((i + 1)); done
    name=${words[i]-}
    [[ $name == iff ]] && name="iff ${words[i + 1]-}"
    printf '%s\n' "${names[@]}" | grep -qxF -- "$name" || fail "example runs an unknown command: $use"
done

if ((failures)); then
    echo "$failures manual page check(s) failed"
    exit 1
fi
echo "manual pages: all checks passed"
