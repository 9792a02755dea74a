#!/bin/bash
# Packs the build tree as `make package` does (without building again),
# checks the package's metadata and contents, unpacks it into a scratch root
# and runs both programs from there.
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

: "${VORN_BUILD_DIR:?}" "${VORN_APP_ID:?}"
work=$(mktemp -d)
vorn_pid=
cleanup() {
    [[ -n $vorn_pid ]] && kill "$vorn_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$VORN_BUILD_DIR/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "cpack failed"; exit 1; }
debs=("$work"/pack/vorn_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { ls "$work/pack"; echo "no single vorn_*.deb was made"; exit 1; }
deb=${debs[0]}

[[ $(dpkg-deb -f "$deb" Package) == vorn ]] || fail "the package is not named vorn"
[[ $(dpkg-deb -f "$deb" Architecture) == "$(dpkg --print-architecture)" ]] || fail "wrong architecture"
depends=$(dpkg-deb -f "$deb" Depends)
IFS=',' read -ra clauses <<<"$depends"
names=()
for clause in "${clauses[@]}"; do
    names+=("$(sed -E 's/^ *([^ (|]+).*/\1/' <<<"$clause")")
done
# Computed from the programs' libraries: the C and C++ runtimes and Qt for vorn.
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6; do
    printf '%s\n' "${names[@]}" | grep -qxF "$library" || fail "Depends lacks $library: [$depends]"
done
# Every dependency names a package this machine (the build's) has installed.
for name in "${names[@]}"; do
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' ||
        fail "dependency $name is not a package installed here"
done

listing=$(dpkg-deb -c "$deb" | awk '{ print $NF }')
for path in usr/bin/vorn usr/bin/vorn-cli "usr/share/applications/$VORN_APP_ID.desktop" \
    "usr/share/mime/packages/$VORN_APP_ID.xml" "usr/share/mime/packages/$VORN_APP_ID-iff.xml" \
    "usr/share/thumbnailers/$VORN_APP_ID.thumbnailer" "usr/share/metainfo/$VORN_APP_ID.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$VORN_APP_ID.svg" usr/share/man/man1/vorn-cli.1.gz \
    usr/share/doc/vorn/copyright usr/share/doc/vorn/changelog.gz \
    usr/share/bash-completion/completions/vorn-cli; do
    grep -qxF "./$path" <<<"$listing" || fail "the package lacks /$path"
done
grep -q '^\./usr/local/' <<<"$listing" && fail "the package installs below /usr/local"

# Debian's own checker: no error and no warning. Informational tags stay
# (the hardening of compiled code and the .comment section are reported there).
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges')
grep -qE '^[EW]: ' <<<"$lintian_out" && fail "lintian reports:
$lintian_out"

root=$work/root
dpkg-deb -x "$deb" "$root" || { echo "could not unpack the package"; exit 1; }
for program in vorn vorn-cli; do
    file -b "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
done
"$root/usr/bin/vorn-cli" --help >"$work/help.txt" 2>&1 || fail "vorn-cli --help from the package failed"
grep -q '^Usage: vorn-cli' "$work/help.txt" || fail "vorn-cli --help from the package printed: $(cat "$work/help.txt")"

# vorn runs from the package and opens an archive given on its command line.
archive=$work/test.far
"$root/usr/bin/vorn-cli" add "$archive" "$work/help.txt" >/dev/null || fail "could not make an archive"
HOME=$work XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen "$root/usr/bin/vorn" "$archive" >"$work/vorn.log" 2>&1 &
vorn_pid=$!
opened=
for _ in $(seq 100); do
    kill -0 "$vorn_pid" 2>/dev/null || break
    for fd in /proc/"$vorn_pid"/fd/*; do
        [[ $(readlink "$fd" 2>/dev/null) == "$archive" ]] && { opened=1; break 2; }
    done
    sleep 0.1
done
[[ -n $opened ]] || fail "vorn from the package did not open the archive: $(cat "$work/vorn.log")"
kill -0 "$vorn_pid" 2>/dev/null || fail "vorn from the package exited: $(cat "$work/vorn.log")"

if ((failures)); then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "package: all checks passed"
