// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionsFrm.h"

#include "options/OptionNames.h"
#include "options/Options.h"
#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <array>
#include <initializer_list>

namespace {
constexpr float ClientWidth = 4575.0f;
constexpr float ClientHeight = 4455.0f;
// A fixed single border: 3 pixels each side. The headings centre on the window's outer
// width, as the player sees it.
constexpr float FrameWidth = 2 * 3 * Twips::PerPixel;
constexpr float ScreenCorner = 1.0f;

constexpr int StartLevelLimit = 3;
constexpr int StillBombsLimit = 1;
constexpr int16_t Backspace = 8;

// The window's default font was MS Sans Serif 8 pt; a sans serif of the same pixel size
// keeps the captions within their boxes.
constexpr int DefaultFontPixels = 11;
constexpr int HeadingFontPixels = 19;  // Times New Roman 14.25 pt

const QColor HeadingRed(255, 0, 0);
const QColor HeadingBlue(0, 0, 255);
const QColor HeadingGreen(0, 128, 0);

const QString Title = QStringLiteral("Crawlix");
const QString NeedLevel = QStringLiteral("You Need To Choose A Level To Start On.");
const QString TooFast = QStringLiteral("When The Bombs Move That Fast They Almost Always Skip Over You.")
    + QStringLiteral("\r\n") + QStringLiteral("Please Choose A Different Level.");
const QString NeedBombs = QStringLiteral("You Must Choose To Have Between 3 And 6 Still Bombs.");
const QString NeedSong = QStringLiteral("You Must Pick A Song.");

constexpr int SongCount = 5;

QString songCaption(int number) { return QLatin1String(SongInfo(number).caption); }

using Twips::pixels;
using Twips::place;
using Twips::setLeft;

QFont defaultFont() { return Twips::sans(DefaultFontPixels); }
QFont headingFont() { return Twips::serif(HeadingFontPixels, true); }

QLabel* makeLabel(QWidget* parent, const QString& caption, float left, float top, float width,
                  float height)
{
    auto* label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, left, top, width, height);
    return label;
}

QLabel* makeHeading(QWidget* parent, const QString& caption, const QColor& colour, float left,
                    float top, float width, float height)
{
    QLabel* label = makeLabel(parent, caption, left, top, width, height);
    Twips::setFont(label, headingFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    Twips::fitToCaption(label);
    return label;
}

// A frame draws its caption on its top border, with the buttons below it, where the
// design places them.
const QString FrameLook = QStringLiteral(
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
    " left: 6px; padding: 0px 2px; }");

QGroupBox* makeFrame(QWidget* parent, const QString& caption, float left, float top, float width,
                     float height)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setStyleSheet(FrameLook);
    Twips::setFont(frame, defaultFont());
    place(frame, left, top, width, height);
    return frame;
}

QRadioButton* makeOption(QWidget* frame, QButtonGroup* group, const QString& caption, float left,
                         float top, float width, float height)
{
    auto* button = new QRadioButton(caption, frame);
    // The frame's style sheet would otherwise hand the button the application's font.
    Twips::setFont(button, defaultFont());
    place(button, left, top, width, height);
    group->addButton(button);
    return button;
}

QLineEdit* makeEntry(QWidget* parent, const QString& text, int limit, float left, float top,
                     float width, float height)
{
    auto* entry = new QLineEdit(text, parent);
    entry->setMaxLength(limit);
    place(entry, left, top, width, height);
    return entry;
}

// A key that types a character, as opposed to moving the caret or a shortcut such as
// paste: only these pass through the key filters.
bool typesCharacter(const QKeyEvent& key)
{
    if (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return false;
    const QString text = key.text();
    if (text.isEmpty())
        return false;
    return key.key() == Qt::Key_Backspace || text.at(0).isPrint();
}

// The leading number of a stored option, unless 0. It shows whole, even when longer than
// the box takes from the keyboard, so that a value the window would refuse is seen as it
// is and corrected, never cut into one it would take.
void showNumber(QLineEdit* entry, const QString& stored)
{
    const double number = Numbers::leadingNumber(stored);
    if (number == 0)
        return;
    const QString text = Numbers::toText(number);
    entry->setMaxLength(std::max(entry->maxLength(), int(text.size())));
    entry->setText(text);
}

// Digits and Backspace pass; every other typed character is discarded.
void filterDigits(int16_t& KeyAscii)
{
    const bool digit = KeyAscii >= '0' && KeyAscii <= '9';
    if (!digit && KeyAscii != Backspace)
        KeyAscii = 0;
}
} // namespace

OptionsFrm::OptionsFrm()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Crawlix Options"));
    Twips::setFont(this, defaultFont());
    Twips::setFixedSize(this, ClientWidth, ClientHeight);
    buildMusicControls();
    buildEntryControls();
    arrangeTabOrder();
    connectHandlers();
}

void OptionsFrm::buildMusicControls()
{
    Label1 = makeHeading(this, QStringLiteral("Music :"), HeadingRed, 0, 0, 900, 330);

    MusicOpts = makeFrame(this, QStringLiteral("Music Options"), 0, 360, 2055, 1335);
    musicGroup_ = new QButtonGroup(this);
    RndOpt = makeOption(MusicOpts, musicGroup_, QStringLiteral("Play Random Song"), 120, 240, 1815, 255);
    SngOpt = makeOption(MusicOpts, musicGroup_, QStringLiteral("Play Single Song"), 120, 600, 1695, 255);
    NoneOpt = makeOption(MusicOpts, musicGroup_, QStringLiteral("Don't Play Songs"), 120, 960, 1575, 255);
    RndOpt->setChecked(true);

    SongFrame = makeFrame(this, QStringLiteral("Songs"), 2160, 360, 2415, 2055);
    songGroup_ = new QButtonGroup(this);
    ESMOpt = makeOption(SongFrame, songGroup_, songCaption(1), 120, 240, 1815, 255);
    HorsOpt = makeOption(SongFrame, songGroup_, songCaption(2), 120, 600, 1815, 255);
    OneOpt = makeOption(SongFrame, songGroup_, songCaption(3), 120, 960, 735, 255);
    OrionOpt = makeOption(SongFrame, songGroup_, songCaption(4), 120, 1320, 735, 255);
    SeekOpt = makeOption(SongFrame, songGroup_, songCaption(5), 120, 1680, 1695, 255);
    SongFrame->hide();
}

void OptionsFrm::buildEntryControls()
{
    SaveIt = new QPushButton(QStringLiteral("Save"), this);
    place(SaveIt, 0, 4080, 1455, 375);
    CancelIt = new QPushButton(QStringLiteral("Cancel"), this);
    place(CancelIt, 3120, 4080, 1455, 375);
    // Return and Enter press the focused button, as Space does.
    for (QPushButton* button : {SaveIt, CancelIt})
        button->setAutoDefault(true);

    Label2 = makeHeading(this, QStringLiteral("Level :"), HeadingBlue, 0, 2520, 810, 330);
    Label3 = makeLabel(this, QStringLiteral("Enter The Level You Would Like To Start On"), 0, 2880, 3195, 195);
    Twips::fitToCaption(Label3);
    StartLev = makeEntry(this, QStringLiteral("1"), StartLevelLimit, 3360, 2880, 375, 285);

    Label4 = makeHeading(this, QStringLiteral("Still Bombs :"), HeadingGreen, 0, 3240, 1545, 330);
    Label5 = makeLabel(this, QStringLiteral("Enter The Number Of Still Bombs You Would Like To Have On The Screen (3-6)"),
                       0, 3600, 3135, 495);
    Label5->setWordWrap(true);
    StillBombs = makeEntry(this, QStringLiteral("3"), StillBombsLimit, 3360, 3600, 375, 285);
}

void OptionsFrm::arrangeTabOrder()
{
    const std::initializer_list<QWidget*> order = {RndOpt, SngOpt, ESMOpt, HorsOpt, OneOpt, OrionOpt,
                                                   SeekOpt, NoneOpt, SaveIt, CancelIt, StartLev, StillBombs};
    QWidget* previous = nullptr;
    for (QWidget* control : order) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void OptionsFrm::connectHandlers()
{
    connect(RndOpt, &QRadioButton::clicked, this, &OptionsFrm::RndOpt_Click);
    connect(SngOpt, &QRadioButton::clicked, this, &OptionsFrm::SngOpt_Click);
    connect(NoneOpt, &QRadioButton::clicked, this, &OptionsFrm::NoneOpt_Click);
    connect(SaveIt, &QPushButton::clicked, this, &OptionsFrm::SaveIt_Click);
    connect(CancelIt, &QPushButton::clicked, this, &OptionsFrm::CancelIt_Click);
    StartLev->installEventFilter(this);
    StillBombs->installEventFilter(this);
}

float OptionsFrm::outerWidth() const { return ClientWidth + FrameWidth; }

void OptionsFrm::moveTo(float leftTwips, float topTwips)
{
    left_ = leftTwips;
    top_ = topTwips;
    move(pixels(leftTwips), pixels(topTwips));
}

void OptionsFrm::Form_Load()
{
    moveTo(ScreenCorner, ScreenCorner);
    for (QLabel* heading : {Label1, Label2, Label4})
        setLeft(heading, (outerWidth() - Twips::width(heading)) / 2);
    if (MusicOption == RandomOption)
        select(RndOpt);
    if (MusicOption == SingleOption) {
        SongFrame->show();
        select(SngOpt);
        if (QRadioButton* song = songButton(SongNumber))
            select(song);
    }
    if (MusicOption == NoneOption)
        select(NoneOpt);
    if (FirstRun == True) {
        CancelIt->setEnabled(false);
        FirstRun = False;
    }
    showNumber(StartLev, StartLevelText);
    showNumber(StillBombs, StillBombsText);
}

void OptionsFrm::select(QRadioButton* button)
{
    button->setChecked(true);
    if (button == RndOpt)
        RndOpt_Click();
    else if (button == SngOpt)
        SngOpt_Click();
    else if (button == NoneOpt)
        NoneOpt_Click();
}

void OptionsFrm::RndOpt_Click() { SongFrame->hide(); }
void OptionsFrm::SngOpt_Click() { SongFrame->show(); }
void OptionsFrm::NoneOpt_Click() { SongFrame->hide(); }

void OptionsFrm::StartLev_KeyPress(int16_t& KeyAscii) { filterDigits(KeyAscii); }
void OptionsFrm::StillBombs_KeyPress(int16_t& KeyAscii) { filterDigits(KeyAscii); }

bool OptionsFrm::eventFilter(QObject* watched, QEvent* event)
{
    const bool entry = watched == StartLev || watched == StillBombs;
    if (!entry || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!typesCharacter(*key))
        return false;
    auto KeyAscii = int16_t(key->text().at(0).unicode());
    if (watched == StartLev)
        StartLev_KeyPress(KeyAscii);
    else
        StillBombs_KeyPress(KeyAscii);
    return KeyAscii == 0;
}

QRadioButton* OptionsFrm::songButton(int number) const
{
    const std::array<QRadioButton*, SongCount> songs = {ESMOpt, HorsOpt, OneOpt, OrionOpt, SeekOpt};
    if (number < 1 || number > SongCount)
        return nullptr;
    return songs[size_t(number - 1)];
}

QRadioButton* OptionsFrm::selectedSong() const
{
    return qobject_cast<QRadioButton*>(songGroup_->checkedButton());
}

QString OptionsFrm::entryProblem() const
{
    const double startLevel = Numbers::leadingNumber(StartLev->text());
    // Only pasted text can hold a sign or a fraction; a level below 1 is no level at all.
    if (StartLev->text().isEmpty() || startLevel < LowestStartLevel)
        return NeedLevel;
    if (startLevel > HighestStartLevel)
        return TooFast;
    const double stillBombs = Numbers::leadingNumber(StillBombs->text());
    if (stillBombs < FewestStillBombs || stillBombs > MostStillBombs)
        return NeedBombs;
    if (SngOpt->isChecked() && !selectedSong())
        return NeedSong;
    return QString();
}

void OptionsFrm::writeOptions()
{
    // Another program's lock may hold each write up for a while: the player sees the wait.
    const BusyCursor busy;
    if (RndOpt->isChecked())
        WriteRegValue(OptionsKey, MusicOptionValue, RandomOption);
    if (SngOpt->isChecked()) {
        WriteRegValue(OptionsKey, MusicOptionValue, SingleOption);
        for (int number = 1; number <= SongCount; ++number) {
            if (songButton(number)->isChecked())
                WriteRegValue(OptionsKey, SongToPlayValue, QLatin1String(SongInfo(number).key));
        }
    }
    if (NoneOpt->isChecked())
        WriteRegValue(OptionsKey, MusicOptionValue, NoneOption);
    WriteRegValue(OptionsKey, StartLevelValue, Numbers::leadingNumber(StartLev->text()));
    WriteRegValue(OptionsKey, StillBombsValue, Numbers::leadingNumber(StillBombs->text()));
}

void OptionsFrm::SaveIt_Click()
{
    const QString problem = entryProblem();
    if (!problem.isEmpty()) {
        runtime().msgBox(problem, Title, Runtime::Buttons::Ok);
        return;
    }
    writeOptions();
    backToTheGame();
}

void OptionsFrm::CancelIt_Click() { backToTheGame(); }

void OptionsFrm::backToTheGame()
{
    emit handOver_.gameFormWanted();
    emit handOver_.unloadWanted();
}

// The focused control shows its focus ring from the start, not only after a Tab: Qt forgets
// at every showing that the keyboard moves the focus here.
void OptionsFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void OptionsFrm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // On a first run Cancel is greyed out, and Escape leaves the window open just the same.
    if (CancelIt->isEnabled())
        CancelIt->click();
}
