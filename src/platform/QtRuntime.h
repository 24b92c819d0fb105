// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Runtime.h"

#include <QElapsedTimer>
#include <QPointer>
#include <random>

class QWidget;

// The runtime services of the real program, over Qt.
class QtRuntime final : public Runtime {
public:
    QtRuntime();

    void randomize() override;
    void seed(uint32_t value) override;
    float rnd() override;
    RandomPosition randomPosition() const override;
    double monotonicSeconds() override;
    void sleepMs(int milliseconds) override;
    void doEvents() override;
    Answer msgBox(const QString& text, const QString& title, Buttons buttons) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    void setBusyCursor(bool busy) override;
    QString appPath() override;
    QSize screenTwips() override;
    [[noreturn]] void fatalError(int code, const QString& description) override;

private:
    // The window a box belongs to: the active one, or else the one that asked last.
    QWidget* dialogOwner();

    std::mt19937 engine_;
    RandomPosition position_;
    QPointer<QWidget> lastOwner_;
    QElapsedTimer clock_;
};
