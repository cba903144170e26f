#!/usr/bin/env bash
# Sets up and tears down the Wine prefix of one test run (win32 or win64, as
# WINEARCH says): a fresh copy of a cached template prefix, a persistent
# wineserver and a keeper process, so that services started by Wine's service
# control manager stay alive between the tests' own Wine calls.
set -euo pipefail
: "${VBX_WINE_DIR:?}" "${WINEPREFIX:?}" "${VBX_WIN_DIR:?}" "${WINEARCH:?}"
export WINEDEBUG=-all
template=$VBX_WINE_DIR/template
winerun=(python3 "$(dirname "$0")/winerun.py")

# A 32-bit prefix needs the 32-bit Wine loader: where it cannot run, the
# run's tests are skipped, and so are these steps (exit 77, ctest's skip).
if [ "$WINEARCH" = win32 ] && ! answer=$("${winerun[@]}" --can-run-32bit); then
    echo "skipped: a 32-bit Wine prefix cannot be made here: ${answer#no: }"
    exit 77
fi

stop_server() {
    WINEPREFIX=$1 timeout 60 wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$1 timeout 60 wineserver -w >/dev/null 2>&1 || true
}

session_up() {
    local pid
    for pid in $(pgrep -x services.exe); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}

case "${1:-}" in
setup)
    mkdir -p "$VBX_WINE_DIR"
    if [ ! -f "$template/system.reg" ]; then
        rm -rf "$template"
        WINEPREFIX=$template timeout 300 "${winerun[@]}" wineboot -i >/dev/null 2>&1
        WINEPREFIX=$template timeout 120 wineserver -w >/dev/null 2>&1 || true
    fi
    stop_server "$WINEPREFIX"
    rm -rf "$WINEPREFIX"
    cp -a "$template" "$WINEPREFIX"
    # The persistent server must come before the first Wine process.
    wineserver -p </dev/null >/dev/null 2>&1
    # Wine's own session processes start with the first Wine program; start
    # them here, detached from ctest's pipes. They and every service they
    # start inherit its debug channels and its standard error: Wine prints
    # each event log entry (and the source it was registered under) there,
    # which is the only way to see them (winebed.session_events).
    : >"$VBX_WINE_DIR/session.log"
    WINEDEBUG=-all,err+eventlog,warn+eventlog,fixme+advapi setsid "${winerun[@]}" "$VBX_WIN_DIR/fixtures/keeper.exe" \
        </dev/null >/dev/null 2>>"$VBX_WINE_DIR/session.log" &
    # No other Wine process may start before the session's services.exe
    # runs: the first one would start it in its place, with its own debug
    # channels and standard error. (Other prefixes on this machine have a
    # services.exe of their own; ours is told apart by its WINEPREFIX.)
    for _ in $(seq 1 300); do
        session_up && break
        sleep 0.1
    done
    session_up || { echo "the Wine session did not start" >&2; exit 1; }
    timeout 60 "${winerun[@]}" cmd /c echo ready </dev/null 2>/dev/null | tr -d '\r'
    ;;
cleanup)
    stop_server "$WINEPREFIX"
    rm -rf "$WINEPREFIX"
    echo "prefix removed"
    ;;
*)
    echo "usage: prefix.sh setup|cleanup" >&2
    exit 2
    ;;
esac
