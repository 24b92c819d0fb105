#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Closing windows by their close box: the options window on a first run writes nothing
# and ends the program; the game window ends it too; while the top ten window is open
# beside the game, the program ends only when that one is closed as well.
source "$(dirname "$0")/common.bash" "$@"
need python3

close_box() { python3 "$(dirname "$0")/close_window.py" "$1"; }

start_x

start_game
options=$(wait_window "Crawlix Options" 15)
close_box "$options"
expect_program_end 10
[ -z "$(hive_value Options "Start Level")" ] || fail "closing the options window stored options"
expect_empty_top_ten
say "closing the options window on a first run ended the program, nothing saved"

# Still a first run: the options window comes again, with Cancel disabled again.
start_game
options=$(wait_window "Crawlix Options" 15)
traced "button disabled: Cancel" || fail "Cancel was enabled on the repeated first run"
click_in_window "$options" $OPTIONS_SAVE_X $OPTIONS_SAVE_Y
close_box "$(wait_game_window 15)"
expect_program_end 10
say "closing the game window ended the program"

start_game
splash=$(wait_window "Crawlix" 15)
click_in_window "$splash" 20 300
game=$(wait_game_window 15)
keys "$game" alt+g v
topten=$(wait_window "Top Ten High Scores" 10)
close_box "$game"
wait_until 5 game_window_gone || fail "the game window did not close"
sleep 1
game_running || fail "the program ended while the top ten window was still open"
window_shown "Top Ten High Scores" || fail "the top ten window closed with the game window"
close_box "$topten"
expect_program_end 10
say "the program ended with its last window"
say "passed"
