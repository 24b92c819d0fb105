#include "shared/Forms.h"

#include "game/GameForm.h"
#include "options/OptionsFrm.h"
#include "scores/TopTen.h"
#include "title/Splash.h"

#include <QApplication>
#include <QPointer>

namespace {
QPointer<GameForm> gameForm;
QPointer<OptionsFrm> optionsFrm;
QPointer<Splash> splash;
// One top ten window object for the whole run; closing it only unloads it.
QPointer<TopTen> topTen;

// Loads a window that closes for good (deleted on close) and shows it.
template <typename Form>
Form* loadAndShow(QPointer<Form>& slot)
{
    if (!slot) {
        slot = new Form;
        slot->Form_Load();
    }
    slot->show();
    return slot;
}

template <typename Form>
void unload(QPointer<Form>& slot)
{
    Form* form = slot.data();
    slot.clear();
    if (form)
        form->close(); // deleted on close
}
} // namespace

GameForm* ShowGameForm() { return loadAndShow(gameForm); }
OptionsFrm* ShowOptionsFrm() { return loadAndShow(optionsFrm); }
Splash* ShowSplash() { return loadAndShow(splash); }

TopTen* ShowTopTen()
{
    if (!topTen)
        topTen = new TopTen;
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

void EndProgram()
{
    UnloadSplash();
    UnloadOptionsFrm();
    UnloadGameForm();
    if (topTen)
        delete topTen.data();
    QApplication::quit();
}
