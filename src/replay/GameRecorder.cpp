// SPDX-License-Identifier: GPL-3.0-or-later
#include "replay/GameRecorder.h"

#include "game/GameForm.h"
#include "platform/Runtime.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <algorithm>

namespace {
// Room for minutes of held keys before the list has to grow (which no tick ever does).
constexpr size_t ReservedEvents = 1 << 14;

ReplayEvent::Kind kindOf(GameForm::Input input)
{
    switch (input) {
    case GameForm::Input::Key: return ReplayEvent::Kind::Key;
    case GameForm::Input::Pause: return ReplayEvent::Kind::Pause;
    case GameForm::Input::FocusPause: return ReplayEvent::Kind::FocusPause;
    case GameForm::Input::Kill: return ReplayEvent::Kind::Kill;
    }
    return ReplayEvent::Kind::End;
}
} // namespace

void GameRecorder::follow(GameForm& form)
{
    QObject::connect(&form, &GameForm::gameStarting, &form, [this, &form] { started(form); });
    QObject::connect(&form, &GameForm::inputTaken, &form,
                     [this, &form](GameForm::Input input, int value) { note(form, kindOf(input), value); });
    QObject::connect(&form, &GameForm::levelWon, &form, [this, &form](double boxSeconds) {
        const double shownMs = std::clamp(boxSeconds * 1000.0, 0.0, double(Replay::MaxBoxMs));
        note(form, ReplayEvent::Kind::Box, int32_t(shownMs));
    });
    QObject::connect(&form, &GameForm::gameEnded, &form,
                     [this, &form](int32_t points) { ended(form, points); });
}

void GameRecorder::started(const GameForm& form)
{
    state_ = State::Recording;
    lastTick_ = form.ticksRun();
    game_.events.clear();
    game_.events.reserve(ReservedEvents);
    const Runtime::RandomPosition position = runtime().randomPosition();
    game_.seed = position.seed;
    game_.draws = position.draws;
    game_.level = Numbers::leadingInt32(StartLevelText);
    game_.stillBombs = form.stillBombCount();
    game_.song = SongNumber;
    game_.name.clear();
    game_.score = 0;
}

void GameRecorder::note(const GameForm& form, ReplayEvent::Kind kind, int32_t value)
{
    if (state_ != State::Recording)
        return;
    game_.events.push_back({uint32_t(form.ticksRun() - lastTick_), kind, value});
    lastTick_ = form.ticksRun();
}

void GameRecorder::ended(const GameForm& form, int32_t points)
{
    if (state_ != State::Recording)
        return;
    note(form, ReplayEvent::Kind::End);
    game_.score = points;
    state_ = State::Over;
}
