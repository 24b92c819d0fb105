// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Forms.h"

#include "game/GameForm.h"
#include "options/OptionsFrm.h"
#include "shared/HandOver.h"
#include "platform/PlayASound.h"
#include "platform/Twips.h"
#include "replay/GameRecorder.h"
#include "replay/ReplayShelf.h"
#include "scores/TopTen.h"
#include "title/Splash.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include <algorithm>

namespace {
QPointer<GameForm> gameForm;
QPointer<OptionsFrm> optionsFrm;
QPointer<Splash> splash;
// One top ten window object for the whole run; closing it only unloads it.
QPointer<TopTen> topTen;
// What records the games of every game window, when they are recorded.
GameRecorder* recorder = nullptr;

// The slot is cleared first, so a window that is being unloaded is never handed out again.
// The window hides at once and is deleted when control returns to the event loop (it may
// be the window whose handler is running now).
template <typename Form>
void unload(QPointer<Form>& slot)
{
    Form* form = slot.data();
    slot.clear();
    if (!form)
        return;
    form->close();
    form->deleteLater();
}

// Answers what the window in the slot asks for, while it lives.
template <typename Form>
void wire(QPointer<Form>& slot)
{
    Form* form = slot.data();
    HandOver* asks = &form->handOver();
    QObject::connect(asks, &HandOver::gameFormWanted, [] { ShowGameForm(); });
    QObject::connect(asks, &HandOver::optionsFrmWanted, [] { ShowOptionsFrm(); });
    QObject::connect(asks, &HandOver::topTenWanted, [] { ShowTopTen(); });
    // A window already unloaded, still finishing its handler, has nothing left to unload.
    QObject::connect(asks, &HandOver::unloadWanted, [&slot, form] {
        if (slot == form)
            unload(slot);
    });
    QObject::connect(asks, &HandOver::endWanted, [] { EndProgram(); });
}

// Moves the window up and left, as far as needed for it to fit within the screen's
// available area, but never past that area's top-left corner: on a screen too small for it
// (a large scale on a low screen), its title bar and menu stay within reach.
void keepOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    const int x = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
    const int y = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
    if (QPoint(x, y) != frame.topLeft())
        window->move(x, y);
}

bool centredOnScreen(const QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen || !window->isVisible())
        return false;
    const QPoint offset = window->frameGeometry().center() - screen->availableGeometry().center();
    return offset.manhattanLength() <= 2;
}

// Fits a window on the screen whenever it is shown, and once more when the window manager
// has first put its frame around it (a move that reveals the frame); in between, the
// player places it.
class OnScreen : public QObject {
public:
    explicit OnScreen(QWidget* window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show) {
            keepOnScreen(window);
        } else if (event->type() == QEvent::Move && !framed_
                   && window->frameGeometry() != window->geometry()) {
            framed_ = true;
            keepOnScreen(window);
        }
        return false;
    }

private:
    bool framed_ = false;
};

// Loads a window that closes for good (deleted on close) and shows it.
template <typename Form>
Form* loadAndShow(QPointer<Form>& slot)
{
    if (!slot) {
        slot = new Form;
        wire(slot);
        slot->Form_Load();
        new OnScreen(slot);
    }
    slot->show();
    return slot;
}
} // namespace

GameForm* ShowGameForm()
{
    const bool loading = !gameForm;
    GameForm* form = loadAndShow(gameForm);
    if (loading && recorder)
        WireRecording(*form, *recorder);
    return form;
}
OptionsFrm* ShowOptionsFrm() { return loadAndShow(optionsFrm); }
Splash* ShowSplash() { return loadAndShow(splash); }

TopTen* ShowTopTen()
{
    if (!topTen) {
        topTen = new TopTen;
        WireShelf(*topTen);
    }
    if (!topTen->loaded()) {
        topTen->setLoaded(true);
        topTen->Form_Load();
    }
    topTen->show();
    topTen->raise();
    return topTen;
}

void UnloadGameForm() { unload(gameForm); }
void UnloadOptionsFrm() { unload(optionsFrm); }
void UnloadSplash() { unload(splash); }

GameForm* LoadedGameForm() { return gameForm; }
OptionsFrm* LoadedOptionsFrm() { return optionsFrm; }
TopTen* LoadedTopTen() { return topTen && topTen->loaded() ? topTen.data() : nullptr; }
Splash* LoadedSplash() { return splash; }

void RecordGames(GameRecorder& games) { recorder = &games; }

void WireRecording(GameForm& form, GameRecorder& games)
{
    games.follow(form);
    QObject::connect(&form, &GameForm::entryStored, &form, [&games](int rank, const QString& name) {
        ReplayShelf::enter(rank, games.finishedGame(), name);
    });
}

void WireShelf(TopTen& window)
{
    QObject::connect(&window, &TopTen::listCleared, &window, [] { ReplayShelf::clear(); });
}

void ZoomAllWindows(int percent)
{
    Twips::setZoom(percent);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
            continue;
        const bool centred = centredOnScreen(window);
        Twips::applyZoom(window);
        if (centred) {
            QRect frame = window->frameGeometry();
            frame.moveCenter(window->screen()->availableGeometry().center());
            window->move(frame.topLeft());
        }
        if (window->isVisible())
            keepOnScreen(window);
    }
}

void EndProgram()
{
    UnloadSplash();
    UnloadOptionsFrm();
    UnloadGameForm();
    // The top ten window is never the one whose handler ends the program, so it can go
    // at once; the others are deleted when control returns to the event loop.
    if (topTen) {
        topTen->close();
        delete topTen.data();
    }
    // The music stops now, not when the game window is finally deleted.
    Audio::close();
    // Leaves every event loop, nested ones (an open message box) included. Not quit(),
    // which only asks, and is turned down while any window is still visible.
    QCoreApplication::exit(0);
}
