#!/usr/bin/env bash
# The desktop program as a screen reader sees it: on its own X server with a window manager and
# an accessibility bus, opened by keys, its widgets read through AT-SPI. Every button, field,
# check box, radio button, list and progress bar of the main window, the compare dialog, the
# comparison's progress, the operations dialog, the find dialog and a question is named with
# a word, and no two in a window share a name; the rows of the result list and of the log
# read as text.
# Every wait ends as soon as its condition holds; the bounds only stop a hang.
# Usage: Accessibility_test.sh <vellumark executable>
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
# The AT-SPI bindings are the distribution's, for its own Python.
python=/usr/bin/python3
reader=("$python" "$here/Accessibletree.py")
# shellcheck source=Xsession.sh
source "$here/Xsession.sh"

require_tools Xvfb openbox xdotool xprop dbus-daemon dbus-send
"$python" -c "import pyatspi" 2>/dev/null || fail "$python cannot import pyatspi (python3-pyatspi, scripts/install-deps)"
launcher=
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$candidate" ] && launcher=$candidate && break
done
[ -n "$launcher" ] || fail "no at-spi-bus-launcher (at-spi2-core, scripts/install-deps)"
[ -x "$program" ] || fail "no program at $program"

# The buses and the program keep their sockets and settings in the test's folder.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work XDG_CACHE_HOME=$work/cache
# Only the bus started here is read, whatever the caller's session has.
unset AT_SPI_BUS_ADDRESS

start_x_session

# A session bus of the test's own, and the accessibility bus on it.
dbus-daemon --session --nofork --print-address=3 3>"$work/session-bus" 2>"$work/session-bus.log" &
pids+=($!)
until_true "the session bus to start" test -s "$work/session-bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/session-bus")
export DBUS_SESSION_BUS_ADDRESS
"$launcher" --launch-immediately >"$work/at-spi-bus.log" 2>&1 &
launcher_pid=$!
pids+=("$launcher_pid")
# Asked whether the name is owned rather than called, which would start a second launcher;
# the wait also ends when the launcher has ended.
launcher_registered_or_ended() {
  ! kill -0 "$launcher_pid" 2>/dev/null ||
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q "boolean true"
}
until_true "the AT-SPI bus launcher to register org.a11y.Bus" launcher_registered_or_ended
kill -0 "$launcher_pid" 2>/dev/null || fail "the AT-SPI bus launcher $launcher ended at start"
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress | grep -q unix: ||
  fail "the AT-SPI bus launcher gives no bus address"

make_tree_pair

mkdir -p "$work/bin"
cp "$program" "$work/bin/vellumark"
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$work/bin/vellumark" >"$work/program.log" 2>&1 &
pids+=($!)

main_shown() { [ "$(xdotool search --onlyvisible --name '^Vellumark$' | wc -l)" -ge 1 ]; }
until_true "the main window" main_shown
main=$(xdotool search --onlyvisible --name '^Vellumark$' | head -n 1)
active_is() { [ "$(xdotool getactivewindow)" = "$1" ]; }
dialog_active() { local id; id=$(xdotool getactivewindow) && [ "$id" != "$main" ] && [ "$(xdotool getwindowname "$id")" = "$1" ]; }
until_true "the main window to be active" active_is "$main"
read_tree() { "${reader[@]}" "$@" || fail "the widgets read through AT-SPI: see above"; }

read_tree controls Vellumark frame Vellumark "push button" "text" "tree"

xdotool key F2
until_true "F2 to open the compare dialog" dialog_active Compare
read_tree controls Vellumark dialog Compare "push button" "text" "check box"
xdotool type --delay 20 "$source_root"
xdotool key Tab Tab
xdotool type --delay 20 "$destination_root"
xdotool key Return
read_tree rows Vellumark "Result list" a.txt b.txt c.txt d.txt "e f.txt" changed.txt
# A comparison this small closes its progress at once; the closed dialog is read.
read_tree controls Vellumark dialog Compare "progress bar"
until_true "the main window to be active after the comparison" active_is "$main"

xdotool key ctrl+a F4
until_true "F4 to open the operations dialog" dialog_active Operations
read_tree controls Vellumark dialog Operations "push button" "check box" "list" "progress bar"
xdotool key alt+c
read_tree line Vellumark Log "Succeeded: 6 items"
xdotool key Escape
until_true "Esc to close the operations dialog" active_is "$main"

xdotool key ctrl+f
until_true "Ctrl+F to open the find dialog" dialog_active Find
read_tree controls Vellumark dialog Find "push button" "text" "check box" "radio button"
xdotool key Escape
until_true "Esc to close the find dialog" active_is "$main"

xdotool key F2
until_true "F2 to open the compare dialog again" dialog_active Compare
xdotool key Return
until_true "the question \"Clear the list?\"" dialog_active Vellumark
read_tree controls Vellumark alert Vellumark "push button"
xdotool key Escape
until_true "Esc to keep the list" active_is "$main"
echo "Every control of the main window and the five dialogs is named; the result list and the log read row by row."
