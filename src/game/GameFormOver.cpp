// SPDX-License-Identifier: GPL-3.0-or-later
// Game over: the explosion, the cleared field, and a place in the top ten for a score
// that earns one.

#include "game/FormButton.h"
#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "platform/Hive.h"
#include "platform/PictureBox.h"
#include "platform/Runtime.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QAction>

namespace {
constexpr int ExplosionHoldMs = 3700;
constexpr int LastRank = 9; // rank 10 in the list

const QString NamePrompt = QStringLiteral("Enter your name to be added to the Top Ten List.");
const QString NamePromptTitle = QStringLiteral("Top Ten Addition");
const QString AppTitle = QStringLiteral("Crawlix");
const QString EntryNotStored = QStringLiteral(
    "Your score could not be added to the Top Ten List: the data file could not be written.\n\n%1");
} // namespace

void GameForm::EndGame(PictureBox& TheBomb)
{
    emit gameEnded(Points);
    pauser_->setEnabled(false);
    kill_->setEnabled(false);
    // By bare name: looked up where the program was started, then beside it.
    playSound_(QStringLiteral("explode.wav"));
    BitBlt(TheBomb, 0, 0, 32, 32, *bombSrc_, 32, 0);
    BitBlt(*bugPic_, 0, 0, 100, 109, *srcPic_, 100, 0);
    // Painted now, so the explosion is on screen for the whole hold.
    TheBomb.Refresh();
    bugPic_->Refresh();
    timer1_->setEnabled(false);
    runtime().sleepMs(ExplosionHoldMs);
    hidePlayfield();
    offerTopTenPlace();
    topTenView_->setEnabled(true);
    optionMenu_->setEnabled(true);
}

void GameForm::hidePlayfield()
{
    bugPic_->setVisible(false);
    const int last = lastBombInPlay();
    for (int i = 0; i <= last; ++i)
        bomb(i).setVisible(false);
}

void GameForm::offerTopTenPlace()
{
    // A tie with rank 10 does not earn a place; a game not played here earns none at all.
    if (!(Numbers::scoreValue(TopList[LastRank].Score) < double(Points)) || !playerInputs_)
        return;
    QString name;
    while (name.isEmpty())
        name = runtime().inputBox(NamePrompt, NamePromptTitle, QString());
    UpdateTopten(name);
    LoadTopTen();
}

void GameForm::UpdateTopten(const QString& NewName)
{
    // The player is told when the score could not be kept, never led to think it was.
    const auto filed = [&](int rank, const QString& listedName) { emit entryStored(rank, listedName); };
    if (!InsertTopTen(NewName, Points, filed))
        runtime().msgBox(EntryNotStored.arg(Hive::unwritable()), AppTitle, Runtime::Buttons::Ok);
}
