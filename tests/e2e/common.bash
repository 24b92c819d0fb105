# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the end-to-end scripts: each runs the real program on an X server of its own
# (Xvfb on a free display), with a fresh data folder, silent audio, and the program's
# screen trace (CRAWLIX_TRACE=1) in a log. Everything started here is ended on exit.
#
# Usage inside a script:  source "$(dirname "$0")/common.bash" "$@"
# Exit codes: 0 passed, 1 failed (with what was seen), 77 skipped.

set -euo pipefail

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  echo "usage: bash $0 path/to/crawlix" >&2
  exit 1
fi
CRAWLIX=$(readlink -f "$1")
E2E_NAME=$(basename "$0" .sh)
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/crawlix-e2e-$E2E_NAME.XXXXXX")
ARTIFACTS="${CRAWLIX_BUILD_DIR:-$PWD}/e2e-artifacts/$E2E_NAME"
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS" "$E2E_TMP/data" "$E2E_TMP/run" "$E2E_TMP/elsewhere"
chmod 700 "$E2E_TMP/run"

export XDG_DATA_HOME="$E2E_TMP/data"
export XDG_RUNTIME_DIR="$E2E_TMP/run"
export SDL_AUDIODRIVER=dummy
export QT_QPA_PLATFORM=xcb
export CRAWLIX_TRACE=1
unset WAYLAND_DISPLAY SESSION_MANAGER
HIVE="$XDG_DATA_HOME/crawlix/registry.db"

APP_PID=""
APP_LOG=""
RUN_COUNT=0
XVFB_PID=""
# Where the pointer rests between clicks: bare root window near the bottom right corner,
# away from every window, so that no window of the game takes the keyboard focus by
# accident. Set by start_x.
REST_X=1015 REST_Y=760

e2e_cleanup() {
  stop_game
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

say() { echo "[$E2E_NAME] $*"; }

# --- what was seen, for a failure report ----------------------------------------------

list_windows() {
  local w
  for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
    echo "  window $w \"$(xdotool getwindowname "$w" 2>/dev/null)\"" \
      "$(xdotool getwindowgeometry "$w" 2>/dev/null | tr -s ' \n' ' ')"
  done
}

screenshot() {
  import -window root "$ARTIFACTS/$1.png" 2>/dev/null || true
}

# Reports what was seen (windows, a screenshot, the program's output, the hive) on
# standard error, so the report shows even when fail runs inside $(...).
fail() {
  report_failure "$*" >&2
  exit 1
}

report_failure() {
  echo "FAIL [$E2E_NAME]: $1"
  if [ -n "${DISPLAY:-}" ]; then
    echo "Visible windows:"
    list_windows
    screenshot failure
    echo "Screenshot: $ARTIFACTS/failure.png"
  fi
  if [ -n "$APP_LOG" ] && [ -f "$APP_LOG" ]; then
    echo "Program output (last 40 lines of $APP_LOG):"
    tail -n 40 "$APP_LOG"
  fi
  if [ -f "$HIVE" ]; then
    echo "Hive:"
    sqlite3 -cmd ".timeout 2000" "$HIVE" \
      "SELECT key_path, name, quote(CAST(data AS TEXT)) FROM registry_values" 2>&1 || true
  fi
}

skip() {
  echo "SKIP [$E2E_NAME]: $*"
  exit 77
}

need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps --test)"
  done
}

# --- waiting ---------------------------------------------------------------------------

# wait_until SECONDS COMMAND...: polls the command until it succeeds; false on timeout.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  while ! "$@" 2>/dev/null; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# --- the X server ----------------------------------------------------------------------

x_ready() { xdpyinfo -display "$1" >/dev/null 2>&1; }

# start_x [WIDTHxHEIGHT]: starts Xvfb on a free display of its own, 1024 x 768 unless told.
# Displays are tried from a number drawn from the process id upwards, so scripts running
# side by side rarely meet; a display taken meanwhile makes Xvfb quit, and the next one is
# tried.
start_x() {
  need Xvfb xdpyinfo xdotool import compare sqlite3
  local size=${1:-1024x768} display attempt
  REST_X=$((${size%x*} - 9)) REST_Y=$((${size#*x} - 8))
  display=$((200 + $$ % 500))
  for attempt in $(seq 1 20); do
    display=$((display + 1))
    [ -e "/tmp/.X$display-lock" ] && continue
    # -noreset: the server must not reset (refusing connections meanwhile) each time its
    # last client leaves, as between two xdotool calls.
    Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp -noreset >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    if wait_until 10 x_ready ":$display" && kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$display"
      xdotool mousemove "$REST_X" "$REST_Y"
      say "X server on $DISPLAY"
      return 0
    fi
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  fail "no X server could be started: $(cat "$E2E_TMP/xvfb.log")"
}

# --- the program -----------------------------------------------------------------------

# start_game [PROGRAM [ARGUMENT...]]: starts the program (by default the one under test)
# from a folder that is not its own.
start_game() {
  local program=${1:-$CRAWLIX}
  shift || true
  RUN_COUNT=$((RUN_COUNT + 1))
  APP_LOG="$ARTIFACTS/run$RUN_COUNT.log"
  (cd "$E2E_TMP/elsewhere" && exec "$program" "$@") >"$APP_LOG" 2>&1 &
  APP_PID=$!
  say "started run $RUN_COUNT (pid $APP_PID)"
}

game_running() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }

stop_game() {
  [ -n "$APP_PID" ] || return 0
  if game_running; then
    kill "$APP_PID" 2>/dev/null || true
    wait_until 5 bash -c "! kill -0 $APP_PID" || kill -9 "$APP_PID" 2>/dev/null || true
  fi
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

# expect_program_end SECONDS: the program must end by itself.
expect_program_end() {
  wait_until "$1" bash -c "! kill -0 $APP_PID" ||
    fail "the program did not end within $1 s"
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

traced() { grep -qF -- "crawlix-trace: $1" "$APP_LOG"; }

# How often the screen has shown this so far.
trace_count() { grep -cF -- "crawlix-trace: $1" "$APP_LOG" || true; }
traced_more_than() { [ "$(trace_count "$2")" -gt "$1" ]; }

expect_trace() {
  wait_until "${2:-10}" traced "$1" || fail "the screen never showed \"$1\""
}

# --- windows ---------------------------------------------------------------------------

# The visible window with exactly this title, or nothing.
find_window() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

window_shown() { [ -n "$(find_window "$1")" ]; }
window_gone() { [ -z "$(find_window "$1")" ]; }

# The game window's title bar is truly empty: no name at all, or a zero-width space, never
# the program's name.
readonly BLANK_TITLE=$'\342\200\213'  # U+200B in UTF-8
find_game_window() {
  local w name
  [ -n "$APP_PID" ] || return 0
  for w in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
    name=$(xdotool getwindowname "$w" 2>/dev/null) || continue
    if [ -z "$name" ] || [ "$name" = "$BLANK_TITLE" ]; then
      echo "$w"
      return 0
    fi
  done
}

game_window_shown() { [ -n "$(find_game_window)" ]; }
game_window_gone() { [ -z "$(find_game_window)" ]; }

# wait_window TITLE [SECONDS]: prints the window's id.
wait_window() {
  wait_until "${2:-10}" window_shown "$1" || fail "no window \"$1\" within ${2:-10} s"
  find_window "$1"
}

wait_game_window() {
  wait_until "${1:-10}" game_window_shown || fail "no game window within ${1:-10} s"
  find_game_window
}

# Sets WX, WY, WW, WH to the window's position and size on the screen.
window_geometry() {
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$1")"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

# click X Y: a left click, then the pointer goes back to rest on the bare root window.
click() {
  xdotool mousemove --sync "$1" "$2" click 1
  sleep 0.1
  xdotool mousemove "$REST_X" "$REST_Y"
}

# keys WINDOW KEY...: gives the window the keyboard focus and types the keys.
keys() {
  local window=$1
  shift
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  xdotool key --delay 40 "$@"
}

# still_for_a_second WINDOW: two pictures of the window a second apart are the same.
still_for_a_second() {
  import -window "$1" "$E2E_TMP/before.png"
  sleep 1
  import -window "$1" "$E2E_TMP/after.png"
  [ "$(compare -metric AE "$E2E_TMP/before.png" "$E2E_TMP/after.png" null: 2>&1)" = 0 ]
}
moving() { ! still_for_a_second "$1"; }

# make_running GAME: the level runs, its bombs moving. On a busy machine a level can start
# paused: Qt takes the menu's keyboard grab for a lost focus when it sees the focus come
# back late, and the game pauses as it does when the player turns to another window.
# P resumes it then.
make_running() {
  local attempt
  for attempt in 1 2 3; do
    moving "$1" && return 0
    say "the game stands still; P resumes it"
    screenshot "standing-still-$attempt"
    keys "$1" p
  done
  fail "the game never ran"
}

# --- pictures of a window ----------------------------------------------------------------

# shoot WINDOW NAME: a picture of the window as the screen shows it, kept with the artifacts.
shoot() {
  import -window "$1" "$ARTIFACTS/$2.png"
}

# same_pictures A B: the two pictures (names given to shoot) are equal pixel for pixel.
same_pictures() {
  [ "$(compare -metric AE "$ARTIFACTS/$1.png" "$ARTIFACTS/$2.png" null: 2>&1)" = 0 ]
}

# window_settled WINDOW NAME: two pictures in a row show the same; the second one is kept
# as NAME.
window_settled() {
  shoot "$1" "$2-before"
  shoot "$1" "$2"
  same_pictures "$2-before" "$2"
}

# window_shows WINDOW NAME EXPECTED: the window shows now exactly what picture EXPECTED
# showed; the picture taken is kept as NAME.
window_shows() {
  shoot "$1" "$2"
  same_pictures "$3" "$2"
}

# window_changed WINDOW NAME EARLIER: the window shows something else than picture EARLIER.
window_changed() {
  shoot "$1" "$2"
  ! same_pictures "$3" "$2"
}

# cover_and_move WINDOW: lays another window over the whole window, moves the window while
# it is covered, then takes the cover away, so that every pixel of it is shown anew.
cover_and_move() {
  local cover_pid cover
  window_geometry "$1"
  xmessage -geometry "$((WW + 80))x$((WH + 80))+$((WX - 20))+$((WY - 20))" cover \
    2>/dev/null &
  cover_pid=$!
  wait_until 30 window_shown xmessage || fail "the cover window never came"
  cover=$(find_window xmessage)
  xdotool windowmove --sync "$1" $((WX + 30)) $((WY + 20))
  kill "$cover_pid"
  wait "$cover_pid" 2>/dev/null || true
  wait_until 30 window_gone xmessage || fail "the cover window $cover stayed"
}

# --- the hive --------------------------------------------------------------------------

# hive_value KEY NAME: the stored text (without its zero byte) of a value below
# HKEY_LOCAL_MACHINE\Software\Crawlix\KEY.
# Another program on the data file: a sqlite3 shell that keeps the file to itself.
SHELL_PID=""
SHELL_IN="$E2E_TMP/shell.in"
SHELL_OUT="$E2E_TMP/shell.out"

# hold_hive SQL: a sqlite3 shell runs SQL and keeps whatever lock it took.
hold_hive() {
  rm -f "$SHELL_IN" "$SHELL_OUT"
  mkfifo "$SHELL_IN"
  sqlite3 "$HIVE" <"$SHELL_IN" >"$SHELL_OUT" 2>&1 &
  SHELL_PID=$!
  exec 7>"$SHELL_IN"
  echo "$1 SELECT 'holding';" >&7
  wait_until 10 grep -q holding "$SHELL_OUT" || fail "the sqlite3 shell did not take the file: $(cat "$SHELL_OUT")"
}

# The game started meanwhile holds the pipe open as well: the shell is told to quit.
release_hive() {
  printf 'COMMIT;\n.quit\n' >&7
  exec 7>&-
  wait "$SHELL_PID" 2>/dev/null || true
  SHELL_PID=""
}

hive_value() {
  [ -f "$HIVE" ] || return 0
  sqlite3 -cmd ".timeout 3000" "$HIVE" \
    "SELECT CAST(substr(data, 1, length(data) - 1) AS TEXT) FROM registry_values
     WHERE key_path = 'HKEY_LOCAL_MACHINE\\Software\\Crawlix\\$1' AND name = '$2';"
}

# set_hive_value KEY NAME TEXT: stores ASCII text with its zero byte, as the game does,
# in a value that exists already (only while the game is not running).
set_hive_value() {
  local hex
  hex=$(printf '%s' "$3" | od -An -tx1 | tr -d ' \n')
  sqlite3 -cmd ".timeout 3000" "$HIVE" \
    "UPDATE registry_values SET data = X'${hex}00'
     WHERE key_path = 'HKEY_LOCAL_MACHINE\\Software\\Crawlix\\$1' AND name = '$2';"
}

hive_has() { [ "$(hive_value "$1" "$2")" = "$3" ]; }

expect_hive() {
  wait_until "${4:-5}" hive_has "$1" "$2" "$3" ||
    fail "the hive holds \"$(hive_value "$1" "$2")\" for $1 \\ $2, not \"$3\""
}

readonly RANK_WORDS=(One Two Three Four Five Six Seven Eight Nine Ten)

expect_empty_top_ten() {
  local word
  for word in "${RANK_WORDS[@]}"; do
    expect_hive "Top Ten List" "Name $word" "(Available)"
    expect_hive "Top Ten List" "Score $word" "0"
  done
}

# --- steps every scenario shares -------------------------------------------------------

# Buttons of the options window, in pixels from its top left corner (twips / 15).
readonly OPTIONS_SAVE_X=48 OPTIONS_SAVE_Y=284 OPTIONS_CANCEL_X=256 OPTIONS_CANCEL_Y=284

click_in_window() {
  window_geometry "$1"
  click $((WX + $2)) $((WY + $3))
}

# A first run up to the game window: the options window comes at once; Save leads on.
first_run_to_game() {
  local options
  options=$(wait_window "Crawlix Options" 15)
  click_in_window "$options" $OPTIONS_SAVE_X $OPTIONS_SAVE_Y
  wait_game_window 15 >/dev/null
  wait_until 5 window_gone "Crawlix Options" || fail "the options window stayed after Save"
}

# An open menu is a window of the program's own, named after the program (in
# _NET_WM_NAME only, which xdotool's search by name does not read).
menu_shown() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = crawlix ] && return 0
  done
  return 1
}

# "&Exit" from the game window's menu; the program must end.
exit_from_menu() {
  keys "$(wait_game_window)" alt+g
  wait_until 30 menu_shown || fail "the Game menu did not open"
  xdotool key e
  expect_program_end 10
}

# "Self Distruct" stands at 512, 0 px in the client area, 73 x 25 px, below the menu bar
# (about 20 px): its middle lies near 548, 32 px from the window's top left corner.
readonly KILL_X=548 KILL_Y=32

# self_destruct GAME: clicks "Self Distruct" until the game takes the click, which it shows
# by disabling the button. A bomb over the button catches a click meant for it: a sliding
# one moves on, but a still bomb may lie over part of the button for the whole level, so
# the clicks go to the middle, then to the button's four corners in turn.
readonly KILL_POINTS=("$KILL_X $KILL_Y" "516 23" "582 41" "582 23" "516 41" "548 23")
self_destruct() {
  local attempt before point
  for attempt in 1 2 3 4 5 6; do
    make_running "$1"
    before=$(trace_count "button disabled: Self Distruct")
    point=${KILL_POINTS[attempt - 1]}
    click_in_window "$1" $point
    wait_until 15 traced_more_than "$before" "button disabled: Self Distruct" && return 0
    say "Self Distruct did not take click $attempt at $point; clicking elsewhere on it"
    screenshot "self-distruct-$attempt"
  done
  fail "the game never took a click on Self Distruct"
}

# climb_to_goal GAME: New Game, the hidden mode (so no bomb can end the climb), then Up
# presses until the congratulation box comes. A bomb may still catch the bug before the
# hidden mode is on; then the game is over (Self Distruct disabled again) and a new game
# is tried.
readonly HIDDEN_MODE_KEYS=(e r f)

climb_once() {
  local press
  keys "$1" alt+g n "${HIDDEN_MODE_KEYS[@]}"
  make_running "$1"
  for press in $(seq 1 12); do
    window_shown "Crawlix" && return 0
    xdotool key --delay 30 Up Up Up Up Up
  done
  # The cheer plays out before the box comes; a slow machine takes longer still.
  wait_until 30 window_shown "Crawlix"
}

climb_to_goal() {
  local attempt
  for attempt in 1 2 3 4; do
    climb_once "$1" && return 0
    say "no congratulation on attempt $attempt; starting again"
    screenshot "climb-attempt-$attempt"
  done
  fail "the bug never reached the goal"
}
