#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A game kept with its entry and proven: New Game, the hidden mode, level 1 won, a few
# moves, Self Distruct, the name "Ada". Then, without a display, `crawlix --verify` proves
# rank 1; with its score edited in the hive it no longer does; and `crawlix --replay 1`
# shows the very same explosion, asks for no name and stores nothing.
source "$(dirname "$0")/common.bash" "$@"

readonly DISARMED="button disabled: Self Distruct"
REPLAYS="$XDG_DATA_HOME/crawlix/replays"

disarmed_at_least() { [ "$(trace_count "$DISARMED")" -ge "$1" ]; }

# shoot_explosion NAME COUNT: once Self Distruct has been disabled COUNT times (the game is
# over), the window is taken as soon as two shots in a row agree: the explosion holds
# still for 3.7 seconds.
shoot_explosion() {
  local shot=$ARTIFACTS/$1.png earlier=$E2E_TMP/earlier.png
  wait_until 30 disarmed_at_least "$2" || fail "the game never ended"
  import -window "$(find_game_window)" "$earlier"
  for _ in $(seq 1 10); do
    import -window "$(find_game_window)" "$shot"
    compare -metric AE "$earlier" "$shot" null: 2>/dev/null && return 0
    cp "$shot" "$earlier"
  done
  fail "the explosion never held still"
}

verify() { (unset DISPLAY; cd "$E2E_TMP/elsewhere" && "$CRAWLIX" --verify "$@"); }

start_x
start_game
first_run_to_game
game=$(find_game_window)

climb_to_goal "$game"
keys "$(find_window "Crawlix")" Return
wait_until 10 window_gone "Crawlix" || fail "Return did not dismiss the congratulation box"
expect_trace "label: Points : 10"
keys "$game" Left Left Left Down Right
xdotool key --delay 400 Up Left Left Down Right Right
before=$(trace_count "$DISARMED")
self_destruct "$game"
shoot_explosion game $((before + 1))
prompt=$(wait_window "Top Ten Addition" 20)
keys "$prompt" ctrl+a BackSpace
xdotool type --delay 40 "Ada"
xdotool key Return
expect_hive "Top Ten List" "Name One" "Ada"
expect_hive "Top Ten List" "Score One" 10
exit_from_menu
[ -f "$REPLAYS/01-Ada-10.crawlix-replay" ] || fail "no replay kept: $(ls -A "$REPLAYS" 2>&1)"
say "the game is kept at rank 1"

out=$(verify) || fail "--verify failed: $out"
grep -qx "1 Ada 10 verified" <<<"$out" || fail "rank 1 not verified: $out"
grep -qx "2 (Available) 0 no replay" <<<"$out" || fail "rank 2 not without replay: $out"
say "rank 1 is verified without a display"

set_hive_value "Top Ten List" "Score One" 9999
if out=$(verify); then fail "--verify passed a changed score: $out"; fi
grep -qx "1 Ada 9999 differs (replay: 10)" <<<"$out" || fail "the changed score not caught: $out"
say "a changed score differs"

# A genuine 25 above the 10 whose file has not moved down yet: the file is the 10's, so
# rank 1 has no replay, and nothing is called changed.
set_hive_value "Top Ten List" "Score One" 25
set_hive_value "Top Ten List" "Name Two" Ada
set_hive_value "Top Ten List" "Score Two" 10
out=$(verify) || fail "--verify called a stale file evidence: $out"
grep -qx "1 Ada 25 no replay" <<<"$out" || fail "rank 1 not without replay: $out"
say "a stale file at a rank is no evidence"

# The list cannot be read: neither proven nor differing.
hold_hive "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;"
status=0
out=$(verify 2>&1) || status=$?
release_hive
[ "$status" = 2 ] || fail "--verify under an exclusive lock ended with status $status: $out"
say "an unreadable list ends --verify with status 2"

# Hostile files: a FIFO is refused at once; a refusal cannot steer the terminal.
mkfifo "$E2E_TMP/fifo"
status=0
out=$(timeout 20 "$CRAWLIX" --verify "$E2E_TMP/fifo" 2>&1) || status=$?
[ "$status" = 1 ] || fail "--verify on a FIFO ended with status $status: $out"
printf 'crawlix-replay \033[2J\r\n' >"$E2E_TMP/escape.crawlix-replay"
out=$("$CRAWLIX" --verify "$E2E_TMP/escape.crawlix-replay" 2>&1) && fail "an escape sequence verified"
! grep -q $'[\033\r]' <<<"$out" || fail "a refusal printed raw control characters: $(od -c <<<"$out")"
set_hive_value "Top Ten List" "Name Two" "(Available)"
set_hive_value "Top Ten List" "Score Two" 0
set_hive_value "Top Ten List" "Score One" 9999
say "hostile files are refused in one printable line"

start_game "$CRAWLIX" --replay 1
wait_game_window 15 >/dev/null
# Disabled as the window is made, at the win (the box closes by itself), at the end.
shoot_explosion replay 3
compare -metric AE "$ARTIFACTS/game.png" "$ARTIFACTS/replay.png" "$ARTIFACTS/difference.png" \
  2>"$E2E_TMP/pixels" || fail "the replay's explosion differs in $(cat "$E2E_TMP/pixels") pixels"
say "the replay shows the same explosion"
expect_trace "label: Points : 10"
keys "$(find_game_window)" Escape
expect_program_end 20
! traced "window shown: Top Ten Addition" || fail "the replay asked for a name"
hive_has "Top Ten List" "Score One" 9999 || fail "the replay changed the hive"
say "passed"
