#!/usr/bin/env bash
# The three programs on a real X server (Xvfb, no window manager), driven by
# the keyboard through xdotool. For every top-level window they map, the
# title and place the X server holds are read back: the title is exactly the
# window's caption, and the window is centred on the screen at the size it
# shows with (a fixed window at the size its hints give). The loader's
# recent-files menu is opened twice, before and after a file is loaded.
#   WindowsTest.sh BIN_DIR
# Exits 77 (skipped) only when no X server can be started.
set -uo pipefail
bin=$1
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

for tool in Xvfb xdotool xprop xwininfo; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed"; exit 77
  fi
done

screen_w=1280 screen_h=1024
# Xvfb picks a free display itself and writes its number to fd 3. Two
# servers starting at once may pick the same one: the loser is started again.
for attempt in 1 2 3; do
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -s "$work/display" ] && DISPLAY=":$(head -n1 "$work/display")" xwininfo -root >/dev/null 2>&1
  then
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  sleep 1
done
if [ -z "$xvfb_pid" ]; then
  echo "SKIPPED: Xvfb did not start"; cat "$work/xvfb.log"; exit 77
fi
export DISPLAY=":$(head -n1 "$work/display")"
# The pointer out of the way of the windows, whose tooltips would come up.
xdotool mousemove 0 0 2>/dev/null
root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME
# The X and font libraries keep what they allocate until the process ends.
export ASAN_OPTIONS="detect_leaks=0"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

passed=0 failed=0
pass() { passed=$((passed + 1)); echo "ok: $*"; }
# The titles of the program's windows up, for a message.
titles() { local w; for w in $(windows); do printf "'%s' " "$(title_of "$w")"; done; }
fail() { failed=$((failed + 1)); echo "FAILED: $*"; }

title_of() { xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'; }
override_redirect() { xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: yes'; }
# The mapped top-level windows of the running program (children of the
# root window), one id a line.
windows() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    [ "$(xwininfo -id "$w" -tree 2>/dev/null | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')" == "$root" ] &&
      echo "$w"
  done
}

# Waits until a mapped window of the program has the title; prints its id.
wait_title() {  # title, seconds
  local want=$1 tries=$((${2:-30} * 10)) w
  for _ in $(seq 1 "$tries"); do
    for w in $(windows); do
      [ "$(title_of "$w")" == "$want" ] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
# Waits until a window is no longer mapped.
wait_gone() {  # id
  for _ in $(seq 1 100); do
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.1
  done
  return 1
}

# The checks on one window: exact title, centred, at its fixed size.
check_window() {  # what, id, expected title ("" = do not compare)
  local what=$1 w=$2 want=$3 title geometry X Y WIDTH HEIGHT
  # A window that closes by itself (the splash) may go while it is looked at.
  geometry=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) ||
    { echo "note: $what closed before it was measured"; return; }
  title=$(title_of "$w")
  if [ -n "$want" ]; then
    [ "$title" == "$want" ] && pass "$what: title '$title'" ||
      fail "$what: title '$title', want '$want'"
  fi
  case "$title" in
    *" — "*) fail "$what: the application name is appended to '$title'" ;;
  esac
  eval "$geometry"
  local cx=$(((screen_w - WIDTH) / 2)) cy=$(((screen_h - HEIGHT) / 2))
  if ((X - cx <= 1 && cx - X <= 1 && Y - cy <= 1 && cy - Y <= 1)); then
    pass "$what: centred, ${WIDTH}x${HEIGHT}+$X+$Y"
  else
    fail "$what: ${WIDTH}x${HEIGHT}+$X+$Y, centred would be +$cx+$cy"
  fi
  local hints min max
  hints=$(xprop -id "$w" WM_NORMAL_HINTS 2>/dev/null)
  min=$(sed -n 's/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")
  max=$(sed -n 's/.*maximum size: \([0-9]*\) by \([0-9]*\).*/\1x\2/p' <<<"$hints")
  if [ -n "$min" ] && [ "$min" == "$max" ]; then
    [ "$min" == "${WIDTH}x${HEIGHT}" ] && pass "$what: at its fixed size $min" ||
      fail "$what: ${WIDTH}x${HEIGHT}, its hints say $min"
  fi
}

# Puts the keyboard on a window and types keys there.
keys() {  # id, keys...
  local w=$1; shift
  xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
  xdotool key --delay 50 "$@"
}

# Opens a window with keys typed in another, checks it and closes it.
open_check_close() {  # what, from-id, keys, title, closing keys
  local what=$1 from=$2 open=$3 want=$4 close=$5 w
  keys "$from" $open
  if w=$(wait_title "$want" 30); then
    check_and_close "$what" "$w" "$want" "$close"
  else
    fail "$what: no window titled '$want' after $open; up: $(titles)"
  fi
}

check_and_close() {  # what, id, title, closing keys
  check_window "$1" "$2" "$3"
  keys "$2" $4
  wait_gone "$2" || fail "$1: still open after $4"
}

# The same, for a window whose accelerator letter another control shares:
# each press of the letter moves the focus to the next of them (a menu title
# acts at once), and Space presses the button that has it. What opens on the
# way is checked and closed too.
open_shared_letter() {  # what, from-id, letter keys, title, closing keys
  local what=$1 from=$2 letter=$3 want=$4 close=$5 w t try
  for try in 1 2 3; do
    keys "$from" $letter
    for _ in $(seq 1 30); do
      for w in $(windows); do
        [ "$w" == "$from" ] && continue
        override_redirect "$w" && continue
        t=$(title_of "$w")
        if [ "$t" == "$want" ]; then
          check_and_close "$what" "$w" "$want" "$close"
          return
        fi
      done
      sleep 0.1
    done
    keys "$from" space
    for _ in $(seq 1 50); do
      for w in $(windows); do
        [ "$w" == "$from" ] && continue
        override_redirect "$w" && continue
        t=$(title_of "$w")
        if [ "$t" == "$want" ]; then
          check_and_close "$what" "$w" "$want" "$close"
          return
        fi
        check_window "$what, on the way: '$t'" "$w" ""
        keys "$w" Escape
        wait_gone "$w"
      done
      sleep 0.1
    done
  done
  fail "$what: no window titled '$want' after $letter; up: $(titles)"
}

start() {  # program, arguments...
  local p=$1 attempt; shift
  # On a loaded machine the server has been seen to refuse a connection for a
  # moment; a program that could not reach it at all is started again.
  for attempt in 1 2 3; do
    "$bin/$p" "$@" >"$work/$p.log" 2>&1 &
    app_pid=$!
    # Until it shows a window, ends, or has had five seconds.
    for _ in $(seq 1 50); do
      kill -0 "$app_pid" 2>/dev/null || break
      [ -n "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" ] && break
      sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null || ! grep -q "could not connect to display" "$work/$p.log"; then
      return
    fi
    wait "$app_pid" 2>/dev/null
    echo "note: $p could not connect to the X server (attempt $attempt)"
    sleep 1
  done
}
stop() {
  kill -TERM "$app_pid" 2>/dev/null
  for _ in $(seq 1 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$app_pid" 2>/dev/null
  wait "$app_pid" 2>/dev/null
  app_pid=
}

# Any window the program maps besides the known ones, with its place: the
# splash at start, the progress window during an operation.
check_splash() {  # what, main id
  local w
  for w in $(windows); do
    [ "$w" == "$2" ] && continue
    override_redirect "$w" && continue
    check_window "$1 splash" "$w" ""
    wait_gone "$w" || fail "$1: splash still up"
    return
  done
}

# An operation: its progress window (caught while it is up) and the message
# box that ends it.
run_operation() {  # what, main id, keys, message caption
  local what=$1 main=$2 key=$3 caption=$4 w seen=
  keys "$main" "$key"
  for _ in $(seq 1 600); do
    for w in $(windows); do
      [ "$w" == "$main" ] && continue
      local t
      t=$(title_of "$w")
      if [ "$t" == "$caption" ]; then
        [ -n "$seen" ] || echo "note: $what: no progress window caught"
        check_window "$what message" "$w" "$caption"
        keys "$w" Return
        wait_gone "$w"
        return
      fi
      if [ -z "$seen" ] && [ -n "$t" ]; then
        seen=1
        check_window "$what progress '$t'" "$w" ""
      fi
    done
    sleep 0.1
  done
  fail "$what: no message '$caption'"
}

# ---- rindle
start rindle --simulate
if main=$(wait_title "  Rindle  3.7   (simulated hardware)" 60); then
  check_window "rindle main window" "$main" "  Rindle  3.7   (simulated hardware)"
  check_splash rindle "$main"
  open_check_close "rindle about" "$main" "alt+u" " About Rindle" Escape
  open_check_close "rindle help" "$main" "alt+h" " Rindle Help" Escape
  # Alt+O is also "&Open File", Alt+B also "&Blank Chk".
  open_shared_letter "rindle options" "$main" "alt+o" " Rindle  Options" Escape
  open_shared_letter "rindle buffer display" "$main" "alt+b" " Buffer Hex Display" Escape
  run_operation "rindle read" "$main" "alt+r" "  Read"
else
  fail "rindle: no main window; up: $(titles)"; cat "$work/rindle.log"
fi
stop

# ---- tollen
start tollen --simulate=AT89S51
if main=$(wait_title "  Tollen  3.0a" 60); then
  check_window "tollen main window" "$main" "  Tollen  3.0a"
  check_splash tollen "$main"
  open_check_close "tollen about" "$main" "alt+u" " About Tollen" Return
  open_check_close "tollen buffer display" "$main" "alt+b" " Buffer Hex Display" Escape
  run_operation "tollen read" "$main" "alt+r" "  Read"
else
  fail "tollen: no main window; up: $(titles)"; cat "$work/tollen.log"
fi
stop

# ---- orvane
hex="$work/blink.hex"
printf ':1000000002010000000000000000000000000000ED\n:00000001FF\n' >"$hex"
# The menus up (not the tooltips, which are override-redirect windows too).
menus() {
  local w
  for w in $(windows); do
    override_redirect "$w" || continue
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_TOOLTIP' ||
      echo "$w"
  done
}
# Ctrl+R, then counts the menus that came up; Escape closes them.
recent_menu_opens() {  # main id
  keys "$1" ctrl+r
  local n=0
  for _ in $(seq 1 20); do
    n=$(menus | wc -l)
    ((n > 0)) && break
    sleep 0.1
  done
  keys "$1" Escape Escape
  ((n > 0))
}
start orvane --simulate
title="Orvane v5.4 - Kelmora Technologies "
if main=$(wait_title "$title" 60); then
  check_window "orvane main window" "$main" "$title"
  for i in 1 2; do
    recent_menu_opens "$main" && fail "orvane: an empty recent-files menu opened ($i)" ||
      pass "orvane: the empty recent-files menu stays shut ($i)"
  done
  # Loads the file through the open dialog.
  keys "$main" ctrl+o
  if dialog=$(wait_title "Open" 30); then
    check_window "orvane open dialog" "$dialog" ""
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 10 "$hex"
    xdotool key Return
    wait_gone "$dialog"
  else
    fail "orvane: no open dialog"
  fi
  for i in 1 2; do
    recent_menu_opens "$main" && pass "orvane: the recent-files menu opens ($i)" ||
      fail "orvane: the recent-files menu did not open ($i)"
  done
  open_check_close "orvane device dialog" "$main" "ctrl+d" "Device Database" Escape
  open_check_close "orvane buffer view" "$main" "ctrl+m" "Buffer View" Escape
  open_check_close "orvane about" "$main" "alt+h a" "About" Escape
else
  fail "orvane: no main window; up: $(titles)"; cat "$work/orvane.log"
fi
stop

echo "$passed passed, $failed failed"
((failed == 0))
