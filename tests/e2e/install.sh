#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installing into a fresh prefix (with a space in its name): the program in bin, its sounds,
# songs and their soundfont in share/games/crawlix, its sound module in lib/crawlix, a valid
# desktop entry and metainfo, the icon in every size, the manual page; the installed command
# answers --help and --version without a display and refuses what it does not know; the
# installed game starts from any folder and finds its sounds and its sound module; the
# uninstall target, after a second install over the first, removes it all, the folders it
# made included.
source "$(dirname "$0")/common.bash" "$@"

readonly APP_ID=io.github.crawlix.Crawlix
readonly SOUNDS=(halleluj.wav explode.wav god.wav)
readonly SONGS=(esm.mid horsemen.mid one.mid orion.mid seek.mid)
readonly ICON_SIZES=(16 32 48 64 128 256)

need cmake desktop-file-validate appstreamcli identify man
build_dir=${CRAWLIX_BUILD_DIR:-$(dirname "$CRAWLIX")}
[ -f "$build_dir/cmake_install.cmake" ] || skip "no build folder to install from at $build_dir"

prefix="$E2E_TMP/a prefix"
# cmake --install rewrites the build folder's manifest; the player's own (kept for
# uninstalling a real installation) is put back afterwards.
manifest="$build_dir/install_manifest.txt"
[ -f "$manifest" ] && cp "$manifest" "$E2E_TMP/manifest.player"
cmake --install "$build_dir" --prefix "$prefix" --strip >"$ARTIFACTS/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -n 20 "$ARTIFACTS/install.log")"
cp "$manifest" "$E2E_TMP/manifest"
if [ -f "$E2E_TMP/manifest.player" ]; then
  cp "$E2E_TMP/manifest.player" "$manifest"
else
  rm -f "$manifest"
fi

program="$prefix/bin/crawlix"
data_dir="$prefix/share/games/crawlix"
[ -f "$program" ] && [ ! -L "$program" ] && [ -x "$program" ] || fail "no program at $program"
for file in "${SOUNDS[@]}" "${SONGS[@]}" songs.sf2; do
  [ -s "$data_dir/$file" ] || fail "$file is missing in $data_dir"
done
# The game takes a song newer than the songs' soundfont for one the player put there.
[ "$data_dir/esm.mid" -nt "$data_dir/songs.sf2" ] && fail "the installed songs are newer than their soundfont"
[ -s "$prefix/lib/crawlix/crawlix-sound.so" ] || fail "no sound module in $prefix/lib/crawlix"

desktop="$prefix/share/applications/$APP_ID.desktop"
metainfo="$prefix/share/metainfo/$APP_ID.metainfo.xml"
[ -f "$desktop" ] || fail "no desktop entry at $desktop"
[ -f "$metainfo" ] || fail "no metainfo at $metainfo"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$metainfo" || fail "the metainfo does not validate"
grep -qx "Exec=crawlix" "$desktop" || fail "the desktop entry does not start the crawlix command"
grep -qx "Icon=$APP_ID" "$desktop" || fail "the desktop entry does not name the icon $APP_ID"

icons="$prefix/share/icons/hicolor"
for size in "${ICON_SIZES[@]}"; do
  icon="$icons/${size}x${size}/apps/$APP_ID.png"
  [ -f "$icon" ] || fail "no ${size}px icon at $icon"
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x${size}" ] ||
    fail "the ${size}px icon is $(identify -format '%wx%h' "$icon")"
done
[ -f "$icons/scalable/apps/$APP_ID.svg" ] || fail "no scalable icon"
page="$prefix/share/man/man6/crawlix.6"
[ -f "$page" ] || fail "no manual page at $page"
MANWIDTH=80 man --warnings -l "$page" >"$ARTIFACTS/crawlix.6.txt" 2>"$E2E_TMP/man.err" ||
  fail "man cannot show $page: $(cat "$E2E_TMP/man.err")"
[ -s "$E2E_TMP/man.err" ] && fail "man warns about $page: $(cat "$E2E_TMP/man.err")"
grep -q "^CRAWLIX(6)" "$ARTIFACTS/crawlix.6.txt" || fail "the manual page does not render"
say "every file is in place and valid"

# The command line, with no display to open.
command="$prefix/bin/crawlix"
no_display() { env -u DISPLAY -u WAYLAND_DISPLAY "$@"; }
version=$(no_display "$command" --version) || fail "crawlix --version failed without a display"
[[ "$version" =~ ^crawlix\ [0-9]+\.[0-9]+ ]] || fail "crawlix --version said \"$version\""
help=$(no_display "$command" --help) || fail "crawlix --help failed without a display"
grep -q -- "--version" <<<"$help" || fail "crawlix --help does not name --version: $help"
# expect_refusal STATUS WORDS COMMAND...: ends with the status and one line naming the words.
expect_refusal() {
  local expected=$1 words=$2 status=0
  shift 2
  "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
  [ "$status" = "$expected" ] || fail "$* ended with status $status, not $expected"
  [ "$(wc -l <"$E2E_TMP/err")" = 1 ] && grep -q "^crawlix: .*$words" "$E2E_TMP/err" ||
    fail "$* said on standard error: $(cat "$E2E_TMP/err")"
}
expect_refusal 2 "unknown option: --vresion\." no_display "$command" --vresion
expect_refusal 2 "unknown option: -stlye\." no_display "$command" -stlye Fusion
# Qt's own options are Qt's: past them, there is only no display to open.
expect_refusal 1 "cannot open display" no_display "$command" -style Fusion --platform=xcb
expect_refusal 2 "unexpected argument" no_display "$command" somewhere
expect_refusal 1 "cannot open display" no_display "$command"
expect_refusal 1 "cannot open display :7777" env DISPLAY=:7777 "$command"
say "the command line answers without a display"

# The installed program, started from an unrelated folder, finds its sounds in the data
# folder and its sound module in the library folder. SDL's disk driver writes what would be
# heard to a file.
audio_out="$E2E_TMP/heard.raw"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio_out"
heard_something() { [ -s "$audio_out" ] && [ -n "$(tr -d '\0' <"$audio_out" | head -c 1)" ]; }

start_x
start_game "$prefix/bin/crawlix"
options=$(wait_window "Crawlix Options" 15)
[ "$(readlink -f "/proc/$APP_PID/exe")" = "$(readlink -f "$program")" ] ||
  fail "the running program is $(readlink -f "/proc/$APP_PID/exe")"
expect_empty_top_ten
say "the installed game starts"

# No music, so that the only sound is the explosion of a self-destructed game: its file is
# named without a folder and must be found in the data folder all the same.
readonly NO_SONGS_X=16 NO_SONGS_Y=96
click_in_window "$options" $NO_SONGS_X $NO_SONGS_Y
click_in_window "$options" $OPTIONS_SAVE_X $OPTIONS_SAVE_Y
game=$(wait_game_window 15)
expect_hive Options "Music Option" None
keys "$game" alt+g n
expect_trace "button enabled: Self Distruct"
sleep 1
heard_something && fail "something was heard before the explosion"
self_destruct "$game"
wait_until 10 heard_something || fail "the explosion was not heard"
say "the explosion is heard"

# Installed again over the first install, as an update would be, then uninstalled: every
# file of the manifest goes, and every folder the first install made; the player's own
# manifest is put back afterwards.
grep -qv "^$prefix/" "$E2E_TMP/manifest" && fail "the manifest names files outside $prefix"
stop_game
[ -f "$manifest" ] && cp "$manifest" "$E2E_TMP/manifest.player"
cp "$E2E_TMP/manifest" "$manifest"
uninstalled=0
cmake --install "$build_dir" --prefix "$prefix" --strip >>"$ARTIFACTS/install.log" 2>&1 &&
  cmake --build "$build_dir" --target uninstall >"$ARTIFACTS/uninstall.log" 2>&1 || uninstalled=$?
if [ -f "$E2E_TMP/manifest.player" ]; then
  cp "$E2E_TMP/manifest.player" "$manifest"
else
  rm -f "$manifest"
fi
[ "$uninstalled" = 0 ] || fail "installing again or uninstalling failed: $(tail -n 20 "$ARTIFACTS/uninstall.log")"
[ ! -e "$prefix" ] || fail "left after uninstalling: $(find "$prefix")"
say "passed"
