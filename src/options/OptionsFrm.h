#pragma once
// Placeholder: the options window lands with the options.
#include <QWidget>

class OptionsFrm : public QWidget {
    Q_OBJECT
public:
    OptionsFrm();
    void Form_Load();
};
