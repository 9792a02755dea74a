#!/bin/bash
# Runs the examples of README and of vorn-cli(1) on the sample archive, in
# their order, and checks that they show what they say: every command
# succeeds, the listed formats hold, and the worked modding example's painted
# frame is what its render shows.
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

: "${VORN_CLI:?}" "${VORN_SOURCE_DIR:?}" "${VORN_SAMPLE_ARCHIVE:?}"
export LC_ALL=C.UTF-8 MANWIDTH=200
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
readme=$VORN_SOURCE_DIR/README.md
vorn-cli() { "$VORN_CLI" "$@"; }

# Runs one example line in the current folder; its output lands in $work/out.
run() {
    local line=$1
    eval "$line" >"$work/out" 2>"$work/err" || fail "example failed: $line: $(cat "$work/err")"
}

# README's command-line section, on a copy named as the examples name it.
mkdir "$work/readme" && cd "$work/readme" || exit 1
cp "$VORN_SAMPLE_ARCHIVE" sample.far
mapfile -t lines < <(awk '/^## vorn-cli/ { r = 1; next } /^## / { r = 0 } r' "$readme" |
    grep -E '^    vorn-cli [a-z]' | sed -E 's/ +# .*$//')
((${#lines[@]} >= 15)) || fail "could not read README's command-line examples"
for line in "${lines[@]}"; do
    run "$line"
    case $line in
    "vorn-cli info sample.far")
        [[ $(cut -f1 "$work/out" | paste -sd,) == "version,manifest offset,entries,total size,name length width" ]] ||
            fail "info printed: $(cat "$work/out")" ;;
    "vorn-cli list sample.far")
        grep -qxP '\d+\tObjects\\Faded crate\.iff' "$work/out" || fail "list printed: $(cat "$work/out")" ;;
    "vorn-cli list --long "*)
        grep -qxP '\d+\t\d+\t2\tObjects\\Crate and signpost\.iff' "$work/out" || fail "list --long printed: $(cat "$work/out")" ;;
    "vorn-cli test "*)
        [[ $(tail -n1 "$work/out") == "No errors detected in sample.far ("*")." ]] || fail "test printed: $(cat "$work/out")" ;;
    "vorn-cli tree "*)
        grep -qx '  Furniture' "$work/out" || fail "tree printed: $(cat "$work/out")" ;;
    "vorn-cli iff chunks "* | "vorn-cli iff objects "*)
        awk -F'\t' 'NF != 5 { exit 1 }' "$work/out" && [[ -s $work/out ]] || fail "$line printed: $(cat "$work/out")" ;;
    esac
done
[[ -f out/Sounds/Chime.xa && -f "out/Faded crate.iff" ]] || fail "extract did not write out/: $(ls -R out)"
for picture in crate.png crate-sprites/258_0.png; do
    [[ $(head -c 4 "$picture" | od -An -c | tr -d ' ') == '211PNG' ]] || fail "$picture is not a PNG"
done
listing=$(vorn-cli list sample.far)
grep -qP '^\d+\tFaded copy\.iff$' <<<"$listing" || fail "rename did not give \"Faded copy.iff\": $listing"
grep -qF 'Small' <<<"$listing" && fail "rm left Pictures/Small: $listing"
[[ -s Tone.xa && -s Fixed.iff && -s Crate-new.iff ]] || fail "wav2xa, fixcolors or import wrote nothing"

# The manual page's examples, continuation lines joined.
mkdir "$work/manual" && cd "$work/manual" || exit 1
cp "$VORN_SAMPLE_ARCHIVE" sample.far
mapfile -t lines < <(man -l "$VORN_SOURCE_DIR/desktop/vorn-cli.1" 2>/dev/null | col -bx |
    awk '/^[A-Z][A-Z ]*$/ { e = ($0 == "EXAMPLES"); next }
         e && /\\$/ { sub(/^ +/, ""); sub(/\\$/, ""); held = held $0; next }
         e && (held != "" || /^ +vorn-cli /) { sub(/^ +/, ""); print held $0; held = "" }')
((${#lines[@]} >= 10)) || fail "could not read the manual page's examples"
for line in "${lines[@]}"; do
    run "$line"
done
listing=$(vorn-cli list sample.far)
grep -qP '^\d+\tFaded copy\.iff$' <<<"$listing" || fail "the manual's rename did not take effect: $listing"
[[ -s crate.png && -s tone.wav ]] || fail "the manual's render or xa2wav wrote nothing"

# The worked modding example, as typed from the source folder. The painting
# is done by copying in the same frame of the object's next graphic: the
# render must then show that graphic, not the one it showed before.
mkdir -p "$work/mod/build/cli" "$work/mod/build/sample" && cd "$work/mod" || exit 1
ln -s "$VORN_CLI" build/cli/vorn-cli
cp "$VORN_SAMPLE_ARCHIVE" build/sample/sample.far
mapfile -t lines < <(awk '/^A worked example/ { w = 1; next } w && /^    / { print substr($0, 5); seen = 1; next }
    w && seen { exit }' "$readme" | sed -E 's/ +# .*$//')
((${#lines[@]} >= 8)) || fail "could not read README's worked example"
shopt -s expand_aliases
painted=
for line in "${lines[@]}"; do
    if [[ $line =~ ^#\ \.\.\.\ paint\ over\ ([^ ]+) ]]; then
        painted=${BASH_REMATCH[1]}
        folder=$(dirname "$painted")
        name=$(basename "$painted")
        chunk=${name%%_*}
        object=$(grep -oE '"mod\.far::[^"]+"' <<<"${lines[*]}" | head -n1 | tr -d '"')
        label=$(vorn-cli iff chunks "$object" | awk -F'\t' -v c="$chunk" '$1 == "SPR2" && $2 == c { print $5 }')
        other=$(vorn-cli iff chunks "$object" |
            awk -F'\t' -v c="$chunk" -v l="$label" '$1 == "SPR2" && $2 != c && $5 == l { print $2; exit }')
        [[ -n $other ]] || { fail "no other sprite is labelled \"$label\""; continue; }
        vorn-cli iff export "$object" "$work/other" --chunk "$other" >/dev/null 2>&1
        cp "$work/other/${other}_${name#*_}" "$painted" || fail "could not paint $painted"
        continue
    fi
    [[ $line == \#* ]] && continue
    if [[ $line == alias* ]]; then
        eval "$line"
        continue
    fi
    run "$line"
done
[[ -n $painted ]] || fail "the worked example paints nothing"
original="build/sample/sample.far::Objects/Crate and signpost.iff"
vorn-cli iff render "$original" before.png --object 128 2>/dev/null
vorn-cli iff render "$original" graphic1.png --object 128 --graphic 1 2>/dev/null
cmp -s crate.png before.png && fail "the worked example's render does not show the painted frame"
cmp -s crate.png graphic1.png || fail "the worked example's render is not the painted picture"
cmp -s <(vorn-cli cat mod.far "Sounds/Tone 440 Hz.xa") "Tone 440 Hz.xa" ||
    fail "the worked example's sound did not reach the archive"

if ((failures)); then
    echo "$failures example check(s) failed"
    exit 1
fi
echo "examples: all checks passed"
