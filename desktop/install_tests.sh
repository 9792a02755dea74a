#!/bin/bash
# Installs the build tree into a temporary prefix and checks it the way a
# desktop sees it: the exact set of files, the launcher and AppStream data as
# their validators judge them, the FAR type and its default application as
# xdg-mime resolves them, the manual pages and completion where man and bash
# look, and xdg-open starting Vorn on an archive.
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
share/mime/packages/$id.xml
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
