#!/usr/bin/env bash
# The program as it is installed and bundled, run the way a user or a render machine runs it:
#
#   packaging_test.sh install BUILD  cmake --install into a temporary prefix; the installed program,
#       started from another folder without --data and without a display server, renders a frame
#       with the same bytes as the build's program; with its archive gone it names every place it
#       looked; the desktop entry and the AppStream metainfo pass their validators (each skipped
#       with a message where it is not installed).
#   packaging_test.sh bundle BUILD   scripts/bundle-linux.sh's folder: its programs need no library
#       that is not found with LD_LIBRARY_PATH empty, and its program starts.
set -euo pipefail
mode=$1
build=$(realpath "$2")
source=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
headless() { env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$@"; }
frame="--from 96000 --to 96000 --size 160x90"

case "$mode" in
install)
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" >/dev/null
    mkdir "$work/elsewhere"
    (cd "$work/elsewhere" && headless "$prefix/bin/sublumen" --capture installed $frame --log log.txt >out.txt 2>&1) ||
        fail "the installed program's capture: $(cat "$work/elsewhere/out.txt")"
    grep -q "archive $prefix/share/sublumen/data.pak" "$work/elsewhere/log.txt" || fail "not the installed archive"
    headless "$build/sublumen" --capture "$work/built" $frame --data "$build/data.pak" --log "$work/built.txt" >/dev/null 2>&1 ||
        fail "the build's capture"
    cmp "$work/elsewhere/installed/000000.png" "$work/built/000000.png" || fail "the installed program's frame differs"

    rm "$prefix/share/sublumen/data.pak"
    status=0
    (cd "$work/elsewhere" && headless "$prefix/bin/sublumen" --capture none $frame --log log2.txt >out2.txt 2>&1) || status=$?
    [ "$status" = 1 ] || fail "a missing archive gave status $status"
    for place in "$prefix/bin/data.pak" "$prefix/share/sublumen/data.pak"; do
        grep -qF "$place" "$work/elsewhere/out2.txt" || fail "the missing archive's message does not name $place"
    done

    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
    else
        echo "skipped: desktop-file-validate is not installed (desktop-file-utils)"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"
    else
        echo "skipped: appstreamcli is not installed (appstream)"
    fi
    ;;
bundle)
    "$source/scripts/bundle-linux.sh" --build "$build" --out "$work" --no-tar
    root=$work/Sublumen-linux-x86_64
    for program in "$root/bin/sublumen" "$root/bin/dae-info"; do
        libraries=$(LD_LIBRARY_PATH= ldd "$program")
        ! grep "not found" <<<"$libraries" || fail "$program misses libraries"
        grep -q "lib/sublumen/libSDL2" <<<"$libraries" || fail "$program does not load the bundle's SDL2"
    done
    version=$(LD_LIBRARY_PATH= "$root/bin/sublumen" --version)
    [[ "$version" == "sublumen "* ]] || fail "the bundle's program does not start"
    ;;
*)
    echo "usage: $0 install|bundle BUILD" >&2
    exit 2
    ;;
esac
echo "packaging $mode: ok"
