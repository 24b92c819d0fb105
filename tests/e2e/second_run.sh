#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A second run: the title screen waits for a click and resets nothing; clicks on its
# title and version text do nothing, a click on its background opens the game. A third
# run is played by keys alone.
source "$(dirname "$0")/common.bash" "$@"

# The title screen: 459 x 327 px; the version text is centred 88 px below the client top.
readonly SPLASH_WIDTH=459 SPLASH_HEIGHT=327
readonly VERSION_X=229 VERSION_Y=98 TITLE_X=229 TITLE_Y=50 BACKGROUND_X=20 BACKGROUND_Y=300

need xmessage
start_x
start_game
first_run_to_game
exit_from_menu
say "first run done"

# A score from an earlier game, put straight into the hive while the game is not running.
set_hive_value "Top Ten List" "Name One" Keeper
set_hive_value "Top Ten List" "Score One" 99
expect_hive "Top Ten List" "Name One" Keeper

start_game
splash=$(wait_window "Crawlix" 15)
window_geometry "$splash"
[ "$WW" = "$SPLASH_WIDTH" ] && [ "$WH" = "$SPLASH_HEIGHT" ] ||
  fail "the title screen is ${WW}x${WH}, not ${SPLASH_WIDTH}x${SPLASH_HEIGHT}"
[ "$WX" = $(((1024 - SPLASH_WIDTH) / 2)) ] || [ "$WX" = $(((1024 - SPLASH_WIDTH + 1) / 2)) ] ||
  fail "the title screen is not centred: left edge at $WX"
say "the title screen is up"

# It waits: several seconds later it is still there, alone.
sleep 4
window_shown "Crawlix" || fail "the title screen went away by itself"
window_gone "Crawlix Options" || fail "the options window opened on a second run"
game_window_gone || fail "the game window opened without a click"
screenshot title-screen
expect_hive "Top Ten List" "Name One" Keeper
expect_hive "Top Ten List" "Score One" 99
expect_hive Options "Start Level" 1

click $((WX + 1 + TITLE_X)) $((WY + 1 + TITLE_Y))
click $((WX + 1 + VERSION_X)) $((WY + 1 + VERSION_Y))
sleep 1.5
window_shown "Crawlix" || fail "a click on the title or the version text closed the title screen"
game_window_gone || fail "a click on the title or the version text opened the game"

click $((WX + 1 + BACKGROUND_X)) $((WY + 1 + BACKGROUND_Y))
wait_game_window 15 >/dev/null
wait_until 5 window_gone "Crawlix" || fail "the title screen stayed after the click"
say "a click on the background opened the game"
expect_hive "Top Ten List" "Name One" Keeper

exit_from_menu

# A third run by keys alone: Return on the title opens the game; P pauses and resumes;
# turning to another window pauses. The hidden mode keeps the bug alive meanwhile.

start_game
keys "$(wait_window "Crawlix" 15)" Return
game=$(wait_game_window 15)
wait_until 5 window_gone "Crawlix" || fail "the title screen stayed after Return"
keys "$game" alt+g n "${HIDDEN_MODE_KEYS[@]}"
expect_trace "button enabled: Pause"
make_running "$game"
xdotool key p
wait_until 30 still_for_a_second "$game" || fail "the bombs moved after P paused the game"
xdotool key p
wait_until 30 moving "$game" || fail "P did not resume the game"
say "P pauses and resumes"

xmessage -geometry +600+600 elsewhere 2>/dev/null &
ELSEWHERE_PID=$!
timeout 30 xdotool windowfocus --sync "$(wait_window xmessage 10)"
# The program learns of the lost focus a moment later.
wait_until 30 still_for_a_second "$game" || fail "the game ran on while another window had the focus"
screenshot paused-elsewhere
kill "$ELSEWHERE_PID"
wait "$ELSEWHERE_PID" 2>/dev/null || true
keys "$game" p
wait_until 30 moving "$game" || fail "P did not resume the game after the focus came back"
say "turning to another window paused the game"

exit_from_menu
say "passed"
