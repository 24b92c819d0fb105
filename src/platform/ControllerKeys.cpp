// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ControllerKeys.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QStyleHints>
#include <QTextStream>
#include <QWindow>

// Qt's own way into a window's key handling, the one its test library types with: the key
// goes through the shortcuts and the menu bar's keys, then to the focused widget or the
// open menu, exactly as a key from the keyboard. Qt exports it for good (its test library's
// inline functions call it), so it needs none of Qt's private headers.
void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                       const QString& text, bool autoRepeat, ushort count);

namespace {
struct PadKeys {
    PadInput input;
    QKeyCombination key;     // between games, and in every window but the game's
    QKeyCombination inLevel; // while a level is in play, paused or not
    bool repeats;            // held, it repeats as a held key does
};

// What each input of a controller says: the keys the windows already take.
constexpr std::array<PadKeys, PadInputCount> Mapping = {{
    {PadInput::Up, Qt::Key_Up, Qt::Key_Up, true},
    {PadInput::Down, Qt::Key_Down, Qt::Key_Down, true},
    {PadInput::Left, Qt::Key_Left, Qt::Key_Left, true},
    {PadInput::Right, Qt::Key_Right, Qt::Key_Right, true},
    {PadInput::A, Qt::Key_Return, Qt::Key_Return, false},
    {PadInput::B, Qt::Key_Escape, Qt::Key_Escape, false},
    {PadInput::Start, Qt::CTRL | Qt::Key_N, Qt::Key_P, false},
    {PadInput::Y, Qt::CTRL | Qt::Key_H, Qt::CTRL | Qt::Key_H, false},
    {PadInput::Back, Qt::ALT | Qt::Key_G, Qt::ALT | Qt::Key_G, false},
}};

// While a level runs, a press reaches the game within a tick; otherwise the controllers are
// read some seventeen times a second, quick enough for the menus and boxes.
constexpr int ReadWhilePlayingMs = 15;
constexpr int ReadOtherwiseMs = 60;
// Qt tells the desktop's repeat rate but not its delay; this is the usual desktop's.
constexpr int RepeatDelayMs = 500;
constexpr int DefaultRepeatRate = 30;
constexpr int MsPerSecond = 1000;

const PadKeys& keysOf(PadInput input)
{
    for (const PadKeys& keys : Mapping) {
        if (keys.input == input)
            return keys;
    }
    return Mapping.front();
}

// The text a keyboard sends with the key, which text fields and dialogs look at.
QString textOf(QKeyCombination key)
{
    if (key.keyboardModifiers() != Qt::NoModifier)
        return {};
    if (key.key() == Qt::Key_Return)
        return QStringLiteral("\r");
    if (key.key() == Qt::Key_Escape)
        return QString(QChar(u'\x1b'));
    if (key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return QString(QChar(char16_t(u'a' + (key.key() - Qt::Key_A))));
    return {};
}
} // namespace

ControllerKeys::ControllerKeys(SoundModule& module, std::function<Play()> play, QObject* parent)
    : QObject(parent)
    , module_(module)
    , play_(std::move(play))
{
    connect(&look_, &QTimer::timeout, this, &ControllerKeys::read);
    repeat_.setSingleShot(true);
    connect(&repeat_, &QTimer::timeout, this, &ControllerKeys::repeatHeld);
    const int descriptor = module_.openControllers();
    if (descriptor >= 0) {
        watch_ = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(watch_, &QSocketNotifier::activated, this, &ControllerKeys::read);
    }
    read(); // the controllers plugged in before the game started
}

ControllerKeys::~ControllerKeys() = default;

void ControllerKeys::read()
{
    if (module_.readControllers(*this) == 0) {
        look_.stop();
        return;
    }
    const int every = play_() == Play::Running ? ReadWhilePlayingMs : ReadOtherwiseMs;
    if (!look_.isActive() || look_.interval() != every)
        look_.start(every);
}

void ControllerKeys::padPressed(PadInput input)
{
    const PadKeys& keys = keysOf(input);
    const QKeyCombination key = play_() == Play::BetweenGames ? keys.key : keys.inLevel;
    down_[std::size_t(input)] = key;
    send(key, true, false);
    if (keys.repeats) {
        repeating_ = key;
        repeat_.start(RepeatDelayMs);
    }
}

void ControllerKeys::padReleased(PadInput input)
{
    const QKeyCombination key = down_[std::size_t(input)];
    send(key, false, false);
    if (key == repeating_) {
        repeat_.stop();
        repeating_ = QKeyCombination();
    }
}

void ControllerKeys::repeatHeld()
{
    send(repeating_, true, true);
    const int rate = QGuiApplication::styleHints()->keyboardAutoRepeatRate();
    repeat_.start(MsPerSecond / (rate > 0 ? rate : DefaultRepeatRate));
}

void ControllerKeys::controllerRemoved()
{
    QMetaObject::invokeMethod(this, [this] { emit controllerPulledOut(); }, Qt::QueuedConnection);
}

void ControllerKeys::controllerUnusable(const char* name)
{
    QTextStream(stderr) << "crawlix: the game controller \"" << QString::fromUtf8(name)
                        << "\" is not usable: it has no direction pad, stick or button" << Qt::endl;
}

// Delivered from the event loop, as the keyboard's keys are: a key that opens a box (the
// congratulation) waits in it without holding up the reading of the controllers. The key
// goes where a key from the keyboard would go: to the window with the focus, and to none
// while another program has it.
void ControllerKeys::send(QKeyCombination key, bool press, bool autoRepeat)
{
    QMetaObject::invokeMethod(
        this,
        [key, press, autoRepeat] {
            QWindow* window = QGuiApplication::focusWindow();
            if (!window)
                return;
            qt_handleKeyEvent(window, press ? QEvent::KeyPress : QEvent::KeyRelease, key.key(),
                              press ? key.keyboardModifiers() : Qt::NoModifier, textOf(key),
                              autoRepeat, 1);
        },
        Qt::QueuedConnection);
}
