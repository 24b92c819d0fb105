#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A game as a player plays it: New Game, the hidden mode (so no bomb can end the climb),
# Up to the goal, the congratulation, level 2 with 10 points, "Self Distruct", the name
# prompt, and the entry stored at rank 1. On X the X server draws the moving pictures; a
# paused level looks, pixel for pixel, as it does once Qt has painted it all again, at
# scale 1 and 2, and at the zooms 150 %, 200 % and 300 %. A game controller plugged in
# after the start plays with the game's keys (SDL's virtual controller stands in for one).
source "$(dirname "$0")/common.bash" "$@"

readonly PLAYER="E2E Player"

# Room for the game window at scale 2.
start_x 2048x1536
start_game
# A first start on this screen picks a zoom that fits it; Ctrl+0 brings the designed size
# back, where the clicks below find their buttons, and it is stored for the next runs.
keys "$(wait_window "Crawlix Options" 15)" ctrl+0
expect_hive "Window" "Zoom" 100
first_run_to_game
game=$(find_game_window)

climb_to_goal "$game"
say "the congratulation box came"
# On X the moving pictures are drawn by the X server, not through Qt's backing store, and
# an X server on the same machine is handed them in shared memory.
expect_trace "playfield: drawn by the X server from shared pixels"
screenshot congratulation
expect_trace "label: Congradulations, you beat level 1!!!"

keys "$(find_window "Crawlix")" Return
wait_until 10 window_gone "Crawlix" || fail "Return did not dismiss the congratulation box"
expect_trace "label: Level : 2"
expect_trace "label: Points : 10"
expect_trace "button enabled: Self Distruct"
screenshot level-2
say "level 2 with 10 points"

self_destruct "$game"
prompt=$(wait_window "Top Ten Addition" 20)
say "the name prompt came"
screenshot name-prompt
keys "$prompt" ctrl+a BackSpace
xdotool type --delay 40 "$PLAYER"
xdotool key Return
wait_until 10 window_gone "Top Ten Addition" || fail "the name prompt stayed after Return"

expect_hive "Top Ten List" "Name One" "$PLAYER"
expect_hive "Top Ten List" "Score One" 10
expect_hive "Top Ten List" "Name Two" "(Available)"
say "the entry is stored at rank 1"

exit_from_menu

# paused_level_repaints_whole SCALE [ZOOM]: a level drawn by the X server during play,
# paused, then covered, moved and uncovered, so that Qt paints the whole window again. The
# zoom is taken with Ctrl+Plus during the level, and Ctrl+0 stores the designed size again.
paused_level_repaints_whole() {
  local scale=$1 zoom=${2:-100} game steps
  QT_SCALE_FACTOR=$scale start_game
  keys "$(wait_window "Crawlix" 60)" Return
  game=$(wait_game_window 60)
  keys "$game" alt+g n "${HIDDEN_MODE_KEYS[@]}"
  for steps in $(seq 25 25 $((zoom - 100))); do keys "$game" ctrl+plus; done
  expect_hive "Window" "Zoom" "$zoom"
  scale=$scale-zoom$zoom
  expect_trace "playfield: drawn by the X server from shared pixels" 60
  # A few moves drawn by the server: the bombs' picture changes.
  shoot "$game" "scale$scale-playing"
  wait_until 60 window_changed "$game" "scale$scale-moved" "scale$scale-playing" ||
    fail "nothing moved at scale $scale"
  xdotool key p
  expect_trace "timer disabled" 60
  wait_until 60 window_settled "$game" "scale$scale-paused" ||
    fail "the paused level at scale $scale kept changing"
  cover_and_move "$game"
  wait_until 60 window_shows "$game" "scale$scale-repainted" "scale$scale-paused" || {
    compare "$ARTIFACTS/scale$scale-paused.png" "$ARTIFACTS/scale$scale-repainted.png" \
      "$ARTIFACTS/scale$scale-difference.png" 2>/dev/null || true
    fail "at scale $scale the whole repaint differs from the level drawn during play" \
      "($ARTIFACTS/scale$scale-difference.png)"
  }
  say "at scale $scale the repainted level equals the level drawn during play"
  keys "$game" ctrl+0
  exit_from_menu
}

# pad LINE...: what the player does with the controller (see src/sound/ScriptedPad.h). The
# write waits until the program has opened the FIFO, after its first paint.
PAD_FIFO="$E2E_TMP/pad.fifo"
pad() {
  timeout 60 bash -c 'printf "%s\n" "${@:2}" >"$1"' pad "$PAD_FIFO" "$@" ||
    fail "the program never read its controller's FIFO"
}
pad_click() {
  local button
  for button in "$@"; do pad "press $button" "release $button"; done
}

# bug_top GAME NAME: the row of the bug's highest blue pixel in a picture of the window.
bug_top() {
  shoot "$1" "$2"
  convert "$ARTIFACTS/$2.png" -crop 120x520+240+0 -fx '(b>0.5 && r<0.4 && b>g+0.2) ? 1 : 0' \
    -trim -format '%Y' info: 2>/dev/null
}

controller_plays() {
  local title game before after
  mkfifo "$PAD_FIFO"
  CRAWLIX_SCRIPTED_PAD=$PAD_FIFO start_game
  title=$(wait_window "Crawlix" 60)
  # A window manager gives a new window the focus; without one the script does.
  timeout 5 xdotool windowfocus --sync "$title" 2>/dev/null || true
  pad plug
  pad_click a
  game=$(wait_game_window 30)
  wait_until 10 window_gone "Crawlix" || fail "A on the title screen left it open"
  say "A on the title screen opened the game window"

  timeout 5 xdotool windowfocus --sync "$game" 2>/dev/null || true
  pad_click start
  expect_trace "timer enabled" 30
  expect_trace "label: Level : 1"
  say "Start began a new game"
  # No bomb can end the climb: the hidden mode, from the keyboard.
  keys "$game" "${HIDDEN_MODE_KEYS[@]}"
  pad_click start
  wait_until 30 bash -c "grep -c 'timer disabled' '$APP_LOG' | grep -qx 1" ||
    fail "Start did not pause the level"
  before=$(bug_top "$game" pad-before)
  pad_click start dpup dpup dpup dpup start
  wait_until 30 bash -c "grep -c 'timer disabled' '$APP_LOG' | grep -qx 2" ||
    fail "Start did not pause the level again"
  wait_until 30 still_for_a_second "$game" || fail "the paused level kept moving"
  after=$(bug_top "$game" pad-after)
  # Four steps of 125 twips: 33 pixels.
  [ -n "$before" ] && [ -n "$after" ] && [ $((before - after)) -ge 30 ] &&
    [ $((before - after)) -le 36 ] ||
    fail "four presses of the D-pad up moved the bug from row $before to row ${after:-?}"
  say "four presses of the D-pad up moved the bug up $((before - after)) pixels; Start paused it"

  # Pulled out during a level: the game pauses, as when it loses the focus.
  pad_click start
  expect_trace "timer enabled" 30
  wait_until 30 bash -c "grep -c 'timer enabled' '$APP_LOG' | grep -qx 3" ||
    fail "Start did not resume the level"
  pad unplug
  wait_until 30 bash -c "grep -c 'timer disabled' '$APP_LOG' | grep -qx 3" ||
    fail "pulling the controller out did not pause the level"
  say "pulling the controller out paused the level"
  exit_from_menu
}

need compare xmessage
paused_level_repaints_whole 1
paused_level_repaints_whole 2
paused_level_repaints_whole 1 150
paused_level_repaints_whole 1 200
paused_level_repaints_whole 1 300
controller_plays
say "passed"
