#!/usr/bin/env bash
# Builds the release artefacts (scripts/package.sh) and tests them as users
# get them:
#   - the zip holds the two programs, README, licence and notices;
#   - the installer and the uninstaller run silently in a fresh Wine prefix
#     with the real Tidemark.exe (tests/package/InstallerTest.cpp), also
#     over an older version, made by packaging these sources as version 0.1;
#   - the Debian package installs with dpkg, its program and manual page
#     work, lintian finds no error, and dpkg -r leaves nothing behind; its
#     user service passes systemd-analyze, its Dolphin service menus
#     desktop-file-validate, Caja loads its actions (caja-actions-print),
#     and the actions' helper renames papers and tells the notification.
# Installs the machine's tidemark package for the while and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."

old_version=0.1
scripts/deps-native.sh wine wine64 xvfb xauth nsis zip unzip dpkg-dev lintian man-db systemd desktop-file-utils \
    caja-actions >/dev/null
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
installed=0
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
    # A failed check must not leave the package on the machine.
    ((installed == 0)) || dpkg_ -r tidemark || true
}
trap cleanup EXIT

say() { printf 'test-packages: %s\n' "$*" >&2; }
fail() { say "FAILED: $*"; exit 1; }

# The older version first: the build returns to this version afterwards.
scripts/package.sh --version "$old_version" setup
mv "dist/Tidemark-$old_version-setup.exe" "$work/"
scripts/package.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-win/CMakeCache.txt)
ls -l "dist/Tidemark-$version-setup.exe" "dist/Tidemark-$version-win64.zip" "dist/tidemark_$version-1_amd64.deb"

say "the zip"
expected=$'LICENSE.txt\nREADME.txt\nTHIRD-PARTY-NOTICES.txt\nTidemark.exe\ntidemark-cli.exe'
listed=$(unzip -Z1 "dist/Tidemark-$version-win64.zip" | sort)
[[ $listed == "$expected" ]] || fail "the zip holds: $listed"

say "the installer and the uninstaller under Wine"
scripts/build-win.sh installer_tests >/dev/null
windows_path() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }
TIDEMARK_SETUP=$(windows_path "dist/Tidemark-$version-setup.exe") \
TIDEMARK_OLD_SETUP=$(windows_path "$work/Tidemark-$old_version-setup.exe") \
TIDEMARK_OLD_VERSION=$old_version \
    xvfb-run -a wine build-win/tests/package/installer_tests.exe --gtest_brief=1

say "the Debian package"
deb=dist/tidemark_${version}-1_amd64.deb
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb" 2> >(grep -v 'root privileges' >&2)
# dpkg, waiting while another installation holds its lock.
dpkg_() {
    local sudo="" tries=0 output
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    until output=$($sudo dpkg "$@" 2>&1); do
        if ! grep -q 'lock' <<<"$output" || ((++tries > 300)); then
            printf '%s\n' "$output" >&2
            return 1
        fi
        sleep 3
    done
}
installed=1
dpkg_ -i "$deb"
[[ $(tidemark --version) == "tidemark $version" ]] || fail "tidemark --version says: $(tidemark --version)"
[[ $(man -w tidemark) == /usr/share/man/man1/tidemark.1.gz ]] || fail "man -w tidemark: $(man -w tidemark 2>&1)"

say "the watch's user service and the file managers' actions"
systemd-analyze verify /usr/lib/systemd/user/tidemark-watch.service
desktop-file-validate /usr/share/kio/servicemenus/tidemark-rename.desktop \
    /usr/share/kio/servicemenus/tidemark-rename-folder.desktop
for id in tidemark-rename tidemark-rename-folder; do
    printed=$(caja-actions-print -i "$id" 2>&1)
    grep -qxF 'Exec=/usr/libexec/tidemark/rename-and-notify %F' <<<"$printed" ||
        fail "Caja does not load the action $id: $printed"
done
# Nemo has no validator of its own: the group and the keys it needs.
for action in /usr/share/nemo/actions/tidemark-rename.nemo_action /usr/share/nemo/actions/tidemark-rename-folder.nemo_action; do
    [[ $(head -n 1 "$action") == "[Nemo Action]" ]] || fail "$action: no [Nemo Action] group first"
    for key in Name Exec Selection Extensions; do
        grep -q "^$key=." "$action" || fail "$action: no $key"
    done
done
# The helper that the actions run, on real papers. notify-send needs a
# desktop session: a stand-in on PATH keeps what it was told.
actions=$work/actions
mkdir -p "$actions/bin" "$actions/papers"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/told"\n' "$actions" >"$actions/bin/notify-send"
chmod 755 "$actions/bin/notify-send"
cp samples/paper-cover-page.pdf "$actions/papers/scan one.pdf"
cp samples/paper-no-abstract.pdf "$actions/papers/b.pdf"
told() { cat "$actions/told"; }
XDG_STATE_HOME=$actions/state PATH=$actions/bin:$PATH /usr/libexec/tidemark/rename-and-notify "$actions/papers/scan one.pdf" ||
    fail "rename-and-notify failed"
[[ $(told) == $'--app-name=Tidemark\n--icon=document-edit\n1 renamed, 0 unchanged, 0 no title, 0 failed\nscan one.pdf → Sediment Transport under Breaking Waves.pdf' ]] ||
    fail "the notification of one file: $(told)"
(cd "$actions/papers" && XDG_STATE_HOME=$actions/state PATH=$actions/bin:$PATH \
    "/usr/share/tidemark/nautilus-scripts/Rename all PDFs in this folder") || fail "the Nautilus folder script failed"
[[ $(ls "$actions/papers") == $'A Field Guide to Coastal Salt Marshes.pdf\nSediment Transport under Breaking Waves.pdf' ]] ||
    fail "after the folder action: $(ls "$actions/papers")"
grep -qxF '1 renamed, 1 unchanged, 0 no title, 0 failed' <(told) &&
    grep -qxF 'b.pdf → A Field Guide to Coastal Salt Marshes.pdf' <(told) &&
    grep -qxF 'unchanged: Sediment Transport under Breaking Waves.pdf (already named so)' <(told) ||
    fail "the notification of a folder: $(told)"
dpkg_ -r tidemark
installed=0
left=()
while read -r path; do
    path=/${path#./}
    [[ -f $path ]] && left+=("$path")
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t)
[[ -d /usr/share/doc/tidemark ]] && left+=(/usr/share/doc/tidemark)
((${#left[@]} == 0)) || fail "left after dpkg -r: ${left[*]}"
[[ $(dpkg-query -W -f='${db:Status-Status}' tidemark 2>/dev/null) == not-installed ]] ||
    [[ -z $(dpkg-query -W tidemark 2>/dev/null) ]] || fail "dpkg still knows tidemark"
say "passed"
