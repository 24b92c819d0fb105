// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game window: the playfield with its walls and goal line, the bug and the bombs, the
// level and points displays, the "&Game" menu, the pause and self-destruct buttons, the
// game timer and the music control.
//
// Every handler is a plain public method, so the game can be driven without events. The
// game's state lives in the controls (the timer's Enabled, the pause button's caption, a
// bomb's Left, the window's Tag); positions and sizes are twips (15 to the pixel).

#include "game/LineControl.h"
#include "platform/MusicControl.h"
#include "shared/HandOver.h"

#include <QKeySequence>
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>

class FormLabel;
class GameTimer;
class PictureBox;
class Playfield;
class QAction;
class QMenu;
class FormButton;

class GameForm : public QMainWindow {
    Q_OBJECT
public:
    // The most bombs a level can hold: 3 left, 3 right and up to 6 still bombs.
    static constexpr int MaxBombs = 12;

    GameForm();
    ~GameForm() override;

    // --- The window's commands ---
    void Form_Load();
    void NewMenu_Click();
    void TopTenView_Click();
    void OptionMenu_Click();
    void ExitMenu_Click();
    void Pauser_Click();
    void Kill_Click();
    // What losing the focus during play does: pause as the button does.
    void pauseOnFocusLoss();

    // --- Play ---
    void Timer1_Timer();
    void BombPic_KeyDown(int Index, int16_t KeyCode, int16_t Shift);

    // --- A game played from elsewhere ---
    // What the rules took from the player: a key (its Windows virtual-key code), the pause
    // button or key, the pause of a lost focus, Self Distruct.
    enum class Input { Key, Pause, FocusPause, Kill };
    Q_ENUM(Input)
    // Whether the player's keys, clicks, menu's New Game and focus reach the game. Off, the
    // game is played from elsewhere through the same handlers, and earns no top-ten place.
    void setPlayerInputs(bool on) { playerInputs_ = on; }
    bool playerInputs() const { return playerInputs_; }
    // The ticks run since the window was made.
    uint64_t ticksRun() const { return ticksRun_; }

    // --- Methods ---
    void GetReady();
    void NewStill(PictureBox& ThePic);
    void NewLeft(PictureBox& ThePic);
    void NewRight(PictureBox& ThePic);
    void EndGame(PictureBox& TheBomb);
    void UpdateTopten(const QString& NewName);

    // --- The window's size in twips ---
    // The outer Width and Height: the client area plus the window frame (see GameForm.cpp).
    float Width() const { return outerWidth_; }
    float Height() const { return outerHeight_; }
    // Sets the outer size; the client area follows. The game opens at its own size; tests
    // set one so every range is known.
    void setOuterSizeForTest(float widthTwips, float heightTwips);

    // The still bombs in play (3 to 6), from the still-bomb option.
    int stillBombCount() const;

    // The hidden-mode key buffer.
    QString Tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }

    // --- Controls ---
    PictureBox* BugPic() const { return bugPic_; }
    // A bomb element, or null when it does not exist (yet).
    PictureBox* BombPic(int index) const;
    int bombElementCount() const;
    PictureBox* SrcPic() const { return srcPic_; }
    PictureBox* BombSrc() const { return bombSrc_; }
    FormLabel* LevBox() const { return levBox_; }
    FormLabel* PointBox() const { return pointBox_; }
    FormButton* Pauser() const { return pauser_; }
    FormButton* Kill() const { return kill_; }
    GameTimer* Timer1() const { return timer1_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QAction* NewMenu() const { return newMenu_; }
    QAction* TopTenView() const { return topTenView_; }
    QAction* OptionMenu() const { return optionMenu_; }
    QAction* ExitMenu() const { return exitMenu_; }
    const LineControl& Line1() const { return line1_; }
    const LineControl& Line2() const { return line2_; }
    const LineControl& Line3() const { return line3_; }
    Playfield* playfield() const { return playfield_; }
    MusicControl& MMControl1() { return music_; }
    // What the window asks of the program: the top ten, the options, its own end.
    HandOver& handOver() { return handOver_; }

    // Where the game's sounds go: PlaySoundFile, unless a test listens instead.
    using SoundPlayer = std::function<void(const QString& path)>;
    void setSoundPlayer(SoundPlayer player) { playSound_ = std::move(player); }

signals:
    // A new game is about to be laid out: the random generator and the options are still
    // as the game will start from.
    void gameStarting();
    // An input the rules took, after the ticks counted by ticksRun().
    void inputTaken(GameForm::Input input, int value);
    // A level was won and its box closed, this many seconds after the cheer started.
    void levelWon(double boxSeconds);
    // The game is over with these points; the explosion and a top-ten place follow.
    void gameEnded(int32_t points);
    // The game's entry was written into the top ten at this rank (1 to 10), under the name
    // as the list holds it, while the list is still locked: whatever is kept beside the
    // list follows it in the order the list changed.
    void entryStored(int rank, const QString& name);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // P and the Pause key press the pause button; losing the focus during play pauses.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void useGreyPalette();
    void buildMenu();
    void addMenuKey(QAction* item, QKeySequence key);
    void buildControls();
    void applyOuterSize();
    bool pauseKey(const QKeyEvent& event);

    // Level setup and placement helpers.
    void createBombElements();
    void separate(const std::pair<int, int>* pairs, size_t count);
    bool bombsOverlap(int first, int second) const;
    void placeAgain(int index);
    int lastBombInPlay() const;
    PictureBox& bomb(int index) const;

    // Play helpers.
    void moveLeftBombs(float windowWidth, int32_t step);
    void moveRightBombs(int32_t step);
    void testCollisions();
    void winLevel();
    void waitAfterCheer(double since);
    void hidePlayfield();
    void offerTopTenPlace();

    Playfield* playfield_ = nullptr;
    PictureBox* bugPic_ = nullptr;
    std::array<PictureBox*, MaxBombs> bombPic_{};
    PictureBox* srcPic_ = nullptr;
    PictureBox* bombSrc_ = nullptr;
    FormLabel* levBox_ = nullptr;
    FormLabel* pointBox_ = nullptr;
    FormButton* pauser_ = nullptr;
    FormButton* kill_ = nullptr;
    GameTimer* timer1_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* newMenu_ = nullptr;
    QAction* topTenView_ = nullptr;
    QAction* optionMenu_ = nullptr;
    QAction* exitMenu_ = nullptr;
    LineControl line1_;
    LineControl line2_;
    LineControl line3_;
    MusicControl music_;
    HandOver handOver_;
    SoundPlayer playSound_;
    QString tag_;
    // The still-bomb option text as last read, and the number of still bombs it gives.
    mutable bool stillBombsKnown_ = false;
    mutable QString stillBombsRead_;
    mutable int stillBombs_ = 0;
    bool playerInputs_ = true;
    uint64_t ticksRun_ = 0;
    float outerWidth_;
    float outerHeight_;
};
