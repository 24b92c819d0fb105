// SPDX-License-Identifier: GPL-3.0-or-later
// The top ten window: its rows and columns, clearing the list, and one window object that
// loads afresh only after its close box.

#include "ScriptedRuntime.h"
#include "TempDataHome.h"

#include "platform/Hive.h"
#include "scores/TopTen.h"
#include "scores/TopTenTable.h"
#include "shared/Declarations.h"
#include "app/Forms.h"

#include <QLabel>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QtTest>

#include <memory>

namespace {
const QString Available = QStringLiteral("(Available)");
const QString LongName = QStringLiteral("Bartholomew Fitzwilliam the Uncatchable Beetle Herder");

float twips(const QWidget* control, const char* name) { return control->property(name).toFloat(); }

float textWidthTwips(const QLabel* label)
{
    return float(QFontMetrics(label->font()).horizontalAdvance(label->text())) * 15;
}

// The text a tip shows: a tip renders whatever looks like markup.
QString tipShows(const QLabel* label)
{
    const QString tip = label->toolTip();
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

void storeEntry(int rank, const QString& name, const QString& score)
{
    WriteRegValue(TopTenKey, TopTenNameValue(rank), name);
    WriteRegValue(TopTenKey, TopTenScoreValue(rank), score);
}

QString storedName(int rank)
{
    ReadRegValue(TopTenKey, TopTenNameValue(rank));
    return RegObjValue();
}

QString storedScore(int rank)
{
    ReadRegValue(TopTenKey, TopTenScoreValue(rank));
    return RegObjValue();
}
} // namespace

class TopTenWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataHome> home;
    std::unique_ptr<ScopedScriptedRuntime> scripted;
    ScriptedRuntime& services() { return scripted->services; }

    // A list with three players above seven empty places.
    static void storeThreePlayers()
    {
        ResetTopTen();
        storeEntry(1, QStringLiteral("Ann"), QStringLiteral("1250"));
        storeEntry(2, QStringLiteral("Bo"), QStringLiteral("300"));
        storeEntry(3, QStringLiteral("Cy"), QStringLiteral("45"));
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("crawlix")); }

    void init()
    {
        home = std::make_unique<TempDataHome>();
        scripted = std::make_unique<ScopedScriptedRuntime>();
        ResetDeclarations();
    }

    void cleanup()
    {
        if (TopTen* window = LoadedTopTen())
            window->close();
        Hive::close();
        ResetDeclarations();
        scripted.reset();
        home.reset();
    }

    void theWindowLooksAsDesigned()
    {
        ResetTopTen();
        TopTen* window = ShowTopTen();
        QCOMPARE(window->windowTitle(), QStringLiteral("Top Ten High Scores"));
        QCOMPARE(window->size(), QSize(419, 267));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(!window->isModal());
        QVERIFY(!window->parentWidget());

        const QFontInfo title(window->Label1->font());
        QCOMPARE(title.family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(title.pixelSize(), 21);
        QVERIFY(title.bold());
        QCOMPARE(window->Label1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        for (QLabel* column : {window->Label2, window->Label3}) {
            QCOMPARE(QFontInfo(column->font()).pixelSize(), 16);
            QVERIFY(QFontInfo(column->font()).bold());
        }
        QCOMPARE(window->Label3->text(), QStringLiteral("Name"));
        QCOMPARE(window->Label2->text(), QStringLiteral("Score"));
        QCOMPARE(window->Label3->pos(), QPoint(8, 40));
        QCOMPARE(window->Label2->pos(), QPoint(296, 40));
        QCOMPARE(QFontInfo(window->Name(1)->font()).pixelSize(), 11);
        QCOMPARE(window->ClearIt->text(), QStringLiteral("Clear Top Ten"));
    }

    void onlyTheClearButtonTakesTheFocus()
    {
        TopTen* window = ShowTopTen();
        const QList<QWidget*> children = window->findChildren<QWidget*>();
        QVERIFY(children.size() > 20);
        for (QWidget* child : children)
            QCOMPARE(child->focusPolicy() != Qt::NoFocus, child == window->ClearIt);
    }

    void afterAResetEveryRowReadsAvailableAndZero()
    {
        ResetTopTen();
        TopTen* window = ShowTopTen();
        for (int rank = 1; rank <= TopRanks; ++rank) {
            QCOMPARE(window->Name(rank)->text(), Available);
            QCOMPARE(window->Score(rank)->text(), QStringLiteral("0"));
        }
    }

    void rowsStandAtTheirTopsWithScoresInOneColumn()
    {
        storeThreePlayers();
        TopTen* window = ShowTopTen();
        for (int rank = 1; rank <= TopRanks; ++rank) {
            const float top = 1080.0f + 240.0f * float(rank - 1);
            QLabel* name = window->Name(rank);
            QLabel* score = window->Score(rank);
            QCOMPARE(twips(name, "Top"), top);
            QCOMPARE(twips(score, "Top"), top);
            QCOMPARE(twips(name, "Left"), 0.0f);
            QCOMPARE(twips(score, "Left"), 4560.0f);
            QCOMPARE(name->pos(), QPoint(0, qRound(top / 15)));
            QCOMPARE(score->pos(), QPoint(304, qRound(top / 15)));
        }
        QCOMPARE(window->Score(10)->y(), 216);
        QCOMPARE(window->Name(1)->text(), QStringLiteral("Ann"));
        QCOMPARE(window->Score(1)->text(), QStringLiteral("1250"));
        QCOMPARE(window->Name(3)->text(), QStringLiteral("Cy"));
        QCOMPARE(window->Name(4)->text(), Available);
    }

    void scoresShowAsTheyAreStored()
    {
        ResetTopTen();
        storeEntry(1, QStringLiteral("Dee"), QStringLiteral("0075"));
        TopTen* window = ShowTopTen();
        QCOMPARE(window->Score(1)->text(), QStringLiteral("0075"));
        QCOMPARE(TopList[0].Score, QStringLiteral("0075"));
    }

    void aLongNameWidensOnlyItsOwnLabel()
    {
        storeThreePlayers();
        storeEntry(2, LongName, QStringLiteral("300"));
        TopTen* window = ShowTopTen();
        QLabel* longName = window->Name(2);
        QCOMPARE(longName->text(), LongName);
        QCOMPARE(twips(longName, "Left"), 0.0f);
        QCOMPARE(twips(longName, "Width"), textWidthTwips(longName));
        QCOMPARE(longName->width(), QFontMetrics(longName->font()).horizontalAdvance(LongName));
        QCOMPARE(twips(longName, "Height"), float(QFontMetrics(longName->font()).height()) * 15);
        QVERIFY(twips(longName, "Width") > 2 * twips(window->Name(1), "Width"));
        for (int rank = 1; rank <= TopRanks; ++rank) {
            QCOMPARE(twips(window->Score(rank), "Left"), 4560.0f);
            QCOMPARE(twips(window->Name(rank), "Width"), textWidthTwips(window->Name(rank)));
        }
        QCOMPARE(twips(window->Score(2), "Width"), twips(window->Score(1), "Width") * 3 / 4);
    }

    void aNameTooLongForItsColumnEndsInAnEllipsisBeforeItsScore()
    {
        const QString huge(90, QLatin1Char('W'));
        storeThreePlayers();
        storeEntry(2, huge, QStringLiteral("300"));
        TopTen* window = ShowTopTen();
        QLabel* name = window->Name(2);
        QVERIFY(name->text().endsWith(QChar(0x2026)));
        QVERIFY(huge.startsWith(name->text().chopped(1)));
        QCOMPARE(tipShows(name), huge);
        QCOMPARE(twips(name, "Width"), textWidthTwips(name));
        QVERIFY(name->geometry().right() < window->Label2->x());
        QCOMPARE(window->Score(2)->text(), QStringLiteral("300"));
        QCOMPARE(window->Name(1)->text(), QStringLiteral("Ann"));
        QVERIFY(window->Name(1)->toolTip().isEmpty());
    }

    void aMarkupNameShowsAsTypedInTheWindowsOwnFontAndColour()
    {
        const QString markup = QStringLiteral("<h1><font color=red>WWWW</font></h1>");
        ResetTopTen();
        storeEntry(1, markup, QStringLiteral("<b>50</b>"));
        TopTen* window = ShowTopTen();
        QLabel* name = window->Name(1);
        QCOMPARE(name->text(), markup);
        QCOMPARE(window->Score(1)->text(), QStringLiteral("<b>50</b>"));
        QCOMPARE(name->font(), window->font());
        QCOMPARE(name->height(), QFontMetrics(window->font()).height());
        // Drawn in the window's own dark text: ink, and not a red pixel.
        const QImage drawn = name->grab().toImage();
        int ink = 0;
        int red = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                const QColor pixel = drawn.pixelColor(x, y);
                ink += qGray(pixel.rgb()) < 96 ? 1 : 0;
                red += pixel.red() > 160 && pixel.green() < 96 ? 1 : 0;
            }
        }
        QVERIFY(ink > 0);
        QCOMPARE(red, 0);
    }

    void aLongMarkupNameShowsAsTypedInItsTip()
    {
        const QString markup = QStringLiteral("<b>Bold</b> <img src=\"missing.png\">") + QString(300, QLatin1Char('W'));
        ResetTopTen();
        storeEntry(1, markup, QStringLiteral("50"));
        QCOMPARE(tipShows(ShowTopTen()->Name(1)), markup);
    }

    void aStoredNameOfAMillionCharactersShowsCutAndStaysStored()
    {
        const QString huge(1000000, QLatin1Char('n'));
        ResetTopTen();
        storeEntry(1, huge, QString(1000000, QLatin1Char('7')));
        TopTen* window = ShowTopTen();
        QVERIFY(tipShows(window->Name(1)).size() < 10000);
        QVERIFY(window->Score(1)->text().size() < 10000);
        QVERIFY(window->Name(1)->text().size() < 10000);
        ReadRegValue(TopTenKey, TopTenNameValue(1));
        QCOMPARE(RegObjValue(), huge);
    }

    void escapeClosesTheWindow()
    {
        TopTen* window = ShowTopTen();
        QTest::keyClick(window->ClearIt, Qt::Key_A);
        QVERIFY(window->loaded());
        QTest::keyClick(window->ClearIt, Qt::Key_Escape);
        QVERIFY(!window->loaded());
        QVERIFY(window->isHidden());
        QVERIFY(!LoadedTopTen());
    }

    void returnOrEnterPressesTheFocusedClearButton()
    {
        storeThreePlayers();
        TopTen* window = ShowTopTen();
        services().messageAnswers = {Runtime::Answer::No, Runtime::Answer::Yes};
        QTest::keyClick(window->ClearIt, Qt::Key_Return);
        QCOMPARE(services().messages.size(), 1);
        QCOMPARE(window->Name(1)->text(), QStringLiteral("Ann"));
        QTest::keyClick(window->ClearIt, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(services().messages.size(), 2);
        QCOMPARE(window->Name(1)->text(), Available);
    }

    void loadMovesToTheCornerAndCentresTitleAndButton()
    {
        ResetTopTen();
        TopTen* window = ShowTopTen();
        QCOMPARE(window->Left(), 1.0f);
        QCOMPARE(window->Top(), 1.0f);
        QCOMPARE(window->pos(), QPoint(0, 0));
        QVERIFY(window->outerWidth() > 6285.0f);
        const float titleWidth = twips(window->Label1, "Width");
        QCOMPARE(titleWidth, textWidthTwips(window->Label1));
        QCOMPARE(twips(window->Label1, "Left"), (window->outerWidth() - titleWidth) / 2);
        QCOMPARE(twips(window->ClearIt, "Left"), (window->outerWidth() - 1215.0f) / 2);
        QCOMPARE(twips(window->ClearIt, "Top"), 3600.0f);
        QCOMPARE(window->ClearIt->size(), QSize(81, 25));
    }

    void clearingAfterYesEmptiesTheListAndReturnsToTheCorner()
    {
        storeThreePlayers();
        TopTen* window = ShowTopTen();
        window->show();
        window->move(200, 150);
        services().messageAnswers = {Runtime::Answer::Yes};
        window->ClearIt->click();
        QCOMPARE(services().messages.size(), 1);
        QCOMPARE(services().messages[0].text, QStringLiteral("Are You Sure You Want To Clear The Top Ten?"));
        QCOMPARE(services().messages[0].title, QStringLiteral("Crawlix"));
        QVERIFY(services().messages[0].buttons == Runtime::Buttons::YesNo);
        QCOMPARE(window->pos(), QPoint(0, 0));
        QCOMPARE(window->Left(), 1.0f);
        for (int rank = 1; rank <= TopRanks; ++rank) {
            QCOMPARE(window->Name(rank)->text(), Available);
            QCOMPARE(window->Score(rank)->text(), QStringLiteral("0"));
            QCOMPARE(twips(window->Name(rank), "Width"), textWidthTwips(window->Name(rank)));
            QCOMPARE(storedName(rank), Available);
            QCOMPARE(storedScore(rank), QStringLiteral("0"));
            QCOMPARE(TopList[size_t(rank - 1)].Name, Available);
        }
        QVERIFY(window->loaded());
    }

    void answeringNoKeepsTheListAndThePlace()
    {
        storeThreePlayers();
        TopTen* window = ShowTopTen();
        window->show();
        window->move(200, 150);
        services().messageAnswers = {Runtime::Answer::No};
        window->ClearIt_Click();
        QCOMPARE(services().messages.size(), 1);
        QCOMPARE(window->pos(), QPoint(200, 150));
        QCOMPARE(window->Name(1)->text(), QStringLiteral("Ann"));
        QCOMPARE(storedName(1), QStringLiteral("Ann"));
        QCOMPARE(storedScore(2), QStringLiteral("300"));
    }

    void showingWhileOpenDoesNotReloadButAfterTheCloseBoxItDoes()
    {
        storeThreePlayers();
        TopTen* window = ShowTopTen();
        QVERIFY(window->isVisible());
        window->move(120, 90);
        storeEntry(1, QStringLiteral("Eve"), QStringLiteral("2000"));
        QCOMPARE(ShowTopTen(), window);
        QCOMPARE(window->Name(1)->text(), QStringLiteral("Ann"));
        QCOMPARE(window->pos(), QPoint(120, 90));
        QCOMPARE(LoadedTopTen(), window);

        QPointer<TopTen> kept = window;
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(kept);
        QVERIFY(window->isHidden());
        QVERIFY(!window->loaded());
        QVERIFY(!LoadedTopTen());

        QCOMPARE(ShowTopTen(), window);
        QCOMPARE(window->Name(1)->text(), QStringLiteral("Eve"));
        QCOMPARE(window->Score(1)->text(), QStringLiteral("2000"));
        QCOMPARE(window->pos(), QPoint(0, 0));
    }
};

QTEST_MAIN(TopTenWindowTest)
#include "test_topten_window.moc"
