// SPDX-License-Identifier: GPL-3.0-or-later
// Level setup: the bug at its start, the bombs placed at random and kept apart within
// their groups, and the level set going.

#include "game/BombRanges.h"
#include "game/BoxRect.h"
#include "game/FormButton.h"
#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "game/Playfield.h"
#include "platform/PictureBox.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QAction>

#include <array>
#include <utility>

namespace {
constexpr float BugStartTop = 5040.0f;
constexpr float BugStartLeft = 4025.0f;

// Every bomb element is made like element 0 was designed: there, this size, hidden.
constexpr float BombDesignLeft = 120.0f;
constexpr float BombDesignTop = 120.0f;
constexpr float BombSize = 480.0f;

constexpr int LastLeftBomb = 2;
constexpr int LastRightBomb = 5;
constexpr int FirstStillBomb = 6;
constexpr int FewestStillBombs = 3;

constexpr int ElementExistsError = 360;
constexpr int NoSuchElementError = 340;

// The pairs tested to keep the moving bombs apart, in order: the left bombs, then the right
// ones. Any overlap places both bombs of the pair again and starts the test over.
constexpr std::array<std::pair<int, int>, 6> MovingPairs = {{
    {0, 1}, {0, 2}, {1, 2}, {3, 4}, {3, 5}, {4, 5},
}};
// The same for the still bombs: each bomb against every still bomb before it.
constexpr std::array<std::pair<int, int>, 15> StillPairs = {{
    {6, 7}, {6, 8}, {7, 8},
    {6, 9}, {7, 9}, {8, 9},
    {6, 10}, {7, 10}, {8, 10}, {9, 10},
    {6, 11}, {7, 11}, {8, 11}, {9, 11}, {10, 11},
}};
} // namespace

int GameForm::stillBombCount() const
{
    // The option text changes only when the window loads, so it is read at the level's
    // setup and the ticks count on that; a text that has changed since is read again.
    if (!stillBombsKnown_ || StillBombsText != stillBombsRead_) {
        stillBombsKnown_ = true;
        stillBombsRead_ = StillBombsText;
        // The option is compared unrounded: "3.5" brings in a fourth still bomb.
        const double wanted = Numbers::leadingNumber(StillBombsText);
        stillBombs_ = FewestStillBombs + (wanted > 3 ? 1 : 0) + (wanted > 4 ? 1 : 0)
            + (wanted > 5 ? 1 : 0);
    }
    return stillBombs_;
}

int GameForm::lastBombInPlay() const { return FirstStillBomb - 1 + stillBombCount(); }

PictureBox& GameForm::bomb(int index) const
{
    PictureBox* element = BombPic(index);
    if (!element) {
        runtime().fatalError(NoSuchElementError,
                             QStringLiteral("Control array element '%1' doesn't exist").arg(index));
    }
    return *element;
}

void GameForm::GetReady()
{
    topTenView_->setEnabled(false);
    optionMenu_->setEnabled(false);
    bugPic_->setTop(BugStartTop);
    bugPic_->setLeft(BugStartLeft);
    // Only the first setup after the window was loaded makes the bombs.
    if (ReadyCount == 1)
        createBombElements();

    const int last = lastBombInPlay();
    for (int i = 0; i <= last; ++i)
        placeAgain(i);
    separate(MovingPairs.data(), MovingPairs.size());
    const size_t still = size_t(stillBombCount());
    separate(StillPairs.data(), still * (still - 1) / 2);

    // The bug is drawn 97 x 108: its last three columns and bottom row keep what they
    // showed before.
    BitBlt(*bugPic_, 0, 0, 97, 108, *srcPic_, 0, 0);
    bugPic_->Refresh();
    bugPic_->setVisible(true);
    pauser_->setEnabled(true);
    kill_->setEnabled(true);
    timer1_->setEnabled(true);
}

void GameForm::createBombElements()
{
    const int last = lastBombInPlay();
    for (int i = 1; i <= last; ++i) {
        if (bombPic_[size_t(i)])
            runtime().fatalError(ElementExistsError, QStringLiteral("Object already loaded"));
        bombPic_[size_t(i)] =
            playfield_->addPicture(BombDesignLeft, BombDesignTop, BombSize, BombSize);
    }
}

void GameForm::separate(const std::pair<int, int>* pairs, size_t count)
{
    size_t i = 0;
    while (i < count) {
        const auto [first, second] = pairs[i];
        if (bombsOverlap(first, second)) {
            placeAgain(first);
            placeAgain(second);
            i = 0;
        } else {
            ++i;
        }
    }
}

bool GameForm::bombsOverlap(int first, int second) const
{
    return boxesOverlap(boxOf(bomb(first)), boxOf(bomb(second)));
}

void GameForm::placeAgain(int index)
{
    if (index <= LastLeftBomb)
        NewLeft(bomb(index));
    else if (index <= LastRightBomb)
        NewRight(bomb(index));
    else
        NewStill(bomb(index));
}

void GameForm::NewStill(PictureBox& ThePic)
{
    ThePic.setTop(BombRanges::stillTop(runtime().rnd()));
    const float r = runtime().rnd();
    ThePic.setLeft(BombRanges::stillLeft(Width(), r));
    ThePic.setVisible(true);
    BitBlt(ThePic, 0, 0, 32, 32, *bombSrc_, 0, 0);
    ThePic.update();
}

void GameForm::NewLeft(PictureBox& ThePic)
{
    ThePic.setTop(BombRanges::movingTop(runtime().rnd()));
    ThePic.setLeft(BombRanges::leftBombLeft(runtime().rnd()));
    ThePic.setVisible(true);
    BitBlt(ThePic, 0, 0, 32, 32, *bombSrc_, 0, 0);
    ThePic.update();
}

void GameForm::NewRight(PictureBox& ThePic)
{
    ThePic.setTop(BombRanges::movingTop(runtime().rnd()));
    const float r = runtime().rnd();
    ThePic.setLeft(BombRanges::rightBombLeft(Width(), r));
    ThePic.setVisible(true);
    BitBlt(ThePic, 0, 0, 32, 32, *bombSrc_, 0, 0);
    ThePic.update();
}
