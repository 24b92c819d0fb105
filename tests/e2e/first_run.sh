#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A first run on a fresh system: the options window comes at once with Cancel disabled, the
# empty top ten is written, Save leads to the game window, and "&Exit" ends the program.
source "$(dirname "$0")/common.bash" "$@"

start_x
start_game

options=$(wait_window "Crawlix Options" 15)
say "the options window came first"
wait_until 5 window_gone "Crawlix" || fail "the title screen is still open beside the options window"
screenshot first-run-options
expect_empty_top_ten
[ -z "$(hive_value Options "Start Level")" ] || fail "a start level was stored before Save"
traced "button disabled: Cancel" || fail "Cancel was never disabled"

# Cancel is disabled on the first run: a click on it changes nothing.
click_in_window "$options" $OPTIONS_CANCEL_X $OPTIONS_CANCEL_Y
sleep 1.5
window_shown "Crawlix Options" || fail "a click on the disabled Cancel closed the options window"
game_window_gone || fail "a click on the disabled Cancel opened the game window"
! traced "button enabled: Cancel" || fail "Cancel was enabled on the first run"

click_in_window "$options" $OPTIONS_SAVE_X $OPTIONS_SAVE_Y
wait_game_window 15 >/dev/null
say "Save led to the game window"
wait_until 5 window_gone "Crawlix Options" || fail "the options window stayed after Save"
expect_hive Options "Start Level" 1
expect_hive Options "Still Bombs" 3
expect_hive Options "Music Option" Random
expect_trace "label: Level : 0"
screenshot first-run-game

exit_from_menu
say "passed"
