// SPDX-License-Identifier: GPL-3.0-or-later
// What one tick of the game costs with a full field, and what painting one frame of the
// playfield costs.

#include "ScriptedRuntime.h"
#include "TempDataHome.h"
#include "game/GameForm.h"
#include "game/Playfield.h"
#include "platform/PictureBox.h"
#include "shared/Declarations.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
// A loaded window in a running game with twelve bombs, invincible so it never ends.
struct RunningGame {
    TempDataHome home;
    ScopedScriptedRuntime scripted;
    std::unique_ptr<GameForm> form;

    RunningGame()
    {
        ResetDeclarations();
        form = std::make_unique<GameForm>();
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->setSoundPlayer([](const QString&) {});
        form->Form_Load();
        StartLevelText = QStringLiteral("5");
        StillBombsText = QStringLiteral("6");
        form->NewMenu_Click();
        form->setTag(QStringLiteral("698270"));
        form->show();
    }
};

void oneTickWithTwelveBombs(benchmark::State& state)
{
    RunningGame game;
    for (auto _ : state)
        game.form->Timer1_Timer();
    benchmark::DoNotOptimize(game.form->BombPic(0)->Left());
}
BENCHMARK(oneTickWithTwelveBombs);

void paintingOneFrameOfThePlayfield(benchmark::State& state)
{
    RunningGame game;
    Playfield& field = *game.form->playfield();
    QImage frame(field.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        game.form->Timer1_Timer();
        QPainter painter(&frame);
        field.render(&painter);
    }
    benchmark::DoNotOptimize(frame.constBits());
}
BENCHMARK(paintingOneFrameOfThePlayfield)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
