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
    float outerWidth_;
    float outerHeight_;
};
