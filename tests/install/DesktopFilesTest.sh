#!/usr/bin/env bash
# The desktop entry, icon and project file type, installed into a prefix of
# their own: the entry is valid, a project file is known by its type, and
# that type opens with the studio's entry.
# Usage: DesktopFilesTest.sh BUILD_DIR PROJECT_FILE
set -euo pipefail
build=$1
project=$2

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" --component desktop >/dev/null
share=$prefix/share
desktop-file-validate "$share/applications/tarn-studio.desktop"
for icon in scalable/apps/tarn-studio.svg 48x48/apps/tarn-studio.png 256x256/apps/tarn-studio.png; do
    test -s "$share/icons/hicolor/$icon" || { echo "missing icon $icon"; exit 1; }
done

# A desktop that knows only this prefix.
export XDG_DATA_DIRS=$share XDG_DATA_HOME=$prefix/home XDG_CONFIG_HOME=$prefix/config \
    XDG_CONFIG_DIRS=$prefix/config
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
expect() {
    local what=$1 wanted=$2 got=$3
    if [ "$got" != "$wanted" ]; then
        echo "$what: '$got', expected '$wanted'"
        exit 1
    fi
}
cp "$project" "$prefix/song.tarn"
expect "song.tarn" application/x-tarn-project "$(xdg-mime query filetype "$prefix/song.tarn")"
# By its first bytes alone, whatever its name.
cp "$project" "$prefix/song.bin"
expect "song.bin" application/x-tarn-project "$(xdg-mime query filetype "$prefix/song.bin")"
expect "default" tarn-studio.desktop "$(xdg-mime query default application/x-tarn-project)"
echo "desktop files installed and found"
