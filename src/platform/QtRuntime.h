#pragma once

#include "platform/Runtime.h"

#include <QElapsedTimer>
#include <random>

// The runtime services of the real program, over Qt.
class QtRuntime final : public Runtime {
public:
    QtRuntime();

    void randomize() override;
    void seed(uint32_t value) override;
    float rnd() override;
    double monotonicSeconds() override;
    void sleepMs(int milliseconds) override;
    void doEvents() override;
    Answer msgBox(const QString& text, const QString& title, Buttons buttons) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString appPath() override;
    QSize screenTwips() override;
    [[noreturn]] void fatalError(int code, const QString& description) override;

private:
    std::mt19937 engine_;
    QElapsedTimer clock_;
};
