# Sourced by the desktop tests. A folder of the test's own, removed at the end together with
# every process started into pids; fail, which shows the logs kept there; until_true; an X
# server on a free display with a window manager on it; and two small trees to compare.

fail() {
  echo "FAILED: $*" >&2
  for log in "${work:-}"/*.log; do [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }; done
  exit 1
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
  done
}

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# until_true <what> <command...>: runs the command until it succeeds; a hang guard of two minutes.
until_true() {
  local what=$1 deadline=$((SECONDS + 120))
  shift
  until "$@" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "gave up waiting for $what"
    sleep 0.05
  done
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }

start_x_session() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  until_true "the X server to start" test -s "$work/display"
  DISPLAY=:$(cat "$work/display")
  export DISPLAY
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids+=($!)
  until_true "the window manager to start" wm_running
}

# Two small trees whose comparison ends at once, in source_root and destination_root: five new
# files and one changed.
make_tree_pair() {
  source_root=$work/Source destination_root=$work/Destination
  mkdir -p "$source_root/Letters" "$destination_root/Letters"
  local name
  for name in a.txt b.txt Letters/c.txt Letters/d.txt "Letters/e f.txt" changed.txt; do
    echo "$name" >"$source_root/$name"
  done
  echo "older" >"$destination_root/changed.txt"
  touch -d "2020-01-01" "$destination_root/changed.txt"
}
