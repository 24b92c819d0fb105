// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A loaded game window for the game's tests: the scripted runtime, a hive of its own, a
// known outer size and a record of every sound the window plays.

#include "ScriptedRuntime.h"
#include "TempDataHome.h"
#include "game/FormButton.h"
#include "game/FormLabel.h"
#include "game/GameForm.h"
#include "game/GameTimer.h"
#include "platform/PictureBox.h"
#include "platform/SpriteSheets.h"
#include "shared/Declarations.h"

#include <QAction>
#include <QStringList>

#include <memory>

// However busy the machine, a shown window is up by then.
constexpr int WindowWaitMs = 60000;

// The outer size the game opens with: the 8940 x 7000 client area and its frame.
constexpr float TestWidth = 9060.0f;
constexpr float TestHeight = 7720.0f;

struct LoadedGame {
    TempDataHome home;
    ScopedScriptedRuntime scripted;
    ScriptedRuntime& rt = scripted.services;
    std::unique_ptr<GameForm> form;
    QStringList sounds;

    explicit LoadedGame(const QString& startLevel = QStringLiteral("1"),
                        const QString& stillBombs = QStringLiteral("3"))
    {
        ResetDeclarations();
        rt.seed(2024);
        form = std::make_unique<GameForm>();
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        form->setSoundPlayer([this](const QString& path) { sounds.append(path); });
        form->Form_Load();
        form->setOuterSizeForTest(TestWidth, TestHeight);
        StartLevelText = startLevel;
        StillBombsText = stillBombs;
    }
    ~LoadedGame()
    {
        form.reset();
        ResetDeclarations();
    }

    GameForm& game() { return *form; }
    PictureBox& bug() { return *form->BugPic(); }
    PictureBox& bomb(int index) { return *form->BombPic(index); }
    bool timerOn() const { return form->Timer1()->Enabled(); }

    // Every bomb well away from the bug and from each other, on the top rows.
    void clearBombsAwayFromBug()
    {
        for (int i = 0; i < GameForm::MaxBombs; ++i) {
            if (PictureBox* element = form->BombPic(i))
                element->move(float(700 + 600 * i), 400.0f);
        }
    }
    // Sets the bomb so that its box overlaps the bug's by the given amount of twips.
    void putOnBug(int index)
    {
        bomb(index).move(bug().Left() + 100.0f, bug().Top() + 100.0f);
    }
};

// The picture of a cell of a sprite sheet, at the scale the pictures use.
inline QImage sheetCell(const QImage& sheet, int x, int y, int width, int height)
{
    const int scale = PictureBox::spriteScale();
    QImage cell = sheet.copy(x * scale, y * scale, width * scale, height * scale);
    cell.setDevicePixelRatio(1);
    return cell.convertToFormat(QImage::Format_RGB32);
}

inline QImage pictureArea(const PictureBox& picture, int x, int y, int width, int height)
{
    const int scale = PictureBox::spriteScale();
    QImage area = picture.image().copy(x * scale, y * scale, width * scale, height * scale);
    area.setDevicePixelRatio(1);
    return area.convertToFormat(QImage::Format_RGB32);
}

inline QImage plainBomb() { return sheetCell(SpriteSheets::bombs(PictureBox::spriteScale()), 0, 0, 32, 32); }
inline QImage explodedBomb() { return sheetCell(SpriteSheets::bombs(PictureBox::spriteScale()), 32, 0, 32, 32); }
inline QImage plainBug() { return sheetCell(SpriteSheets::bug(PictureBox::spriteScale()), 0, 0, 100, 109); }
inline QImage explodingBug() { return sheetCell(SpriteSheets::bug(PictureBox::spriteScale()), 100, 0, 100, 109); }
