#!/bin/sh
# Installs the build tree into a throwaway root and runs the installed
# zelmora as an unprivileged user with a fresh home, as a user of a
# packaged Zelmora would: its files go to the per-user folder, --folder
# moves them, and a --folder that is a file ends the program with status 2.
set -eu
build=$1
app_id=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
fail() {
    echo "FAIL: $*"
    exit 1
}

DESTDIR="$work/root" cmake --install "$build" --prefix /usr > "$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install"; }
root="$work/root/usr"
for file in bin/zelmora bin/zelmora-rules \
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" \
    share/man/man1/zelmora.1.gz share/man/man1/zelmora-rules.1.gz lib/systemd/user/zelmora.service; do
    [ -f "$root/$file" ] || fail "not installed: $file"
done
# The user unit runs the watcher without a window, where the build installs it.
grep -qx "ExecStart=/.*/bin/zelmora --headless" "$root/lib/systemd/user/zelmora.service" ||
    fail "the user unit does not start zelmora --headless: $(cat "$root/lib/systemd/user/zelmora.service")"
for size in 16 32 48 64 128 256; do
    [ -f "$root/share/icons/hicolor/${size}x$size/apps/$app_id.png" ] || fail "no ${size}px icon"
done

# Root in CI: the program runs as nobody, who may not write in bin/.
user_id=$(id -u)
[ "$user_id" -eq 0 ] && user_id=65534
home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
chown "$user_id:$user_id" "$home" "$work/runtime" 2> /dev/null || true
as_user=""
[ "$(id -u)" -eq 0 ] && as_user="setpriv --reuid=$user_id --regid=$user_id --clear-groups --"
# Replaces the shell it runs in, so call it in a subshell or with &: the
# program then has the pid of that subshell.
zelmora() {
    exec $as_user env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
        ZELMORA_SCREENSHOT="$home/shot.png" "$root/bin/zelmora" "$@"
}

# Starts the installed program, waits until its window runs, ends it with
# SIGTERM and expects it to save and end with status 0.
run_until_sigterm() {
    rm -f "$home/shot.png"
    zelmora "$@" 2> "$work/stderr" &
    pid=$!
    tries=0
    until [ -f "$home/shot.png" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 600 ] && kill -0 "$pid" 2> /dev/null || { cat "$work/stderr"; fail "zelmora $* did not come up"; }
        sleep 0.1
    done
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || { cat "$work/stderr"; fail "zelmora $* ended with status $status"; }
}

# What the program writes is Shift_JIS with CRLF line ends, like any of its files.
expect_settings_file() {
    [ -f "$1" ] || fail "no settings file $1"
    cr=$(printf '\r')
    lines=$(wc -l < "$1")
    [ "$lines" -gt 0 ] && [ "$(grep -c "$cr\$" "$1")" -eq "$lines" ] || fail "$1 has lines without CRLF"
    iconv -f CP932 -t UTF-8 "$1" > /dev/null || fail "$1 is not Shift_JIS"
    # The built-in quote address holds 銘柄.市場.
    LC_ALL=C grep -qF "$(printf '銘柄.市場' | iconv -f UTF-8 -t CP932)" "$1" || fail "$1 lacks 銘柄.市場 in Shift_JIS"
    grep -q "^\[MEIGARA_DATA\]$cr\$" "$1" || fail "$1 has no [MEIGARA_DATA]"
}

per_user="$home/.local/share/zelmora"
run_until_sigterm
expect_settings_file "$per_user/base_data.ini"
[ "$(stat -c %a "$per_user")" = 700 ] || fail "the per-user folder is not private: $(stat -c %a "$per_user")"
[ "$(ls "$root/bin")" = "$(printf 'zelmora\nzelmora-rules')" ] || fail "the program wrote into its install folder"

rm -rf "$home/.local"
run_until_sigterm --folder "$home/elsewhere/zelmora"
expect_settings_file "$home/elsewhere/zelmora/base_data.ini"
[ ! -e "$home/.local" ] || fail "--folder still wrote into the per-user folder"

# A folder that is a file, and one the user may not write in: status 2, a
# message naming it, nothing written.
rm -rf "$home/elsewhere"
echo "not a folder" > "$home/a-file"
mkdir "$work/locked"
chmod 555 "$work/locked"
for folder in "$home/a-file" "$work/locked"; do
    status=0
    (zelmora --folder "$folder") > /dev/null 2> "$work/stderr" || status=$?
    [ "$status" -eq 2 ] || fail "--folder $folder ended with status $status"
    grep -qF "$folder" "$work/stderr" || fail "no message naming $folder: $(cat "$work/stderr")"
done
[ "$(cat "$home/a-file")" = "not a folder" ] || fail "the file given as folder was changed"
[ -z "$(find "$home" "$work/locked" -name base_data.ini)" ] || fail "a refused start wrote a settings file"
[ ! -e "$home/.local" ] || fail "a refused start made the per-user folder"
echo "installed zelmora: per-user folder, --folder and refused folders as expected"
