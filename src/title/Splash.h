#pragma once
// Placeholder: the title screen lands with the start-up.
#include <QWidget>

class Splash : public QWidget {
    Q_OBJECT
public:
    Splash();
    void Form_Load();
};
