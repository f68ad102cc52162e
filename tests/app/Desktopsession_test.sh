#!/usr/bin/env bash
# The desktop program on its own X server with a window manager, typed at as a user types:
# F2, the two roots, Enter; F2, Tab, Space on "...", Esc on the folder browser, Esc, and F2,
# Enter must compare again; then five more comparisons in a row, each F2, Enter and Enter on
# "Clear the list?"; each ends at once. After every one, Ctrl+A and Ctrl+C must put every
# source path on the clipboard, so the shortcuts must have outlived the dialogs. On the way:
# the window carries the class its desktop entry names, View > Topmost keeps the window,
# Shift+F10 opens the context menu, and the file dialogs write no settings of their own.
# Every wait ends as soon as its condition holds; the bounds only stop a hang.
# Usage: Desktopsession_test.sh <vellumark executable> <desktop entry>
set -euo pipefail
program=$1 entry=$2
# shellcheck source=Xsession.sh
source "$(cd "$(dirname "$0")" && pwd)/Xsession.sh"

require_tools Xvfb openbox xdotool xclip xprop
[ -x "$program" ] || fail "no program at $program"
wmclass=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$wmclass" ] || fail "the desktop entry $entry names no StartupWMClass"

start_x_session

make_tree_pair
expected=$(cd "$source_root" && find . -type f | sed "s|^\.|$source_root|" | sort)

# A copy of the program, so that its settings file is the test's own.
mkdir -p "$work/bin"
cp "$program" "$work/bin/vellumark"
HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/vellumark-test-bus \
  "$work/bin/vellumark" >"$work/program.log" 2>&1 &
pids+=($!)

visible_windows() { xdotool search --onlyvisible --classname "$wmclass"; }
main_shown() { [ "$(visible_windows | wc -l)" -eq 1 ]; }
until_true "a window of class $wmclass, as the desktop entry names it" main_shown
main=$(visible_windows)
active_is() { [ "$(xdotool getactivewindow)" = "$1" ]; }
# A window other than the main one, with that caption, is active.
dialog_active() { local id; id=$(xdotool getactivewindow) && [ "$id" != "$main" ] && [ "$(xdotool getwindowname "$id")" = "$1" ]; }
until_true "the main window to be active" active_is "$main"

clipboard() { xclip -selection clipboard -o 2>/dev/null || true; }
clipboard_holds_paths() { [ "$(clipboard | tr -d '\r' | sort)" = "$expected" ] && [ "$(clipboard | grep -c $'\r$')" -eq 6 ]; }
# Ctrl+A and Ctrl+C into whatever has the focus, until the clipboard holds every source path.
# Pressed again while the comparison's progress dialog may still be up; a shortcut that has
# died stays dead, so that never hides the fault.
copy_all_paths() {
  local deadline=$((SECONDS + 120))
  echo "nothing copied yet" | xclip -selection clipboard -i
  until clipboard_holds_paths; do
    ((SECONDS < deadline)) || fail "Ctrl+A, Ctrl+C did not copy the paths; the clipboard holds: $(clipboard | od -c | head -5)"
    xdotool key ctrl+a ctrl+c
    local next=$((SECONDS + 2))
    until clipboard_holds_paths || ((SECONDS >= next)); do sleep 0.05; done
  done
}

xdotool key F2
until_true "F2 to open the compare dialog" dialog_active Compare
xdotool type --delay 20 "$source_root"
xdotool key Tab Tab
xdotool type --delay 20 "$destination_root"
xdotool key Return
copy_all_paths

# Enter is OK at every showing of the compare dialog, also after the "..." beside Source held
# the focus when it closed: F2, Tab, Space (the folder browser), Esc, Esc; then F2, Enter.
xdotool key F2
until_true "F2 to open the compare dialog before browsing" dialog_active Compare
xdotool key Tab space
until_true "Space on \"...\" to open the folder browser" dialog_active "Select a directory."
xdotool key Escape
until_true "Esc to close the folder browser" dialog_active Compare
xdotool key Escape
until_true "Esc to close the compare dialog" active_is "$main"
xdotool key F2
until_true "F2 to open the compare dialog after browsing" dialog_active Compare
xdotool key Return
until_true "Enter to compare and ask \"Clear the list?\", not to browse" dialog_active Vellumark
xdotool key Return
copy_all_paths
for round in 1 2 3 4 5; do
  xdotool key F2
  until_true "F2 to open the compare dialog again (round $round)" dialog_active Compare
  xdotool key Return
  until_true "the question \"Clear the list?\" (round $round)" dialog_active Vellumark
  xdotool key Return
  copy_all_paths
done

# View > Topmost through the menu's keys (its T is also the Toolbar's, so T twice and Enter):
# the window goes above the others and stays the
# same window.
xdotool key alt+v t t Return
above() { xprop -id "$main" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
until_true "View > Topmost to put the window above the others" above
[ "$(visible_windows)" = "$main" ] || fail "Topmost made a new window: $(visible_windows | tr '\n' ' ')"
until_true "the main window to be active after Topmost" active_is "$main"
copy_all_paths

# Shift+F10 opens the list's context menu, as the Menu key does, and Esc closes it.
menu_open() { [ "$(visible_windows | wc -l)" -eq 2 ]; }
xdotool key shift+F10
until_true "Shift+F10 to open the context menu" menu_open
xdotool key Escape
until_true "Esc to close the context menu" main_shown

# File > Save List As... by its keys: a header and the six rows. Qt's file dialogs, this one
# and the folder browser above, leave nothing in the user's configuration folders.
xdotool key alt+f s
until_true "File > Save List As... to open its dialog" dialog_active "Save List As"
xdotool type --delay 20 "$work/list.csv"
xdotool key Return
list_saved() { [ "$(tr -cd '\n' <"$work/list.csv" | wc -c)" -eq 7 ]; }
until_true "the list to be saved with a header and six rows" list_saved
until_true "the main window to be active after Save List As" active_is "$main"
written=$(find "$work/config" "$work/.config" -mindepth 1 2>/dev/null || true)
[ -z "$written" ] || fail "the session wrote into the user's configuration folders: $written"
echo "Seven comparisons typed, Enter compared after the folder browser, the paths copied after each, Topmost kept the window, Shift+F10 opened the menu, the list saved, no settings file of Qt's."
