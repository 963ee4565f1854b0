#!/bin/sh
# The manual page of a program documents every option its --help lists, and
# the same exit statuses.
# Usage: man_page_options.sh PROGRAM MANPAGE
set -eu
program=$1
page=$2
options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
statuses() { tr '\n' ' ' | grep -oE '(^|[ ;:])[0-9] (when|for)' | grep -oE '[0-9]' | sort -u; }

help=$("$program" --help)
manual=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$page")
exit_section=$(printf '%s\n' "$manual" | sed -n '/^\.SH EXIT STATUS/,/^\.SH/p')

status=0
if [ "$(printf '%s\n' "$help" | options)" != "$(printf '%s\n' "$manual" | options)" ]; then
    echo "options of --help and of $page differ:"
    printf '%s\n' "$help" | options > /tmp/help.$$
    printf '%s\n' "$manual" | options | diff /tmp/help.$$ - || true
    rm -f /tmp/help.$$
    status=1
fi
help_statuses=$(printf '%s\n' "$help" | sed -n '/Exit status/,$p' | statuses)
if [ -z "$help_statuses" ] || [ "$help_statuses" != "$(printf '%s\n' "$exit_section" | statuses)" ]; then
    echo "exit statuses of --help ($help_statuses) and of $page differ"
    status=1
fi
exit $status
