#!/bin/sh
# Runs the tray check on a virtual X display, with trayer as the
# notification area when it is installed. Skipped (77) without xvfb-run.
command -v xvfb-run > /dev/null || exit 77
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    tray=""
    if command -v trayer > /dev/null; then
        trayer --edge bottom --align right --widthtype request --height 24 &
        tray=$!
    fi
    QT_QPA_PLATFORM=xcb "$1"
    status=$?
    [ -n "$tray" ] && kill "$tray"
    exit $status' check "$1"
