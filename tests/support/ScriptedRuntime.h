// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runtime services for tests: random values come from a queue (so r = 0 and r just
// below 1 can be tested), dialog answers from queues, sleeps return at once and advance a
// fake clock, and every call is recorded.

#include "platform/Runtime.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <stdexcept>

// Thrown where the real program would end with a run-time error.
struct RuntimeErrorRaised : std::runtime_error {
    RuntimeErrorRaised(int code, const QString& description)
        : std::runtime_error(description.toStdString()), code(code) {}
    int code;
};

class ScriptedRuntime final : public Runtime {
public:
    struct MessageCall {
        QString text;
        QString title;
        Buttons buttons;
    };
    struct InputCall {
        QString prompt;
        QString title;
        QString defaultText;
    };

    // Queued random values; when the queue is empty, a seeded generator takes over.
    std::deque<float> randomValues;
    std::deque<Answer> messageAnswers;  // default: Ok for OK boxes, Yes for Yes/No
    std::deque<QString> inputAnswers;   // default: empty text
    // Called at every message box before it answers (lets a test look at the window then).
    std::function<void(const MessageCall&)> onMessage;
    std::function<void(const InputCall&)> onInput;

    QList<MessageCall> messages;
    QList<InputCall> inputs;
    QList<int> sleeps;      // milliseconds asked for, in order
    int randomDraws = 0;
    int randomizeCalls = 0;
    int doEventsCalls = 0;
    QList<bool> busyCursor; // every change of the cursor, in order
    double clockSeconds = 1000.0;
    QString applicationPath = QStringLiteral("/nonexistent/crawlix");
    QSize screen = QSize(1024 * 15, 768 * 15);

    void randomize() override;
    void seed(uint32_t value) override;
    float rnd() override;
    // The seed last given and the generator's draws since (queued values not counted).
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
    uint32_t state_ = 12345;
    RandomPosition position_{12345, 0};
};

// Installs a fresh ScriptedRuntime for the life of the object.
class ScopedScriptedRuntime {
public:
    ScopedScriptedRuntime() { setRuntime(&services); }
    ~ScopedScriptedRuntime() { setRuntime(nullptr); }
    ScriptedRuntime services;
};
