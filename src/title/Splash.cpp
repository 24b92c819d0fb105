// SPDX-License-Identifier: GPL-3.0-or-later
#include "title/Splash.h"

#include "options/Options.h"
#include "platform/Runtime.h"
#include "platform/Twips.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"
#include "shared/Numbers.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {
constexpr int BorderPixels = 1;
constexpr float ClientWidthTwips = 6855.0f;
constexpr float ClientHeightTwips = 4875.0f;
constexpr float BorderTwips = BorderPixels * Twips::PerPixel;

constexpr QColor Maroon(128, 0, 0);
constexpr QColor BorderColour(0, 0, 0);
constexpr QColor TitleGreen(0, 255, 0);

constexpr float TitleStartTop = -960.0f;
constexpr float TitleRestBelow = 120.0f;
constexpr float TitleDrop = 50.0f;
constexpr float VersionTop = 1320.0f;
constexpr int TickMilliseconds = 75;

constexpr float ShapeSize = 135.0f;
constexpr float ShapeStartTop = 0.0f;
constexpr std::array<float, Splash::ShapeCount> ShapeStartLeft{1080.0f, 1320.0f, 1560.0f,
                                                               1800.0f};
constexpr std::array<QColor, Splash::ShapeCount> ShapeColours{
    QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 192, 0), QColor(255, 255, 0)};

const QString TitleCaption = QStringLiteral("Crawlix");
const QString VersionCaption = QStringLiteral("Version 1.0  ;  Completed 8/6/97");

// Font sizes go by pixels (points at 96 dots per inch), so the layout never depends on
// the screen's DPI setting.
constexpr int pointsToPixels(double points) { return int(points * 96.0 / 72.0 + 0.5); }
constexpr double TitlePoints = 48.0;
constexpr double VersionPoints = 12.0;

// "AmerType Md BT" is rarely installed; a bold slab serif gives the same typewriter feel.
QFont titleFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("AmerType Md BT"), QStringLiteral("Roboto Slab"),
                      QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pointsToPixels(TitlePoints));
    font.setBold(true);
    return font;
}

QFont versionFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pointsToPixels(VersionPoints));
    return font;
}
} // namespace

Splash::Splash()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(TitleCaption);
    ::Twips::setFixedSize(this, Width(), Height());
    buildControls();
    connect(&timer1_, &QTimer::timeout, this, &Splash::Timer1_Timer);
}

float Splash::Width() const { return ClientWidthTwips + 2 * BorderTwips; }
float Splash::Height() const { return ClientHeightTwips + 2 * BorderTwips; }

bool Splash::ShapeVisible(int number) const
{
    return !shapes_.at(number - 1).frame->isHidden();
}

QWidget* Splash::shapeWidget(int number) const { return shapes_.at(number - 1).frame; }

void Splash::buildControls()
{
    client_ = new QWidget(this);
    ::Twips::place(client_, BorderTwips, BorderTwips, ClientWidthTwips, ClientHeightTwips);
    QPalette background = client_->palette();
    background.setColor(QPalette::Window, Maroon);
    client_->setPalette(background);
    client_->setAutoFillBackground(true);

    // The squares pass behind the text (the labels come later, so they lie on top): a
    // click on the title or the version text stays with the label wherever a square is.
    buildShapes();
    buildLabels();
}

void Splash::buildShapes()
{
    for (int i = 0; i < ShapeCount; ++i) {
        ShapeControl& shape = shapes_[size_t(i)];
        shape.frame = new QFrame(client_);
        shape.frame->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                                       .arg(ShapeColours[size_t(i)].name()));
        shape.twips = {ShapeStartLeft[size_t(i)], ShapeStartTop, ShapeSize, ShapeSize};
        place(shape.frame, shape.twips);
        shape.frame->hide();
    }
}

void Splash::buildLabels()
{
    label1_ = makeLabel(TitleCaption, titleFont(), TitleGreen);
    label1Twips_.Top = TitleStartTop;
    sizeToCaption(label1_, label1Twips_);

    label3_ = makeLabel(VersionCaption, versionFont(), palette().color(QPalette::ButtonText));
    label3Twips_.Top = VersionTop;
    sizeToCaption(label3_, label3Twips_);
}

QLabel* Splash::makeLabel(const QString& caption, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(caption, client_);
    ::Twips::setFont(label, font);
    QPalette text = label->palette();
    text.setColor(QPalette::WindowText, colour);
    label->setPalette(text);
    // The labels take their own clicks, which nothing handles: a click on the text must
    // not reach the window's background.
    label->installEventFilter(this);
    return label;
}

// A label that sizes itself is as wide as its caption's advance and one line high.
void Splash::sizeToCaption(QLabel* label, Twips& twips)
{
    const QFontMetricsF metrics(label->font());
    twips.Width = ::Twips::fromPixels(float(std::ceil(metrics.horizontalAdvance(label->text()))));
    twips.Height = ::Twips::fromPixels(float(std::ceil(metrics.height())));
    place(label, twips);
}

void Splash::centreLabel(QLabel* label, Twips& twips)
{
    twips.Left = (Width() - twips.Width) / 2;
    place(label, twips);
}

void Splash::place(QWidget* widget, const Twips& twips)
{
    ::Twips::place(widget, twips.Left, twips.Top, twips.Width, twips.Height);
}

void Splash::Form_Load()
{
    runtime().randomize();

    const QSize screen = runtime().screenTwips();
    left_ = (float(screen.width()) - Width()) / 2;
    top_ = (float(screen.height()) - Height()) / 2;
    move(::Twips::pixels(left_), ::Twips::pixels(top_));

    centreLabel(label1_, label1Twips_);
    centreLabel(label3_, label3Twips_);

    timer1_.setInterval(TickMilliseconds);
    timer1_.start();

    // Only a start level found missing makes a first run; one that could not be read
    // lets the game go on with what it has. A value the options window never writes sends
    // the player there first, to correct it, as on a first run.
    if (ReadStoredOptions() != StoredOptions::Usable) {
        FirstRun = True;
        ResetMissingTopTen();
    }
}

void Splash::Form_Activate()
{
    if (FirstRun == True) {
        emit handOver_.optionsFrmWanted();
        emit handOver_.unloadWanted();
    }
}

void Splash::Form_Click()
{
    emit handOver_.gameFormWanted();
    emit handOver_.unloadWanted();
}

void Splash::Timer1_Timer()
{
    if (label1Twips_.Top < TitleRestBelow) {
        label1Twips_.Top += TitleDrop;
        place(label1_, label1Twips_);
    }

    // The squares range over the window's outer size, so one may land partly or wholly
    // outside the visible client area at the right or bottom.
    for (ShapeControl& shape : shapes_) {
        shape.twips.Left = std::floor(double(runtime().rnd()) * double(Width()));
        shape.twips.Top = std::floor(double(runtime().rnd()) * double(Height()));
        place(shape.frame, shape.twips);
        shape.frame->show();
    }
}

void Splash::activateOnce()
{
    if (activated_)
        return;
    activated_ = true;
    Form_Activate();
}

void Splash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), BorderColour);
}

// Presses on the squares and the background reach here; the thin border is no part of
// the client area and takes no clicks.
void Splash::mousePressEvent(QMouseEvent* event)
{
    pressedOnBackground_ = client_->geometry().contains(event->position().toPoint());
    event->accept();
}

void Splash::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool click =
        pressedOnBackground_ && client_->geometry().contains(event->position().toPoint());
    pressedOnBackground_ = false;
    if (click)
        Form_Click();
}

void Splash::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool opensTheGame =
        key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (!opensTheGame || event->isAutoRepeat()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    Form_Click();
}

void Splash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Without a window manager the window may never become active; the hand-over of a
    // first run must happen all the same, right after the first show.
    if (!activated_ && !event->spontaneous())
        QMetaObject::invokeMethod(this, &Splash::activateOnce, Qt::QueuedConnection);
}

void Splash::closeEvent(QCloseEvent* event)
{
    // Unloading stops the animation at once, not only when the window is deleted.
    timer1_.stop();
    QWidget::closeEvent(event);
}

void Splash::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activateOnce();
}

bool Splash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == label1_ || watched == label3_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
