#!/bin/bash
# Runs the vorn-cli bash completion against the built tool and a small archive,
# the way bash calls it when Tab is pressed.
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

: "${VORN_CLI:?}" "${VORN_SOURCE_DIR:?}"
for candidate in /usr/share/bash-completion/bash_completion /etc/bash_completion; do
    [[ -f $candidate ]] && { . "$candidate"; break; }
done
declare -F _init_completion >/dev/null || { echo "bash-completion is not installed"; exit 1; }
. "$VORN_SOURCE_DIR/desktop/vorn-cli.bash"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/People" "$work/src/Sounds"
printf cook >"$work/src/People/Cook.iff"
printf chef >"$work/src/People/Chef.iff"
printf xa >"$work/src/Sounds/Theme.xa"
printf bmp >"$work/src/My Picture.bmp"
cd "$work" || exit 1
"$VORN_CLI" add a.far src/People src/Sounds "src/My Picture.bmp" >/dev/null || { echo "could not make the archive"; exit 1; }

# compopt only works inside a real completion; note what was asked for instead.
compopt() { [[ $* == *nospace* ]] && nospace=1; return 0; }

# Completes LINE (the cursor at its end): splits it into words as readline does,
# a run of ":" being a word of its own, and calls the completion function.
complete_line() {
    local line=$1 word
    local -a split=()
    for word in $line; do
        while [[ $word =~ ^([^:]*)(:+)(.*)$ ]]; do
            [[ -n ${BASH_REMATCH[1]} ]] && split+=("${BASH_REMATCH[1]}")
            split+=("${BASH_REMATCH[2]}")
            word=${BASH_REMATCH[3]}
        done
        [[ -n $word ]] && split+=("$word")
    done
    [[ $line == *" " ]] && split+=("")
    split[0]=$VORN_CLI
    COMP_WORDS=("${split[@]}")
    COMP_CWORD=$((${#split[@]} - 1))
    COMP_LINE="$VORN_CLI ${line#* }"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    nospace=0
    _vorn_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    got=${got% }
}

expect() {
    local line=$1 want=$2
    complete_line "$line"
    [[ $got == "$want" ]] || fail "\"$line\": got [$got], want [$want]"
}

expect_includes() {
    local line=$1 word
    shift
    complete_line "$line"
    for word; do
        [[ " $got " == *" $word "* ]] || fail "\"$line\": [$got] lacks $word"
    done
}

# Commands and options come from the tool's help.
expect_includes "vorn-cli " info list tree cat extract add rm mv rename xa2wav iff
complete_line "vorn-cli "
[[ " $got " == *" chunks "* || " $got " == *" Usage"* ]] && fail "top-level commands include [$got]"
expect_includes "vorn-cli iff " chunks objects fixcolors
expect "vorn-cli --q" "--quick"
expect "vorn-cli --y" "--yes"
expect_includes "vorn-cli add a.far --" --into --yes --no --quick
expect_includes "vorn-cli iff import a.iff b.iff --" --from --chunk --opaque
expect_includes "vorn-cli iff " set put rm-chunk clone
expect_includes "vorn-cli iff clone a.iff b.iff --" --name --price --description --guid
# NAME=VALUE is free text: no file names offered for it.
expect "vorn-cli iff set a.iff b.iff OBJD:128 " ""
complete_line "vorn-cli list a.far --"
[[ " $got " == *" --into "* ]] && fail "--into offered for list: [$got]"

# Option values: the choices the help lists; free-form values get nothing.
expect_includes "vorn-cli iff render a.far::x out.png --" --object --graphic --direction --zoom --size --format
expect "vorn-cli iff render a.far::x out.png --zoom " "1 2 3"
expect "vorn-cli iff render --direction " "0 2 4 6"
expect "vorn-cli iff render a.far::x --object 7 --format 1" "15 16"
expect "vorn-cli iff render a.far::x --object " ""
expect "vorn-cli iff import a.iff b.iff --palette " "keep rebuild"
expect "vorn-cli iff import a.iff b.iff --palette r" "rebuild"
# A value is not a positional word: the archive is still the second word.
expect "vorn-cli iff render --size 64x64 a.far::S" "Sounds/"
expect "vorn-cli rm --zoom 2 a.far S" "Sounds/"

# Entry names: one directory level at a time, "/" between directories, any case.
expect "vorn-cli rm a.far P" "People/"
((nospace)) || fail "a lone directory should keep the cursor after its /"
expect "vorn-cli rm a.far People/" "People/Chef.iff People/Cook.iff"
expect "vorn-cli rm a.far people/co" "People/Cook.iff"
((nospace)) && fail "a complete file name should end the word"
expect "vorn-cli --yes mv a.far People/Cook.iff " 'My\ Picture.bmp People/ Sounds/'
expect "vorn-cli extract a.far out S" "Sounds/"
expect "vorn-cli cat a.far Sounds/T" "Sounds/Theme.xa"
expect "vorn-cli add a.far --into S" "Sounds/"
expect "vorn-cli rename a.far People/Cook.iff " ""

# A chunk argument: the chunks of the IFF file before it, as TYPE:ID.
mkdir -p src/iff
{ printf 'IFF FILE 2.5'; head -c 52 /dev/zero; printf 'STR#\0\0\0\x50\x01\x2c\0\x10'; head -c 64 /dev/zero
  printf '\xff\xff\0\0'; } >src/iff/strings.iff
expect "vorn-cli iff show src/iff/strings.iff S" "STR#:300"
expect "vorn-cli iff strings src/iff/strings.iff STR#:3" "300"
expect "vorn-cli iff get src/iff/strings.iff " "STR#:300"

# ARCHIVE::PATH: the part after the last ":" is what bash replaces.
expect "vorn-cli iff chunks a.far::Peo" "People/"
expect "vorn-cli xa2wav a.far::Sounds/" "Sounds/Theme.xa"
expect "vorn-cli iff chunks missing.far::P" ""

# Archives and folders on disk.
mkdir out
expect "vorn-cli list a." "a.far"
expect "vorn-cli extract a.far o" "out"

# Arguments are known by their placeholders in the command's usage line.
expect "vorn-cli iff export a.far::x o" "out"
expect "vorn-cli wav2xa s" "src"
expect "vorn-cli wav2xa in.wav s" "src"
expect "vorn-cli info a.far " ""
expect "vorn-cli iff chunks a.far::x " ""

# Every command line of the help is offered, whatever its heading, and every
# word offered is a command with help of its own.
want=$("$VORN_CLI" --help | grep -E '^  [a-z]' | awk '{ print $1 }' | sort -u | tr '\n' ' ')
expect "vorn-cli " "${want% }"
for word in $got; do
    "$VORN_CLI" "$word" --help >/dev/null 2>&1 || fail "\"$word\" is offered but has no help"
done
want=$("$VORN_CLI" --help | awk '/^  iff [a-z]/ { print $2 }' | sort | tr '\n' ' ')
expect "vorn-cli iff " "${want% }"
for word in $got; do
    "$VORN_CLI" iff "$word" --help 2>/dev/null | head -n1 | grep -q "] iff $word " ||
        fail "\"iff $word\" is offered but has no usage line"
done

if ((failures)); then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "completion: all checks passed"
