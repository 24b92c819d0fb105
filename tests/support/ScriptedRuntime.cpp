// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedRuntime.h"

void ScriptedRuntime::randomize() { ++randomizeCalls; }

void ScriptedRuntime::seed(uint32_t value)
{
    state_ = value ? value : 1;
    position_ = {value, 0};
}

Runtime::RandomPosition ScriptedRuntime::randomPosition() const { return position_; }

float ScriptedRuntime::rnd()
{
    ++randomDraws;
    if (!randomValues.empty()) {
        const float value = randomValues.front();
        randomValues.pop_front();
        return value;
    }
    ++position_.draws;
    // xorshift32: plenty for spreading test placements about.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return float(state_ >> 8) * 0x1.0p-24f;
}

double ScriptedRuntime::monotonicSeconds() { return clockSeconds; }

void ScriptedRuntime::sleepMs(int milliseconds)
{
    sleeps.append(milliseconds);
    clockSeconds += milliseconds / 1000.0;
}

void ScriptedRuntime::doEvents() { ++doEventsCalls; }

void ScriptedRuntime::setBusyCursor(bool busy) { busyCursor.append(busy); }

Runtime::Answer ScriptedRuntime::msgBox(const QString& text, const QString& title,
                                        Buttons buttons)
{
    const MessageCall call{text, title, buttons};
    messages.append(call);
    if (onMessage)
        onMessage(call);
    if (!messageAnswers.empty()) {
        const Answer answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

QString ScriptedRuntime::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText)
{
    const InputCall call{prompt, title, defaultText};
    inputs.append(call);
    if (onInput)
        onInput(call);
    if (inputAnswers.empty())
        return QString();
    const QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedRuntime::appPath() { return applicationPath; }

QSize ScriptedRuntime::screenTwips() { return screen; }

void ScriptedRuntime::fatalError(int code, const QString& description)
{
    throw RuntimeErrorRaised(code, description);
}
