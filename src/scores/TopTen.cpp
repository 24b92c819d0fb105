// SPDX-License-Identifier: GPL-3.0-or-later
#include "scores/TopTen.h"

#include "platform/Runtime.h"
#include "platform/SpriteSheets.h"
#include "platform/Twips.h"
#include "platform/Hive.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr float ClientWidth = 6285.0f;
constexpr float ClientHeight = 4005.0f;
// A fixed single border: 3 pixels each side. The title and the button centre on the
// window's outer width, as the player sees it.
constexpr float FrameWidth = 2 * 3 * Twips::PerPixel;
constexpr float ScreenCorner = 1.0f;

constexpr float FirstRowTop = 1080.0f;
constexpr float RowStep = 240.0f;
constexpr float NameLeft = 0.0f;
constexpr float ScoreLeft = 4560.0f;
// A name ends where the "Score" heading begins, so its score always shows beside it.
constexpr float NameColumnWidth = 4440.0f - NameLeft;
constexpr float EmptyLabelWidth = 45.0f;
constexpr float EmptyLabelHeight = 195.0f;

// The window's default font was MS Sans Serif 8 pt; a sans serif of the same pixel size
// keeps the captions within their boxes.
constexpr int DefaultFontPixels = 11;
constexpr int TitleFontPixels = 21;    // Times New Roman 15.75 pt
constexpr int ColumnFontPixels = 16;   // Times New Roman 12 pt
const QColor TitleBlue(0, 0, 255);

// Stored text shows cut to this many characters: a name of millions would take seconds and
// hundreds of megabytes to lay out. The stored value itself is left as it is.
constexpr qsizetype ShownTextLimit = 4000;

const QString Title = QStringLiteral("Crawlix");
const QString ClearQuestion = QStringLiteral("Are You Sure You Want To Clear The Top Ten?");
const QString NotCleared = QStringLiteral(
    "The Top Ten List could not be cleared: the data file could not be written.\n\n%1");

using Twips::pixels;
using Twips::place;
using Twips::setLeft;

// The label's size follows its caption: it widens to the right from its Left edge and is
// one line high.
void setCaption(QLabel* label, const QString& caption)
{
    label->setText(caption.left(ShownTextLimit));
    Twips::fitToCaption(label);
}

// A name too long for its column ends in an ellipsis; the whole name shows as a tip. A tip
// renders markup, so the name goes into it escaped: it shows as typed, and loads nothing.
void setNameCaption(QLabel* label, const QString& stored)
{
    const QString name = stored.left(ShownTextLimit);
    const QString shown = QFontMetrics(label->font())
                              .elidedText(name, Qt::ElideRight, pixels(NameColumnWidth));
    label->setToolTip(shown == name ? QString() : Qt::convertFromPlainText(name));
    setCaption(label, shown);
}

QFont defaultFont() { return Twips::sans(DefaultFontPixels); }
QFont serifFont(int pixelSize) { return Twips::serif(pixelSize, true); }

QLabel* makeLabel(QWidget* parent, float left, float top, float width, float height)
{
    auto* label = new QLabel(parent);
    // Names and scores show exactly as they were typed and stored, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, left, top, width, height);
    return label;
}

QLabel* makeHeading(QWidget* parent, const QString& caption, int pixelSize, float left, float top,
                    float width, float height)
{
    QLabel* label = makeLabel(parent, left, top, width, height);
    Twips::setFont(label, serifFont(pixelSize));
    setCaption(label, caption);
    return label;
}
} // namespace

TopTen::TopTen()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Top Ten High Scores"));
    setWindowIcon(SpriteSheets::topTenIcon());
    Twips::setFont(this, defaultFont());
    Twips::setFixedSize(this, ClientWidth, ClientHeight);
    buildHeadings();
    buildRows();
    ClearIt = new QPushButton(QStringLiteral("Clear Top Ten"), this);
    place(ClearIt, 0, 3600, 1215, 375);
    // Return and Enter press it, as Space does.
    ClearIt->setAutoDefault(true);
    connect(ClearIt, &QPushButton::clicked, this, &TopTen::ClearIt_Click);
}

void TopTen::buildHeadings()
{
    Label1 = makeHeading(this, QStringLiteral("Top Ten Highest Scores"), TitleFontPixels, 0, 0, 3165, 360);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, TitleBlue);
    Label1->setPalette(palette);
    Label3 = makeHeading(this, QStringLiteral("Name"), ColumnFontPixels, 120, 600, 600, 285);
    Label2 = makeHeading(this, QStringLiteral("Score"), ColumnFontPixels, 4440, 600, 570, 285);
}

void TopTen::buildRows()
{
    for (int rank = 1; rank <= TopRanks; ++rank) {
        const float top = FirstRowTop + RowStep * float(rank - 1);
        names_[size_t(rank - 1)] = makeLabel(this, NameLeft, top, EmptyLabelWidth, EmptyLabelHeight);
        scores_[size_t(rank - 1)] = makeLabel(this, ScoreLeft, top, EmptyLabelWidth, EmptyLabelHeight);
    }
}

float TopTen::outerWidth() const { return ClientWidth + FrameWidth; }

void TopTen::moveTo(float leftTwips, float topTwips)
{
    left_ = leftTwips;
    top_ = topTwips;
    move(pixels(leftTwips), pixels(topTwips));
}

void TopTen::Form_Load()
{
    moveTo(ScreenCorner, ScreenCorner);
    setLeft(Label1, (outerWidth() - Twips::width(Label1)) / 2);
    setLeft(ClearIt, (outerWidth() - Twips::width(ClearIt)) / 2);
    LoadTopTen();
    for (int rank = 1; rank <= TopRanks; ++rank) {
        const TopEntry& entry = TopList[size_t(rank - 1)];
        setNameCaption(Name(rank), entry.Name);
        setCaption(Score(rank), entry.Score);
    }
}

void TopTen::ClearIt_Click()
{
    if (runtime().msgBox(ClearQuestion, Title, Runtime::Buttons::YesNo) != Runtime::Answer::Yes)
        return;
    if (!ResetTopTen()) {
        // The list stays as it is stored, and the player is told why.
        runtime().msgBox(NotCleared.arg(Hive::unwritable()), Title, Runtime::Buttons::Ok);
        Form_Load();
        return;
    }
    Form_Load();
    emit listCleared();
}

void TopTen::closeEvent(QCloseEvent* event)
{
    loaded_ = false;
    event->accept();
}

// The focused button shows its focus ring from the start, not only after a Tab: Qt forgets
// at every showing that the keyboard moves the focus here.
void TopTen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    setAttribute(Qt::WA_KeyboardFocusChange);
}

void TopTen::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    close();
}
