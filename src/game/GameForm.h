#pragma once
// Placeholder: the game window lands with the game.
#include <QMainWindow>

class GameForm : public QMainWindow {
    Q_OBJECT
public:
    GameForm();
    void Form_Load();
};
