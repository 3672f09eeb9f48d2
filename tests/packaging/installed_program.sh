#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch root and runs
# the installed program from its desktop entry's command inside the X server that
# tests/support/with-xvfb started. The program's folder is really not writable for the
# user who runs it (root-owned, run as nobody; or read-only for an ordinary user), so the
# column layout file has to go to that user's configuration folder.
#   installed_program.sh CPACK_CONFIG VERSION
set -euo pipefail
config=$1
version=$2
arch=$(dpkg --print-architecture)

work=$(mktemp -d /tmp/pellmark-package.XXXXXX)
cleanup() {
    [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The package, its control fields and its files.
(cd "$work" && cpack --config "$config" -B "$work/out" >/dev/null)
deb="$work/out/pellmark_${version}_${arch}.deb"
[ -f "$deb" ] || fail "cpack wrote no $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 \
    libqt6printsupport6 libical3 qt6-qpa-plugins; do
    grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for size in 16 22 24 32 48 64 128 256; do
    grep -qx "./usr/share/icons/hicolor/${size}x${size}/apps/pellmark.png" <<<"$contents" ||
        fail "no ${size}x${size} icon"
done
for file in ./usr/bin/pellmark ./usr/bin/pellmark-cli ./usr/share/applications/pellmark.desktop \
    ./usr/share/icons/hicolor/scalable/apps/pellmark.svg \
    ./usr/share/metainfo/org.example.pellmark.metainfo.xml \
    ./usr/share/mime/packages/pellmark.xml ./usr/share/man/man1/pellmark.1.gz \
    ./usr/share/man/man1/pellmark-cli.1.gz ./usr/lib/pellmark/libpellmark-instance-channel.so \
    ./usr/lib/pellmark/libpellmark-printing.so ./usr/lib/pellmark/libpellmark-window-sync.so; do
    grep -qx "$file" <<<"$contents" || fail "the package lacks $file"
done
if grep -Ev '^\./(usr/((bin|share|lib/pellmark)(/.*)?|lib/)?)?$' <<<"$contents"; then
    fail "files outside /usr/bin, /usr/lib/pellmark and /usr/share"
fi

# Unpacked as dpkg would install it: folders 755, owned by whoever unpacks.
root="$work/root"
mkdir "$root"
dpkg -x "$deb" "$root"
desktop="$root/usr/share/applications/pellmark.desktop"
desktop-file-validate "$desktop" || fail "the installed desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.pellmark.metainfo.xml" \
    >/dev/null || fail "the installed metainfo does not validate"
# The MIME type gives .2do files their name in file managers.
update-mime-database "$root/usr/share/mime" 2>/dev/null
grep -qx 'application/x-pellmark-2do:\*\.2do' "$root/usr/share/mime/globs" ||
    fail "the MIME database has no type for *.2do"
man -l "$root/usr/share/man/man1/pellmark-cli.1.gz" 2>/dev/null | grep -q 'pellmark-cli COMMAND' ||
    fail "the pellmark-cli man page shows no usage"

# The user who runs it: nobody when we are root, else ourselves with usr/bin read-only.
home="$work/home"
mkdir -p "$home/config/Pellmark" "$home/runtime"
chmod 700 "$home/runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$home"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod 555 "$root/usr/bin"
fi
run() {
    "${as_user[@]}" env -i DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
        HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" \
        PATH="$root/usr/bin:/usr/bin:/bin" "$@"
}
run test -w "$root/usr/bin" && fail "the program's folder is writable for the test user"

# A list to open at start and two visible columns, so the exit flow has a file to save
# and columns to write.
list="$home/list.2do"
run pellmark-cli add "$list" --subject "Water the plants" >/dev/null
cat >"$home/config/Pellmark/Pellmark.conf" <<CONF
[Settings]
startupfile=$list
vDone=1
vSubj=1
CONF
[ "$(id -u)" -eq 0 ] && chown 65534:65534 "$home/config/Pellmark/Pellmark.conf"

# The command of the desktop entry, as a launcher's menu runs it: with no file, %f
# stands for nothing.
command=$(sed -n 's/^Exec=//p' "$desktop")
[ "$command" = "pellmark %f" ] || fail "unexpected Exec line: $command"
grep -qx 'MimeType=application/x-pellmark-2do;' "$desktop" || fail "the entry opens no .2do files"
run ${command% %f} >"$work/output.txt" 2>&1 &
pid=$!

# The window shows with the start-up list loaded.
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pellmark - list\.2do$' | head -1) ||
    true
[ -n "$window" ] || { cat "$work/output.txt" >&2; fail "no Pellmark window appeared"; }
echo "window $window: $(xdotool getwindowname "$window")"
[ "$(xprop -id "$window" WM_CLASS)" = 'WM_CLASS(STRING) = "pellmark", "Pellmark"' ] ||
    fail "unexpected WM_CLASS: $(xprop -id "$window" WM_CLASS)"
# The window icon, in the sizes a window manager and a task bar ask for.
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u)
for size in 16 32 48 128; do
    grep -qx "Icon ($size x $size)" <<<"$icons" || fail "the window has no $size-pixel icon"
done

# Chooses File > Exit in a window from the keyboard and waits up to 10 s for its process to
# end; false when it is still running.
exit_by_menu() {
    xdotool windowfocus --sync "$1"
    xdotool key --delay 100 alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 1 100); do
        kill -0 "$2" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# File > Exit from the keyboard runs the exit flow: save, placement, layout, close.
exit_by_menu "$window" "$pid" || fail "the program did not exit after File > Exit"
status=0
wait "$pid" || status=$?
pid=""
cat "$work/output.txt"
[ "$status" -eq 0 ] || fail "the program exited with status $status"

# Where its files went: the layout beside the settings, nothing beside the program.
layout="$home/config/Pellmark/columninfo.txt"
[ -f "$layout" ] || fail "no column layout in the configuration folder"
[ ! -e "$root/usr/bin/columninfo.txt" ] || fail "a layout file appeared beside the program"
columns=$(run pellmark-cli columns "$layout")
echo "$columns"
grep -q Done <<<"$columns" && grep -q Subject <<<"$columns" ||
    fail "the layout file does not hold the two columns"
grep -q '^width=' "$home/config/Pellmark/Pellmark.conf" || fail "no window placement stored"
[ "$(run pellmark-cli check "$list")" = "1 item" ] || fail "the list does not hold its one item"

# A .2do file opened as a file manager opens it: gio finds its type in the installed MIME
# database and the desktop entry for that type, and runs the entry's Exec with the file.
# A second file opened that way goes to the running copy, which shows it.
update-desktop-database "$root/usr/share/applications"
for name in other third; do
    run pellmark-cli add "$home/$name.2do" --subject "Item of $name" >/dev/null
done
open_file() {
    run env XDG_DATA_DIRS="$root/usr/share:/usr/share" XDG_DATA_HOME="$home/data" \
        gio open "$1" >>"$work/open.txt" 2>&1 || { cat "$work/open.txt" >&2; fail "gio open $1"; }
}
open_file "$home/other.2do"
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pellmark - other\.2do$' | head -1) ||
    true
[ -n "$window" ] || { cat "$work/open.txt" >&2; fail "opening other.2do showed no window"; }
pid=$(xdotool getwindowpid "$window")
open_file "$home/third.2do"
for _ in $(seq 1 100); do
    [ "$(xdotool getwindowname "$window")" = "Pellmark - third.2do" ] && break
    sleep 0.1
done
[ "$(xdotool getwindowname "$window")" = "Pellmark - third.2do" ] ||
    fail "the running copy did not open third.2do: $(xdotool getwindowname "$window")"
[ "$(xdotool search --onlyvisible --name '^Pellmark' | wc -l)" -eq 1 ] ||
    fail "a second window appeared"
exit_by_menu "$window" "$pid" || fail "the program opened by gio did not exit"
pid=""
echo "PASS"
