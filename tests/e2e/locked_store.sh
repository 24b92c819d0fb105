#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Another program on the data file: a sqlite3 shell that keeps the file to itself while
# the game starts, a start level of "abc", and a shell reading while a name is entered.
# The stored top ten and options are kept through all of it, and the new name lands at its rank.
source "$(dirname "$0")/common.bash" "$@"
need sqlite3

readonly PLAYER="Reader Proof"
# Held past the game's busy timeout of 10 s, so that its reads really fail.
readonly LOCK_SECONDS=13
# A start-up under the lock may wait out the busy timeout once, never twice.
readonly FIRST_WINDOW_SECONDS=19
# Ten points from one won level go to rank 5 of this list.
readonly SCORES=(50 40 30 20 9 8 7 6 5 4)

store_keepers() {
  local rank
  for rank in "${!RANK_WORDS[@]}"; do
    set_hive_value "Top Ten List" "Name ${RANK_WORDS[$rank]}" "Keeper $((rank + 1))"
    set_hive_value "Top Ten List" "Score ${RANK_WORDS[$rank]}" "${SCORES[$rank]}"
  done
}

expect_keepers() {
  local rank
  for rank in "${!RANK_WORDS[@]}"; do
    expect_hive "Top Ten List" "Name ${RANK_WORDS[$rank]}" "Keeper $((rank + 1))"
    expect_hive "Top Ten List" "Score ${RANK_WORDS[$rank]}" "${SCORES[$rank]}"
  done
}

start_x
start_game
first_run_to_game
exit_from_menu
# The write-ahead log is folded back into the file when the game ends.
[ ! -e "$HIVE-wal" ] && [ ! -e "$HIVE-shm" ] || fail "the write-ahead log outlived the game: $(ls "$(dirname "$HIVE")")"
store_keepers
say "a stored top ten"

# 1. The whole file locked while the game starts: readers are shut out for longer than
# the game waits. A start level that could not be read makes no first run: the title
# screen waits for its click, and neither the list nor the options are written.
hold_hive "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;"
locked_at=$SECONDS
start_game
splash=$(wait_window "Crawlix" $FIRST_WINDOW_SECONDS)
say "the title screen came $((SECONDS - locked_at)) s into the lock"
sleep $((LOCK_SECONDS - (SECONDS - locked_at) > 0 ? LOCK_SECONDS - (SECONDS - locked_at) : 0))
release_hive
window_gone "Crawlix Options" || fail "the options window came as on a first run"
keys "$splash" Return
wait_game_window 15 >/dev/null
exit_from_menu
expect_keepers
expect_hive Options "Start Level" 1
grep -q "crawlix: warning: .*locked by another program" "$APP_LOG" ||
  fail "no warning on standard error about the locked file"
say "the list outlived the lock"

# 2. A start level that is no number: a first run again, the list kept.
set_hive_value Options "Start Level" abc
start_game
options=$(wait_window "Crawlix Options" 15)
expect_keepers
click_in_window "$options" $OPTIONS_SAVE_X $OPTIONS_SAVE_Y
wait_game_window 15 >/dev/null
expect_keepers
say "the list outlived a start level of \"abc\""

# 3. A name entered while a sqlite3 shell holds a read transaction.
game=$(find_game_window)
climb_to_goal "$game"
keys "$(find_window "Crawlix")" Return
wait_until 10 window_gone "Crawlix" || fail "Return did not dismiss the congratulation box"
expect_trace "label: Points : 10"
expect_trace "button enabled: Self Distruct"

self_destruct "$game"
prompt=$(wait_window "Top Ten Addition" 20)
hold_hive "BEGIN; SELECT count(*) FROM registry_values;"
keys "$prompt" ctrl+a BackSpace
xdotool type --delay 40 "$PLAYER"
xdotool key Return
wait_until 30 window_gone "Top Ten Addition" || fail "the name prompt stayed after Return"
sleep 1
window_gone "Crawlix" || fail "a message box came after the name: the score was not stored"
release_hive
expect_hive "Top Ten List" "Name Five" "$PLAYER"
expect_hive "Top Ten List" "Score Five" 10
expect_hive "Top Ten List" "Name Four" "Keeper 4"
expect_hive "Top Ten List" "Name Six" "Keeper 5"
expect_hive "Top Ten List" "Score Ten" 5
say "the name entered beside a reader is stored at rank 5"

exit_from_menu
say "passed"
