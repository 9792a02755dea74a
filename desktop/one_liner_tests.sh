#!/bin/bash
# Everyday one-liners on a copy of the sample archive, as a modder types them:
# patterns, "-" for standard input, --json, --long, test, add --update, sync,
# extraction to a folder and pipes between commands. Each line's output is
# checked, not only its exit status.
set -u
failures=0
lines=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

: "${VORN_CLI:?}" "${VORN_SAMPLE_ARCHIVE:?}"
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
vorn-cli() { "$VORN_CLI" "$@"; }
cd "$work" && cp "$VORN_SAMPLE_ARCHIVE" sample.far || exit 1

# expect LINE WANT: LINE succeeds and prints exactly WANT.
expect() {
    local got
    lines=$((lines + 1))
    got=$(eval "$1" 2>"$work/err") || { fail "$1 failed: $(cat "$work/err")"; return; }
    [[ $got == "$2" ]] || fail "$1 printed:"$'\n'"$got"$'\n'"instead of:"$'\n'"$2"
}
# refused LINE MESSAGE: LINE fails with status 1 and MESSAGE on standard error.
refused() {
    local status
    lines=$((lines + 1))
    eval "$1" >/dev/null 2>"$work/err"
    status=$?
    [[ $status == 1 && $(cat "$work/err") == "$2" ]] || fail "$1 gave status $status and: $(cat "$work/err")"
}

expect "vorn-cli list sample.far 'objects/*.IFF' | cut -f2" 'Objects\Crate and signpost.iff
Objects\Faded crate.iff'
expect "vorn-cli list sample.far '**/*.xa' | wc -l" 3
expect "vorn-cli list --long sample.far '**/stage.iff' | cut -f3,4" $'1\tObjects\\Furniture\\Stage.iff'
expect "cat sample.far | vorn-cli list - | wc -l" 11
expect "vorn-cli cat - 'Read me.txt' < sample.far | head -n1" \
    "A sample archive made by Vorn's build. Double-click the IFF, XA and BMP files to view them."
expect "vorn-cli cat sample.far 'Sounds/*.xa' | wc -c" \
    "$(vorn-cli list sample.far 'Sounds/*.xa' | awk '{ total += $1 } END { print total }')"
expect "vorn-cli info --json sample.far | grep '\"entries\"'" '  "entries": 11,'
expect "vorn-cli list --json sample.far '**/*.bmp' | grep -c '\"name\"'" 3
expect "vorn-cli tree sample.far | grep -c '^  [^ ]'" 3
expect "vorn-cli test sample.far | tail -n1" "No errors detected in sample.far (11 entries)."
expect "vorn-cli extract sample.far out Sounds && (cd out && find . -type f | sort)" './Sounds/Chime.xa
./Sounds/Stereo/Left then right.xa
./Sounds/Tone 440 Hz.xa'
expect "vorn-cli cat sample.far Sounds/Chime.xa | vorn-cli xa2wav - - | head -c 4" RIFF
expect "vorn-cli xa2wav sample.far::Sounds/Chime.xa - | vorn-cli wav2xa - - | wc -c" \
    "$(vorn-cli list sample.far Sounds/Chime.xa | cut -f1)"
expect "echo hello > notes.txt && vorn-cli add sample.far --into Notes notes.txt && vorn-cli list sample.far Notes" \
    $'6\tNotes\\notes.txt'
expect "vorn-cli add --update sample.far out/Sounds" "0 added, 0 replaced, 0 deleted, 3 unchanged"
expect "echo >> out/Sounds/Chime.xa && vorn-cli add --update sample.far out/Sounds" $'replaced\tSounds\\Chime.xa
0 added, 1 replaced, 0 deleted, 2 unchanged'
expect "rm 'out/Sounds/Tone 440 Hz.xa' && vorn-cli sync sample.far out/Sounds --into Sounds --delete" \
    $'deleted\tSounds\\Tone 440 Hz.xa\n0 added, 0 replaced, 1 deleted, 2 unchanged'
refused "vorn-cli rm sample.far '**/*.bmp' && vorn-cli list sample.far '**/*.bmp'" \
    'vorn-cli: "**/*.bmp" matches nothing in "sample.far"!'
expect "vorn-cli mv sample.far 'Objects/*.iff' Objects/Furniture && vorn-cli list sample.far 'Objects/*/*' | wc -l" 4
expect "vorn-cli iff objects --json 'sample.far::Objects/Furniture/Crate and signpost.iff' | grep -c '\"kind\"'" 2
expect "vorn-cli iff chunks '-::Objects/Furniture/Faded crate.iff' < sample.far | cut -f1 | grep -c SPR2" 3
expect "printf x > 'Lisez-moi é.txt' && vorn-cli add sample.far 'Lisez-moi é.txt' && vorn-cli list sample.far 'lisez*'" \
    $'1\tLisez-moi é.txt'
expect "vorn-cli list --json sample.far 'Lisez*' | grep '\"name\"'" '      "name": "Lisez-moi é.txt",'
refused "vorn-cli cat sample.far 'Prix €.txt'" \
    'vorn-cli: "Prix €.txt" holds "€" (U+20AC), a character archive names cannot hold: they are Latin-1!'

((lines >= 20)) || fail "only $lines one-liners ran"
echo "$lines one-liners, $failures failed"
exit $((failures != 0))
