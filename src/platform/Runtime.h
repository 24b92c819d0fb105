// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game takes from the language runtime and the operating system goes through
// this one interface: random numbers, the clock, sleeping, one pass over pending events,
// the modal message and input boxes, the program's folder and the screen size.
// The program installs QtRuntime; tests install a scripted one.

#include <QSize>
#include <QString>
#include <cstdint>

class QWidget;

class Runtime {
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~Runtime() = default;

    // Seeds the random generator from the clock (every load of the title and game windows).
    virtual void randomize() = 0;
    // Seeds the random generator with a fixed value.
    virtual void seed(uint32_t value) = 0;
    // A uniform random number in [0, 1), single precision.
    virtual float rnd() = 0;
    // Where the generator stands: its last seed and the numbers drawn since. Seeding with
    // that seed and drawing as many numbers brings it back there (a replay starts so).
    struct RandomPosition {
        uint32_t seed = 0;
        uint64_t draws = 0;
    };
    virtual RandomPosition randomPosition() const = 0;

    // Seconds on a monotonic clock; only differences mean anything.
    virtual double monotonicSeconds() = 0;
    // Blocks the thread; no window event is handled meanwhile.
    virtual void sleepMs(int milliseconds) = 0;
    // One pass over the pending window events.
    virtual void doEvents() = 0;

    // A modal message box with the given text and title, no icon.
    virtual Answer msgBox(const QString& text, const QString& title, Buttons buttons) = 0;
    // A modal text-input box; empty text when the player cancels.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    // Shows the busy cursor over every window of the game, or the usual cursor again.
    virtual void setBusyCursor(bool busy) = 0;

    // The folder that holds the program file, without a trailing separator.
    virtual QString appPath() = 0;
    // The screen size in twips (15 twips to the pixel).
    virtual QSize screenTwips() = 0;

    // A run-time error that nothing traps (an integer overflow, say): the player is told
    // and the program ends. Never returns.
    [[noreturn]] virtual void fatalError(int code, const QString& description) = 0;
};

// The busy cursor while it lives: set before a wait the player should see, restored after.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The runtime the game uses. Set once at start-up (or by a test); never null after that.
Runtime& runtime();
void setRuntime(Runtime* services);
