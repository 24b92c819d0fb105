// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The four windows of the game and their hand-overs: the one place that makes the windows
// and answers what they ask for (see shared/HandOver.h). A window hands over by showing the
// next window without waiting and then unloading itself; an unloaded window is loaded
// afresh (its Form_Load runs again) the next time it is shown.

class GameForm;
class GameRecorder;
class OptionsFrm;
class TopTen;
class Splash;

// Loads the window when it is not loaded, then shows it.
GameForm* ShowGameForm();
OptionsFrm* ShowOptionsFrm();
TopTen* ShowTopTen();
Splash* ShowSplash();

// Unloads the window (closes and discards it); nothing when it is not loaded.
void UnloadGameForm();
void UnloadOptionsFrm();
void UnloadSplash();

// The loaded window, or null.
GameForm* LoadedGameForm();
OptionsFrm* LoadedOptionsFrm();
TopTen* LoadedTopTen();
Splash* LoadedSplash();

// Every game window loaded from now on is recorded, and the games that enter the top ten
// are kept with it on the shelf of replays; clearing the list clears the shelf.
void RecordGames(GameRecorder& recorder);
// The wiring of one window to the recorder and the shelf.
void WireRecording(GameForm& form, GameRecorder& recorder);
void WireShelf(TopTen& window);

// Ends the program at once: every window closes, the music stops.
void EndProgram();

// Takes the zoom for every window of the game, loaded or not: a window centred on the
// screen stays centred, any other keeps its top left corner, and each stays on the screen.
void ZoomAllWindows(int percent);
