#!/usr/bin/env bash
# A game as a player plays it: New Game, the hidden mode (so no bomb can end the climb),
# Up to the goal, the congratulation, level 2 with 10 points, "Self Distruct", the name
# prompt, and the entry stored at rank 1. On X the X server draws the moving pictures.
source "$(dirname "$0")/common.bash" "$@"

readonly PLAYER="E2E Player"

start_x
start_game
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
say "passed"
