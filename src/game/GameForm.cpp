// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/GameForm.h"

#include "game/FormButton.h"
#include "game/FormLabel.h"
#include "game/GameTimer.h"
#include "game/Playfield.h"
#include "options/Options.h"
#include "platform/PictureBox.h"
#include "platform/PlayASound.h"
#include "platform/Runtime.h"
#include "platform/SpriteSheets.h"
#include "platform/Twips.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QApplication>
#include <QMenuBar>
#include <QShortcut>
#include <QWindow>

#include <cmath>

namespace {
// The client area below the menu bar: the design width, and tall enough for the bug's
// start (down to 6675) and the walls (down to 7000).
constexpr float ClientWidthTwips = 8940.0f;
constexpr float ClientHeightTwips = 7000.0f;
// The game measures its playfield from the window's outer size, as a Windows window counts
// it: the client area plus a 4-pixel border on each side, a 20-pixel caption and a 20-pixel
// menu bar. Window managers on Linux draw frames of every size, so this nominal frame is
// what the game counts, whatever frame is drawn; the ranges come out the same everywhere.
constexpr float BorderTwips = 60.0f;
constexpr float CaptionTwips = 300.0f;
constexpr float MenuBarTwips = 300.0f;
constexpr float FrameWidthTwips = 2 * BorderTwips;
constexpr float FrameHeightTwips = 2 * BorderTwips + CaptionTwips + MenuBarTwips;

constexpr int TimerIntervalMs = 15;

// The window's title is empty, but a window system shows the program's name in an empty
// title bar; a zero-width space keeps the bar truly blank.
const QString BlankTitleBar = QStringLiteral("\u200B");
const QString PauseCaption = QStringLiteral("Pause");
const QString UnpauseCaption = QStringLiteral("Unpause");

constexpr int OverflowError = 6;

// 12 point at 96 dots per inch, set in pixels so the layout does not follow the screen.
constexpr int LabelFontPixels = 16;
constexpr int ButtonFontPixels = 11;
const QColor ButtonFace(192, 192, 192);
const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor DarkGreen(0, 128, 0);

const QString LabelFamily = QStringLiteral("Times New Roman");
const QString LabelFamilyStandIn = QStringLiteral("Liberation Serif");
const QString ButtonFamily = QStringLiteral("Liberation Sans");

QFont labelFont()
{
    QFont font(LabelFamily);
    font.setPixelSize(LabelFontPixels);
    font.setBold(true);
    // Times New Roman itself, or its metric twin; never some other serif.
    const QString found = QFontInfo(font).family();
    if (found != LabelFamily && found != LabelFamilyStandIn)
        font.setFamily(LabelFamilyStandIn);
    return font;
}

int32_t levelFromText(const QString& text)
{
    bool fits = true;
    const int32_t level = Numbers::leadingInt32(text, &fits);
    if (!fits)
        runtime().fatalError(OverflowError, QStringLiteral("Overflow"));
    return level;
}
} // namespace

GameForm::GameForm()
    : line1_{600.0f, 7000.0f, 600.0f, 0.0f, Red}
    , line2_{8880.0f, 7000.0f, 8880.0f, 0.0f, Red}
    , line3_{600.0f, 360.0f, 8880.0f, 360.0f, Green}
    , playSound_([](const QString& path) { PlaySoundFile(path); })
    , outerWidth_(ClientWidthTwips + FrameWidthTwips)
    , outerHeight_(ClientHeightTwips + FrameHeightTwips)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    useGreyPalette();

    buildMenu();
    buildControls();
    playfield_->installEventFilter(this);
    applyOuterSize();
    move(Twips::pixels(360.0f), Twips::pixels(495.0f));
    playfield_->setFocus();
}

GameForm::~GameForm() = default;

// The window and its buttons are button-face grey. The palette is registered once for the
// class, not set on each loaded window: the style caches its button pictures by palette, and
// a palette made afresh at every load would leave a set of them behind at every load.
void GameForm::useGreyPalette()
{
    const char* const className = staticMetaObject.className();
    if (QApplication::palette(className).color(QPalette::Window) != ButtonFace) {
        QPalette grey = QApplication::palette();
        grey.setColor(QPalette::Window, ButtonFace);
        grey.setColor(QPalette::Button, ButtonFace);
        // Taken as the window's natural colours, which its children inherit unchanged.
        grey.setResolveMask(0);
        QApplication::setPalette(grey, className);
    }
    // The palette was first chosen while this was still a plain main window; choose again.
    setPalette(QPalette());
}

void GameForm::buildMenu()
{
    menuBar()->setNativeMenuBar(false);
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&Game"));
    newMenu_ = fileMenu_->addAction(QStringLiteral("&New Game"));
    topTenView_ = fileMenu_->addAction(QStringLiteral("&View Top Ten"));
    optionMenu_ = fileMenu_->addAction(QStringLiteral("&Options"));
    exitMenu_ = fileMenu_->addAction(QStringLiteral("&Exit"));
    connect(newMenu_, &QAction::triggered, this, [this] {
        if (playerInputs_)
            NewMenu_Click();
    });
    connect(topTenView_, &QAction::triggered, this, [this] { TopTenView_Click(); });
    connect(optionMenu_, &QAction::triggered, this, [this] { OptionMenu_Click(); });
    connect(exitMenu_, &QAction::triggered, this, [this] { ExitMenu_Click(); });
    addMenuKey(newMenu_, Qt::CTRL | Qt::Key_N);
    addMenuKey(exitMenu_, Qt::CTRL | Qt::Key_Q);
    addMenuKey(topTenView_, Qt::CTRL | Qt::Key_H);
}

// The keys a desktop player expects, kept out of the menu so that its texts stay as they
// are. A key chooses its item only while the item is enabled, and once however long it
// is held.
void GameForm::addMenuKey(QAction* item, QKeySequence key)
{
    auto* shortcut = new QShortcut(key, this);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, item, [item] {
        if (item->isEnabled())
            item->trigger();
    });
}

void GameForm::buildControls()
{
    playfield_ = new Playfield(this, [this](int16_t keyCode, int16_t shift) {
        if (playerInputs_)
            BombPic_KeyDown(0, keyCode, shift);
    });
    playfield_->setLines({&line1_, &line2_, &line3_});
    setCentralWidget(playfield_);

    // Labels first: pictures pass over them, as they did on the original window.
    levBox_ = new FormLabel(playfield_, 720.0f, 0.0f, 885.0f, 285.0f);
    pointBox_ = new FormLabel(playfield_, 1920.0f, 0.0f, 930.0f, 285.0f);
    for (FormLabel* label : {levBox_, pointBox_})
        Twips::setFont(label, labelFont());
    for (auto [label, colour] : {std::pair{levBox_, Red}, std::pair{pointBox_, DarkGreen}}) {
        QPalette text = label->palette();
        text.setColor(QPalette::WindowText, colour);
        label->setPalette(text);
    }
    levBox_->setCaption(QStringLiteral("Level : 0"));
    pointBox_->setCaption(QStringLiteral("Points : 0"));

    pauser_ = new FormButton(playfield_, QStringLiteral("Pause"), 6600.0f, 0.0f, 1095.0f, 375.0f);
    kill_ = new FormButton(playfield_, QStringLiteral("Self Distruct"), 7680.0f, 0.0f, 1095.0f,
                           375.0f);
    QFont buttonFont(ButtonFamily);
    buttonFont.setPixelSize(ButtonFontPixels);
    for (FormButton* button : {pauser_, kill_}) {
        Twips::setFont(button, buttonFont);
        button->setEnabled(false);
    }
    connect(pauser_, &QPushButton::clicked, this, [this] {
        if (playerInputs_)
            Pauser_Click();
    });
    connect(kill_, &QPushButton::clicked, this, [this] {
        if (playerInputs_)
            Kill_Click();
    });

    // Pictures pass over the labels and buttons, and a shown one catches their clicks.
    playfield_->coverWithPictures(pauser_);
    playfield_->coverWithPictures(kill_);
    bugPic_ = playfield_->addPicture(3840.0f, 5040.0f, 1500.0f, 1635.0f);
    bombPic_[0] = playfield_->addPicture(120.0f, 120.0f, 480.0f, 480.0f);
    srcPic_ = playfield_->addPicture(120.0f, 720.0f, 3060.0f, 1695.0f, 2);
    bombSrc_ = playfield_->addPicture(120.0f, 2520.0f, 1020.0f, 540.0f, 2);
    srcPic_->setPicture(SpriteSheets::bug);
    bombSrc_->setPicture(SpriteSheets::bombs);

    timer1_ = new GameTimer(this, [this] { Timer1_Timer(); });
}

void GameForm::setOuterSizeForTest(float widthTwips, float heightTwips)
{
    outerWidth_ = widthTwips;
    outerHeight_ = heightTwips;
    applyOuterSize();
}

void GameForm::applyOuterSize()
{
    // The client area is what is left of the outer size inside the nominal frame; the
    // window keeps that size (it cannot be resized by the player).
    Twips::setFixedSize(playfield_, std::max(outerWidth_ - FrameWidthTwips, Twips::PerPixel),
                        std::max(outerHeight_ - FrameHeightTwips, Twips::PerPixel));
    setFixedSize(playfield_->width(), playfield_->height() + menuBar()->sizeHint().height());
}

PictureBox* GameForm::BombPic(int index) const
{
    if (index < 0 || index >= MaxBombs)
        return nullptr;
    return bombPic_[size_t(index)];
}

int GameForm::bombElementCount() const
{
    int count = 0;
    for (const PictureBox* element : bombPic_)
        count += element ? 1 : 0;
    return count;
}

void GameForm::keyPressEvent(QKeyEvent* event)
{
    // A press that reaches the window itself (the field lost the focus) still plays.
    if (!pauseKey(*event))
        playfield_->forwardKey(*event);
    event->accept();
}

bool GameForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == playfield_ && event->type() == QEvent::KeyPress
        && pauseKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// P and the Pause key are the pause button's keys, and only while the button is enabled;
// no game key does anything with them. A held key presses the button once.
bool GameForm::pauseKey(const QKeyEvent& event)
{
    const bool pressesPause = event.key() == Qt::Key_P || event.key() == Qt::Key_Pause;
    const Qt::KeyboardModifiers chords =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (!pressesPause || (event.modifiers() & chords))
        return false;
    if (!event.isAutoRepeat() && pauser_->isEnabled() && playerInputs_)
        Pauser_Click();
    return true;
}

void GameForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && playerInputs_)
        pauseOnFocusLoss();
}

// A player who turns to another window finds the game paused, as if Pause had been
// clicked. A box the game opens itself finds the timer already off, and nothing changes.
void GameForm::pauseOnFocusLoss()
{
    if (!timer1_->Enabled() || !pauser_->isEnabled())
        return;
    emit inputTaken(Input::FocusPause, 0);
    pauser_->setCaption(UnpauseCaption);
    timer1_->setEnabled(false);
}

void GameForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (QWindow* window = windowHandle())
        window->setTitle(BlankTitleBar);
}

void GameForm::Form_Load()
{
    runtime().randomize();
    timer1_->setEnabled(false);
    ReadLevelOptions();
    Level = levelFromText(StartLevelText);
    ReadyCount = 0;
    Points = 0;
    timer1_->setInterval(TimerIntervalMs);
    BitBlt(*bugPic_, 0, 0, 100, 109, *srcPic_, 0, 0);
    BitBlt(*bombPic_[0], 0, 0, 32, 32, *bombSrc_, 0, 0);
    LoadOptions();
    LoadTopTen();
    StartMusic(music_);
}

void GameForm::NewMenu_Click()
{
    emit gameStarting();
    GodSoundPlayed = False;
    tag_.clear();
    ReadyCount = CheckedAdd(ReadyCount, 1);
    GetReady();
    Level = levelFromText(StartLevelText);
    Points = 0;
    levBox_->setCaption(QStringLiteral("Level : ") + Numbers::toText(int64_t(Level)));
    pointBox_->setCaption(QStringLiteral("Points : 0"));
}

void GameForm::TopTenView_Click() { emit handOver_.topTenWanted(); }

void GameForm::OptionMenu_Click()
{
    emit handOver_.optionsFrmWanted();
    emit handOver_.unloadWanted();
}

void GameForm::ExitMenu_Click() { emit handOver_.endWanted(); }

void GameForm::Pauser_Click()
{
    emit inputTaken(Input::Pause, 0);
    if (pauser_->Caption() == PauseCaption) {
        pauser_->setCaption(UnpauseCaption);
        timer1_->setEnabled(false);
    } else {
        pauser_->setCaption(PauseCaption);
        timer1_->setEnabled(true);
    }
}

void GameForm::Kill_Click()
{
    emit inputTaken(Input::Kill, 0);
    if (timer1_->Enabled())
        EndGame(*bombPic_[0]);
}
