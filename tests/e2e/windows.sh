#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The game window's menu: the top ten window opens beside the game; the options window
# takes the game window's place and hands back to a fresh one on Cancel and on Save.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_game
first_run_to_game

game=$(find_game_window)
keys "$game" alt+g v
wait_window "Top Ten High Scores" 10 >/dev/null
expect_trace "label: (Available)"
game_window_shown || fail "the game window went away when the top ten opened"
screenshot top-ten
say "the top ten window opened beside the game"

keys "$(find_game_window)" alt+g o
options=$(wait_window "Crawlix Options" 10)
wait_until 5 game_window_gone || fail "the game window stayed open beside the options window"
screenshot options
say "the options window took the game window's place"

# Cancel is enabled now: it hands back to a fresh game window, writing nothing.
click_in_window "$options" $OPTIONS_CANCEL_X $OPTIONS_CANCEL_Y
wait_game_window 10 >/dev/null
wait_until 5 window_gone "Crawlix Options" || fail "the options window stayed after Cancel"
say "Cancel handed back to the game"

keys "$(find_game_window)" alt+g o
options=$(wait_window "Crawlix Options" 10)
wait_until 5 game_window_gone || fail "the game window stayed open beside the options window"
# A start level of 7 this time. The keys go to the window once it holds the focus, which
# the program asks for only when it has seen its window appear.
click_in_window "$options" 240 200
keys "$options" ctrl+a 7
click_in_window "$options" $OPTIONS_SAVE_X $OPTIONS_SAVE_Y
wait_game_window 10 >/dev/null
wait_until 5 window_gone "Crawlix Options" || fail "the options window stayed after Save"
expect_hive Options "Start Level" 7
say "Save stored the start level and handed back to the game"

keys "$(find_game_window)" alt+g n
expect_trace "label: Level : 7"
say "a new game starts on the saved level"

exit_from_menu
say "passed"
