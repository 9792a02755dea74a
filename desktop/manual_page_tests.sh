#!/bin/bash
# The manual pages render without a warning, and vorn-cli(1) keeps up with the
# tool: every command, option and exit status of its help is described, no
# other command, each with the arguments of its usage line, and every example
# runs a command the tool has. README's command-line section shows them all.
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
# The resource window's ways in, as the editor's action and button name them.
grep -q 'Re&sources\.\.\.\\tCtrl+R' "$VORN_SOURCE_DIR/app/viewer_dispatch.cpp" &&
    [[ $(tr -s ' \n' '  ' <<<"$rendered") == *"Ctrl+R or choose Resources... from the file list"* ]] ||
    fail "vorn(1) does not name the resource window's shortcut and menu item as the editor does"
# vorn(1) describes every option of the editor's help, when the editor is built.
if [[ -n ${VORN_EDITOR-} ]]; then
    editor_help=$(QT_QPA_PLATFORM=offscreen "$VORN_EDITOR" --help) || fail "vorn --help failed"
    editor_options=$(section OPTIONS)
    editor_flags=$(grep -oE -- '--[a-z-]+' <<<"$editor_help" | sort -u)
    [[ $editor_flags == *--read-only* ]] || fail "could not read the options from vorn --help"
    for flag in $editor_flags; do
        grep -qE -- "^ {7}(.*, )?$flag(,| |\$)" <<<"$editor_options" || fail "vorn(1) does not describe the option $flag"
    done
fi

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

# Each command the page describes is one of the tool's, with the same arguments
# as its usage line (options aside: the page gives them items of their own).
positionals() { sed -E 's/\[--[a-z-]+\]//g; s/\[--[a-z-]+ [^]]*\]//g; s/--[a-z-]+ [^ ]+//g; s/  +/ /g; s/^ //; s/ $//'; }
while read -r first second rest; do
    name=$first
    printf '%s\n' "${names[@]}" | grep -qxF -- "$first $second" && name="$first $second" || rest="$second $rest"
    if ! printf '%s\n' "${names[@]}" | grep -qxF -- "$name"; then
        fail "vorn-cli(1) describes \"$name\", which the tool does not have"
        continue
    fi
    read -ra words <<<"$name"
    usage=$("$VORN_CLI" "${words[@]}" --help 2>/dev/null | head -n1)
    want=$(positionals <<<"${usage#*"] $name "}")
    got=$(positionals <<<"$rest")
    [[ $got == "$want" ]] || fail "vorn-cli(1) gives \"$name\" the arguments [$got], its usage [$want]"
done < <(grep -E '^ {7}[a-z]' <<<"$commands")

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

# README's command-line section shows every command, and only the tool's.
readme=$(awk '/^## vorn-cli/ { r = 1; next } /^## / { r = 0 } r' "$VORN_SOURCE_DIR/README.md")
mapfile -t shown < <(grep -E '^ +vorn-cli [a-z-]' <<<"$readme" | while read -ra words; do
    i=1
    while [[ ${words[i]-} == --* ]]; do i=$((i + 1)); done
    name=${words[i]-}
    printf '%s\n' "${names[@]}" | grep -qxF -- "$name ${words[i + 1]-}" && name="$name ${words[i + 1]}"
    echo "$name"
done)
((${#shown[@]} >= 10)) || fail "could not read the examples of README's vorn-cli section"
for name in "${shown[@]}"; do
    printf '%s\n' "${names[@]}" | grep -qxF -- "$name" || fail "README runs an unknown command: $name"
done
for name in "${names[@]}"; do
    printf '%s\n' "${shown[@]}" | grep -qxF -- "$name" || fail "README's vorn-cli section does not show \"$name\""
done

if ((failures)); then
    echo "$failures manual page check(s) failed"
    exit 1
fi
echo "manual pages: all checks passed"
