#!/bin/sh
# Runs the tray check on a virtual X display under openbox (when installed):
# with trayer as the notification area when it is installed, then without
# one. Skipped (77) without xvfb-run.
command -v xvfb-run > /dev/null || exit 77
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    wm=""
    if command -v openbox > /dev/null; then
        openbox > /dev/null 2>&1 &
        wm=$!
        sleep 0.5
    fi
    status=0
    if command -v trayer > /dev/null; then
        trayer --edge bottom --align right --widthtype request --height 24 &
        tray=$!
        QT_QPA_PLATFORM=xcb "$1" tray || status=1
        kill "$tray"
    fi
    QT_QPA_PLATFORM=xcb "$1" plain || status=1
    [ -n "$wm" ] && kill "$wm"
    exit $status' check "$1"
