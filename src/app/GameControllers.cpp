// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/GameControllers.h"

#include "app/Forms.h"
#include "game/FormButton.h"
#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "platform/SoundLibrary.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
QPointer<ControllerKeys> controllerKeys;
} // namespace

ControllerKeys::Play GamePlayOf(const GameForm* form)
{
    if (!form || !form->Pauser()->isEnabled())
        return ControllerKeys::Play::BetweenGames;
    return form->Timer1()->Enabled() ? ControllerKeys::Play::Running : ControllerKeys::Play::Paused;
}

void StartGameControllers()
{
    SoundModule* module = SoundLibrary::load();
    if (controllerKeys || !module)
        return;
    controllerKeys = new ControllerKeys(
        *module, [] { return GamePlayOf(LoadedGameForm()); }, QCoreApplication::instance());
    QObject::connect(controllerKeys, &ControllerKeys::controllerPulledOut, [] {
        if (GameForm* form = LoadedGameForm())
            form->pauseOnFocusLoss();
    });
}
