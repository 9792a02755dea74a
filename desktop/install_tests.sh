#!/bin/bash
# Installs the build tree into a temporary prefix and checks it the way a
# desktop sees it: the exact set of files, the launcher and AppStream data as
# their validators judge them, the FAR type and its default application as
# xdg-mime resolves them, the manual pages and completion where man and bash
# look, xdg-open starting Vorn on an archive, the IFF type as gio resolves it,
# and the thumbnailer's own command line drawing archives, objects and BMPs.
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

: "${VORN_BUILD_DIR:?}" "${VORN_APP_ID:?}" "${VORN_FAR_MIME_TYPE:?}" "${VORN_BASH_COMPLETION_DIR:?}"
id=$VORN_APP_ID
work=$(mktemp -d)
vorn_pid=
opener_pid=
cleanup() {
    [[ -n $vorn_pid ]] && kill "$vorn_pid" 2>/dev/null
    [[ -n $opener_pid ]] && kill "$opener_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix
cmake --install "$VORN_BUILD_DIR" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; echo "cmake --install failed"; exit 1; }

# Every installed file, nothing more.
expected=$(sort <<EOF
bin/vorn
bin/vorn-cli
share/applications/$id.desktop
share/icons/hicolor/128x128/apps/$id.png
share/icons/hicolor/16x16/apps/$id.png
share/icons/hicolor/32x32/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/doc/vorn/changelog.gz
share/doc/vorn/copyright
share/man/man1/vorn-cli.1.gz
share/man/man1/vorn.1.gz
share/metainfo/$id.metainfo.xml
share/mime/packages/$id-iff.xml
share/mime/packages/$id.xml
share/thumbnailers/$id.thumbnailer
$VORN_BASH_COMPLETION_DIR/vorn-cli
EOF
)
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[[ $installed == "$expected" ]] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$installed"))"

for program in vorn vorn-cli; do
    [[ -x $prefix/bin/$program ]] || fail "bin/$program is not executable"
done
"$prefix/bin/vorn-cli" --help >/dev/null || fail "the installed vorn-cli --help failed"

for size in 16 32 48 128; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    file -b "$icon" | grep -q "PNG image data, $size x $size" || fail "$icon is not a $size x $size PNG: $(file -b "$icon")"
done
file -b "$prefix/share/icons/hicolor/scalable/apps/$id.svg" | grep -q SVG || fail "the scalable icon is not an SVG"

desktop=$prefix/share/applications/$id.desktop
validation=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $validation"
[[ -z $validation ]] || fail "desktop-file-validate warns: $validation"
grep -qx 'Exec=vorn %f' "$desktop" || fail "the launcher does not run vorn on one file"
grep -qx "Icon=$id" "$desktop" || fail "the launcher does not use the installed icon"
grep -q "^MimeType=.*$VORN_FAR_MIME_TYPE;" "$desktop" || fail "the launcher does not take FAR archives"
grep -q '^Categories=.*Utility;.*Archiving;' "$desktop" || fail "the launcher is not under Utility and Archiving"

validation=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $validation"

for page in vorn vorn-cli; do
    found=$(man -w -M "$prefix/share/man" "$page" 2>/dev/null)
    [[ $found == "$prefix/share/man/man1/$page.1.gz" ]] || fail "man does not find $page(1) in the prefix: [$found]"
done

# bash-completion loads completions from every XDG data folder on first Tab.
loaded=$(XDG_DATA_DIRS=$prefix/share BASH_COMPLETION_USER_DIR=$work/none bash -c '
    . /usr/share/bash-completion/bash_completion && __load_completion vorn-cli && complete -p vorn-cli' 2>&1)
[[ $loaded == *"-F _vorn_cli vorn-cli"* ]] || fail "bash-completion does not load the vorn-cli completion: $loaded"

# The file type as the desktop resolves it, with the caches the Debian
# triggers would build.
mkdir -p "$work/home" "$work/config" "$work/data"
desktop_env=(env -u XDG_CURRENT_DESKTOP -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID -u DESKTOP_SESSION
             HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config"
             XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$prefix/share:/usr/share" DE=generic)
"${desktop_env[@]}" update-mime-database "$prefix/share/mime" || fail "update-mime-database refused the type"
"${desktop_env[@]}" update-desktop-database "$prefix/share/applications" || fail "update-desktop-database failed"
mkdir "$work/files"
"$prefix/bin/vorn-cli" add "$work/files/Objects.FAR" "$prefix/share/man/man1/vorn.1.gz" >/dev/null ||
    fail "could not make an archive"
cp "$work/files/Objects.FAR" "$work/files/no-extension"
printf 'FAR!byAX damaged' >"$work/files/Damaged.Far"
printf 'not an archive\n' >"$work/files/notes.txt"
query() { "${desktop_env[@]}" xdg-mime query filetype "$1" 2>/dev/null | sed 's/;.*//'; }
[[ $(query "$work/files/Damaged.Far") == "$VORN_FAR_MIME_TYPE" ]] ||
    fail "Damaged.Far is [$(query "$work/files/Damaged.Far")] (glob *.far in any case)"
[[ $(query "$work/files/no-extension") == "$VORN_FAR_MIME_TYPE" ]] ||
    fail "an archive without extension is [$(query "$work/files/no-extension")] (magic FAR!byAZ)"
[[ $(query "$work/files/notes.txt") != "$VORN_FAR_MIME_TYPE" ]] || fail "a text file is taken for an archive"
default=$("${desktop_env[@]}" xdg-mime query default "$VORN_FAR_MIME_TYPE" 2>&1)
[[ $default == "$id.desktop" ]] || fail "the default application for FAR archives is [$default]"

# The Sims' object files by their first bytes, as gio (GNOME's file manager
# and thumbnail factory) resolves them; other IFF formats named *.iff keep
# their own type, and a name alone does not make a file one of ours.
gio_type() { "${desktop_env[@]}" gio info -a standard::content-type "$1" 2>/dev/null | sed -n 's/^ *standard::content-type: //p'; }
[[ -n ${VORN_SAMPLE_ARCHIVE:-} && -f $VORN_SAMPLE_ARCHIVE ]] || fail "no sample archive at [${VORN_SAMPLE_ARCHIVE:-}]"
"$prefix/bin/vorn-cli" cat "$VORN_SAMPLE_ARCHIVE" 'Objects\Faded crate.iff' >"$work/files/crate.iff" ||
    fail "could not take an object file from the sample archive"
cp "$work/files/crate.iff" "$work/files/CRATE.IFF"
cp "$work/files/crate.iff" "$work/files/crate"
printf 'FORM\0\0\0\x0cILBMBMHD\0\0\0\0' >"$work/files/picture.iff"
printf 'not an object\n' >"$work/files/notes.iff"
for name in crate.iff CRATE.IFF crate; do
    [[ $(gio_type "$work/files/$name") == "$VORN_IFF_MIME_TYPE" ]] ||
        fail "$name is [$(gio_type "$work/files/$name")], not $VORN_IFF_MIME_TYPE"
done
for name in picture.iff notes.iff; do
    [[ $(gio_type "$work/files/$name") != "$VORN_IFF_MIME_TYPE" ]] || fail "$name is taken for a Sims object file"
done

# The thumbnailer's Exec line as a file manager runs it: %i the input, %o the
# PNG to write, %s the size.
thumbnailer=$prefix/share/thumbnailers/$id.thumbnailer
grep -qx "MimeType=$VORN_FAR_MIME_TYPE;$VORN_IFF_MIME_TYPE;" "$thumbnailer" || fail "the thumbnailer takes: $(grep MimeType "$thumbnailer")"
read -ra exec_words <<<"$(sed -n 's/^Exec=//p' "$thumbnailer")"
thumbnail() { # INPUT OUTPUT SIZE
    local command=() word
    for word in "${exec_words[@]}"; do
        case $word in %i) word=$1 ;; %o) word=$2 ;; %s) word=$3 ;; esac
        command+=("$word")
    done
    "${desktop_env[@]}" PATH="$prefix/bin:/usr/bin:/bin" "${command[@]}"
}
png_size() { file -b "$1" | sed -n 's/^PNG image data, \([0-9]*\) x \([0-9]*\), 8-bit\/color RGBA.*/\1 \2/p'; }
# A 300 x 200 24-bit BMP: its longest side comes out at the asked size.
{ printf 'BM\x56\xbf\x02\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x2c\x01\0\0\xc8\0\0\0\x01\0\x18\0\0\0\0\0\x20\xbf\x02\0'
  head -c 16 /dev/zero; head -c 180000 /dev/zero | tr '\0' '\200'; } >"$work/files/grey.bmp"
for size in 128 256; do
    rm -f "$work/thumb.png"
    thumbnail "$work/files/grey.bmp" "$work/thumb.png" $size || fail "the thumbnailer failed on a BMP at $size"
    expected_size="$size $(( (200 * size + 150) / 300 ))"
    [[ $(png_size "$work/thumb.png") == "$expected_size" ]] ||
        fail "the BMP's $size px thumbnail is [$(file -b "$work/thumb.png")], not $expected_size"
    for input in "$work/files/crate" "$VORN_SAMPLE_ARCHIVE"; do
        rm -f "$work/thumb.png"
        thumbnail "$input" "$work/thumb.png" $size || { fail "the thumbnailer failed on $input at $size"; continue; }
        read -r width height <<<"$(png_size "$work/thumb.png")"
        (( ${width:-0} >= 1 && ${height:-0} >= 1 && width <= size && height <= size )) ||
            fail "the $size px thumbnail of $input is [$(file -b "$work/thumb.png")]"
    done
done
rm -f "$work/thumb.png"
thumbnail "$work/files/notes.iff" "$work/thumb.png" 128 2>/dev/null && fail "the thumbnailer drew a text file"
[[ -e $work/thumb.png ]] && fail "the thumbnailer wrote a picture of a text file"

# xdg-open runs the launcher's command on the file: Vorn opens it and holds its
# lock, so vorn-cli is refused a change while Vorn runs.
archive=$work/files/Objects.FAR
"${desktop_env[@]}" PATH="$prefix/bin:$PATH" DISPLAY=:none QT_QPA_PLATFORM=offscreen \
    xdg-open "$archive" >"$work/open.log" 2>&1 &
opener_pid=$!
for _ in $(seq 100); do
    for proc in /proc/[0-9]*; do
        [[ $(readlink "$proc/exe" 2>/dev/null) == "$prefix/bin/vorn" ]] || continue
        vorn_pid=${proc#/proc/}
        break 2
    done
    sleep 0.1
done
if [[ -z $vorn_pid ]]; then
    fail "xdg-open did not start the installed vorn: $(cat "$work/open.log")"
else
    tr '\0' '\n' <"/proc/$vorn_pid/cmdline" | grep -qxF "$archive" || fail "vorn was started without the archive"
    opened=
    for _ in $(seq 100); do
        for fd in /proc/"$vorn_pid"/fd/*; do
            [[ $(readlink "$fd" 2>/dev/null) == "$archive" ]] && { opened=1; break 2; }
        done
        sleep 0.1
    done
    if [[ -z $opened ]]; then
        fail "vorn did not open the archive"
    elif "$prefix/bin/vorn-cli" rm "$archive" vorn.1.gz >"$work/rm.log" 2>&1 || ! grep -q "sharing violation" "$work/rm.log"; then
        fail "vorn does not hold the archive locked: $(cat "$work/rm.log")"
    fi
fi

if ((failures)); then
    echo "$failures install check(s) failed"
    exit 1
fi
echo "install: all checks passed"
