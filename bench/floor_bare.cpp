// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for start-up: a bare Qt window, the least a Qt program can show.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(596, 487);
    window.show();
    return QApplication::exec();
}
