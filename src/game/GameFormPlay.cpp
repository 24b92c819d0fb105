// SPDX-License-Identifier: GPL-3.0-or-later
// Play: the tick that slides the bombs and tests them against the bug, the keys that steer
// the bug, and the won level.

#include "game/BombRanges.h"
#include "game/BoxRect.h"
#include "game/FormButton.h"
#include "game/FormLabel.h"
#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "platform/GameFiles.h"
#include "platform/PictureBox.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <cmath>

namespace {
// Moving bombs travel 7 twips a tick for every level.
constexpr int32_t BombStep = 7;
constexpr float RightBombTurnLeft = 1.0f;

constexpr int LastLeftBomb = 2;
constexpr int FirstRightBomb = 3;
constexpr int LastRightBomb = 5;

const QString HiddenModeMarker = QStringLiteral("698270");

constexpr int16_t KeyLeft = 37;
constexpr int16_t KeyUp = 38;
constexpr int16_t KeyRight = 39;
constexpr int16_t KeyDown = 40;
// E, R and F: their codes 69, 82 and 70 spell the marker.
constexpr int16_t KeyE = 69;
constexpr int16_t KeyR = 82;
constexpr int16_t KeyF = 70;

constexpr float BugStep = 125.0f;
constexpr float HighestUpMove = 50.0f;
constexpr float GoalTop = 450.0f;
constexpr float BottomMargin = 500.0f;
constexpr float WallMargin = 150.0f;
constexpr float RightLimit = 1650.0f; // the bug's width and the margin

constexpr double CheerSeconds = 1.9;
constexpr int32_t PointsPerLevel = 5;
} // namespace

void GameForm::Timer1_Timer()
{
    ++ticksRun_;
    const int32_t step = CheckedMul(BombStep, Level);
    moveLeftBombs(Width(), step);
    moveRightBombs(step);
    testCollisions();
    if (GodSoundPlayed == False && tag_.size() == HiddenModeMarker.size()
        && tag_ == HiddenModeMarker) {
        GodSoundPlayed = True;
        playSound_(GameFiles::dataFile(QStringLiteral("god.wav")));
    }
}

void GameForm::moveLeftBombs(float windowWidth, int32_t step)
{
    const float bound = BombRanges::rightEnd(windowWidth);
    for (int i = 0; i <= LastLeftBomb; ++i) {
        PictureBox& left = bomb(i);
        if (bound > left.Left()) {
            left.setLeft(float(double(left.Left()) + step));
        } else {
            left.setTop(BombRanges::movingTop(runtime().rnd()));
            left.setLeft(BombRanges::leftBombLeft(runtime().rnd()));
        }
    }
}

void GameForm::moveRightBombs(int32_t step)
{
    for (int i = FirstRightBomb; i <= LastRightBomb; ++i) {
        PictureBox& right = bomb(i);
        if (right.Left() > RightBombTurnLeft) {
            right.setLeft(float(double(right.Left()) - step));
        } else {
            right.setTop(BombRanges::movingTop(runtime().rnd()));
            const float r = runtime().rnd();
            right.setLeft(BombRanges::rightBombLeft(Width(), r));
        }
    }
}

void GameForm::testCollisions()
{
    // The bug stands still during the pass, so its box is formed once.
    const BoxRect bug = boxOf(*bugPic_);
    const int last = lastBombInPlay();
    for (int i = 0; i <= last; ++i) {
        PictureBox& candidate = bomb(i);
        if (boxesOverlap(boxOf(candidate), bug) && tag_ != HiddenModeMarker) {
            EndGame(candidate);
            return; // one hit ends the game once
        }
    }
}

void GameForm::BombPic_KeyDown(int, int16_t KeyCode, int16_t)
{
    if (!timer1_->Enabled())
        return;
    emit inputTaken(Input::Key, KeyCode);
    if (KeyCode == KeyUp && bugPic_->Top() > HighestUpMove)
        bugPic_->setTop(bugPic_->Top() - BugStep);
    if (KeyCode == KeyUp && bugPic_->Top() <= GoalTop)
        winLevel();
    if (KeyCode == KeyDown && bugPic_->Top() + bugPic_->Height() < Height() - BottomMargin)
        bugPic_->setTop(bugPic_->Top() + BugStep);
    if (KeyCode == KeyLeft && bugPic_->Left() > line1_.X1 + WallMargin)
        bugPic_->setLeft(bugPic_->Left() - BugStep);
    if (KeyCode == KeyRight && bugPic_->Left() < line2_.X1 - RightLimit)
        bugPic_->setLeft(bugPic_->Left() + BugStep);
    const bool markerKey = KeyCode == KeyE || KeyCode == KeyR || KeyCode == KeyF;
    if (markerKey && tag_ != HiddenModeMarker)
        tag_ += Numbers::toText(int64_t(KeyCode));
}

void GameForm::winLevel()
{
    timer1_->setEnabled(false);
    pauser_->setEnabled(false);
    kill_->setEnabled(false);
    const double cheerStarted = runtime().monotonicSeconds();
    playSound_(GameFiles::dataFile(QStringLiteral("halleluj.wav")));
    waitAfterCheer(cheerStarted);
    runtime().msgBox(QStringLiteral("Congradulations, you beat level ")
                         + Numbers::toText(int64_t(Level)) + QStringLiteral("!!!"),
                     QStringLiteral("Crawlix"), Runtime::Buttons::Ok);
    emit levelWon(runtime().monotonicSeconds() - cheerStarted);
    ReadyCount = CheckedAdd(ReadyCount, 1);
    Level = CheckedAdd(Level, 1);
    levBox_->setCaption(QStringLiteral("Level : ") + Numbers::toText(int64_t(Level)));
    Points = CheckedAdd(Points, CheckedMul(PointsPerLevel, Level));
    pointBox_->setCaption(QStringLiteral("Points : ") + Numbers::toText(int64_t(Points)));
    GetReady();
}

void GameForm::waitAfterCheer(double since)
{
    // The game holds still while the cheer plays: no event is handled, but the thread
    // sleeps rather than spinning, and a monotonic clock measures the wait.
    for (;;) {
        const double left = CheerSeconds - (runtime().monotonicSeconds() - since);
        if (left <= 0.0)
            return;
        runtime().sleepMs(std::max(1, int(std::ceil(left * 1000.0))));
    }
}
