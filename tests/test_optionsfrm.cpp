// SPDX-License-Identifier: GPL-3.0-or-later
// The options window: what it shows, what it accepts, what it stores, and the way back to
// a freshly loaded game window.

#include "ScriptedRuntime.h"
#include "TempDataHome.h"

#include "game/GameForm.h"
#include "options/OptionsFrm.h"
#include "platform/Hive.h"
#include "options/OptionNames.h"
#include "shared/Declarations.h"
#include "app/Forms.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <sqlite3.h>

#include <memory>

namespace {
const QString NeedLevel = QStringLiteral("You Need To Choose A Level To Start On.");
const QString TooFast = QStringLiteral(
    "When The Bombs Move That Fast They Almost Always Skip Over You.\r\nPlease Choose A Different Level.");
const QString NeedBombs = QStringLiteral("You Must Choose To Have Between 3 And 6 Still Bombs.");
const QString NeedSong = QStringLiteral("You Must Pick A Song.");

float twips(const QWidget* control, const char* name) { return control->property(name).toFloat(); }

QString stored(const QString& name)
{
    ReadRegValue(OptionsKey, name);
    return RegObjValue();
}

void store(const QString& name, const QString& value) { WriteRegValue(OptionsKey, name, value); }

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
} // namespace

class OptionsFrmTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataHome> home;
    std::unique_ptr<ScopedScriptedRuntime> scripted;
    ScriptedRuntime& services() { return scripted->services; }

    // The value names in the order they were first written to a fresh hive.
    QStringList writeOrder() const
    {
        Hive::close();
        sqlite3* db = nullptr;
        QStringList names;
        if (sqlite3_open_v2(home->hivePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* query = nullptr;
            sqlite3_prepare_v2(db, "SELECT name FROM registry_values ORDER BY rowid", -1, &query, nullptr);
            while (query && sqlite3_step(query) == SQLITE_ROW)
                names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
            sqlite3_finalize(query);
        }
        sqlite3_close(db);
        return names;
    }

    OptionsFrm* openWith(const QString& level, const QString& bombs)
    {
        OptionsFrm* form = ShowOptionsFrm();
        form->StartLev->setText(level);
        form->StillBombs->setText(bombs);
        return form;
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
        UnloadOptionsFrm();
        UnloadGameForm();
        flushDeletes();
        Hive::close();
        ResetDeclarations();
        scripted.reset();
        home.reset();
    }

    void aFirstOpeningShowsTheDesign()
    {
        OptionsFrm* form = ShowOptionsFrm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Crawlix Options"));
        QCOMPARE(form->size(), QSize(305, 297));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(form->RndOpt->isChecked());
        QVERIFY(!form->SngOpt->isChecked());
        QVERIFY(!form->NoneOpt->isChecked());
        QVERIFY(form->SongFrame->isHidden());
        QCOMPARE(form->StartLev->text(), QStringLiteral("1"));
        QCOMPARE(form->StillBombs->text(), QStringLiteral("3"));
        QCOMPARE(form->StartLev->maxLength(), 3);
        QCOMPARE(form->StillBombs->maxLength(), 1);
        QVERIFY(form->CancelIt->isEnabled());
        QVERIFY(form->Label5->wordWrap());
        const QFontMetrics metrics(form->Label5->font());
        const QRect wrapped = metrics.boundingRect(QRect(QPoint(0, 0), form->Label5->size()),
                                                   Qt::TextWordWrap, form->Label5->text());
        QVERIFY(wrapped.height() > metrics.lineSpacing() + metrics.height() / 2);
        QVERIFY(wrapped.height() < 2 * metrics.lineSpacing() + metrics.height() / 2);
        QVERIFY(wrapped.height() <= form->Label5->height());
    }

    void controlsStandAtTheirDesignedPlaces()
    {
        OptionsFrm* form = ShowOptionsFrm();
        QCOMPARE(form->MusicOpts->geometry(), QRect(0, 24, 137, 89));
        QCOMPARE(form->SongFrame->geometry(), QRect(144, 24, 161, 137));
        QCOMPARE(form->SongFrame->parentWidget(), form);
        QCOMPARE(form->OrionOpt->parentWidget(), form->SongFrame);
        QCOMPARE(form->OrionOpt->geometry(), QRect(8, 88, 49, 17));
        QCOMPARE(form->NoneOpt->parentWidget(), form->MusicOpts);
        QCOMPARE(form->NoneOpt->geometry(), QRect(8, 64, 105, 17));
        QCOMPARE(form->SaveIt->geometry(), QRect(0, 272, 97, 25));
        QCOMPARE(form->CancelIt->geometry(), QRect(208, 272, 97, 25));
        QCOMPARE(form->StartLev->geometry(), QRect(224, 192, 25, 19));
        QCOMPARE(form->StillBombs->geometry(), QRect(224, 240, 25, 19));
        QCOMPARE(form->Label5->geometry(), QRect(0, 240, 209, 33));
        QCOMPARE(twips(form->Label3, "Top"), 2880.0f);
        QVERIFY(form->Label3->geometry().right() < form->StartLev->x());
    }

    void headingsUseTheirFontsAndColours()
    {
        OptionsFrm* form = ShowOptionsFrm();
        const struct {
            QLabel* label;
            QColor colour;
        } headings[] = {{form->Label1, QColor(255, 0, 0)},
                        {form->Label2, QColor(0, 0, 255)},
                        {form->Label4, QColor(0, 128, 0)}};
        for (const auto& heading : headings) {
            const QFontInfo info(heading.label->font());
            QCOMPARE(info.family(), QStringLiteral("Liberation Serif"));
            QCOMPARE(info.pixelSize(), 19);
            QVERIFY(info.bold());
            QCOMPARE(heading.label->palette().color(QPalette::WindowText), heading.colour);
        }
        const QFontInfo plain(form->Label3->font());
        QCOMPARE(plain.family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(plain.pixelSize(), 11);
        QVERIFY(!plain.bold());
        QCOMPARE(QFontInfo(form->RndOpt->font()).pixelSize(), 11);
    }

    void headingsFitTheirCaptionAndCentreOnTheOuterWidth()
    {
        OptionsFrm* form = ShowOptionsFrm();
        QCOMPARE(form->Left(), 1.0f);
        QCOMPARE(form->Top(), 1.0f);
        QCOMPARE(form->pos(), QPoint(0, 0));
        QVERIFY(form->outerWidth() > 4575.0f);
        for (QLabel* heading : {form->Label1, form->Label2, form->Label4}) {
            const float width = twips(heading, "Width");
            QCOMPARE(width, float(QFontMetrics(heading->font()).horizontalAdvance(heading->text())) * 15);
            QCOMPARE(twips(heading, "Left"), (form->outerWidth() - width) / 2);
        }
    }

    void tabOrderFollowsTheDesign()
    {
        OptionsFrm* form = ShowOptionsFrm();
        const QList<QWidget*> order = {form->RndOpt, form->SngOpt, form->ESMOpt, form->HorsOpt,
                                       form->OneOpt, form->OrionOpt, form->SeekOpt, form->NoneOpt,
                                       form->SaveIt, form->CancelIt, form->StartLev, form->StillBombs};
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus)
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
        QCOMPARE(form->Label1->focusPolicy(), Qt::NoFocus);
    }

    void loadSelectsTheStoredMusic_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("song");
        QTest::addColumn<QString>("music");
        QTest::addColumn<QString>("songButton");
        QTest::addColumn<bool>("songsShown");
        QTest::newRow("random") << "Random" << 0 << "RndOpt" << "" << false;
        QTest::newRow("single orion") << "Single" << 4 << "SngOpt" << "OrionOpt" << true;
        QTest::newRow("single enter sandman") << "Single" << 1 << "SngOpt" << "ESMOpt" << true;
        QTest::newRow("single without a song") << "Single" << 0 << "SngOpt" << "" << true;
        QTest::newRow("none") << "None" << 3 << "NoneOpt" << "" << false;
        QTest::newRow("unknown keeps the design") << "random" << 2 << "RndOpt" << "" << false;
    }

    void loadSelectsTheStoredMusic()
    {
        QFETCH(QString, option);
        QFETCH(int, song);
        QFETCH(QString, music);
        QFETCH(QString, songButton);
        QFETCH(bool, songsShown);
        MusicOption = option;
        SongNumber = song;
        OptionsFrm* form = ShowOptionsFrm();
        const std::pair<QRadioButton*, const char*> buttons[] = {
            {form->RndOpt, "RndOpt"}, {form->SngOpt, "SngOpt"}, {form->NoneOpt, "NoneOpt"},
            {form->ESMOpt, "ESMOpt"}, {form->HorsOpt, "HorsOpt"}, {form->OneOpt, "OneOpt"},
            {form->OrionOpt, "OrionOpt"}, {form->SeekOpt, "SeekOpt"}};
        for (const auto& [button, name] : buttons) {
            const bool expected = music == QLatin1String(name) || songButton == QLatin1String(name);
            QVERIFY2(button->isChecked() == expected, name);
        }
        QCOMPARE(!form->SongFrame->isHidden(), songsShown);
    }

    void loadShowsStoredNumbersAsPlainDecimals_data()
    {
        QTest::addColumn<QString>("levelText");
        QTest::addColumn<QString>("bombsText");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("bombs");
        QTest::newRow("stored values") << "12" << "5" << "12" << "5";
        QTest::newRow("leading zeros dropped") << "007" << "04" << "7" << "4";
        QTest::newRow("leading blank") << " 9x" << "6" << "9" << "6";
        QTest::newRow("nothing stored keeps the design") << "" << "" << "1" << "3";
        QTest::newRow("zero keeps the design") << "0" << "0" << "1" << "3";
    }

    void loadShowsStoredNumbersAsPlainDecimals()
    {
        QFETCH(QString, levelText);
        QFETCH(QString, bombsText);
        StartLevelText = levelText;
        StillBombsText = bombsText;
        OptionsFrm* form = ShowOptionsFrm();
        QTEST(form->StartLev->text(), "level");
        QTEST(form->StillBombs->text(), "bombs");
    }

    void cancelIsDisabledOnTheFirstRunOnly()
    {
        FirstRun = True;
        OptionsFrm* form = ShowOptionsFrm();
        QVERIFY(!form->CancelIt->isEnabled());
        QCOMPARE(FirstRun, False);
        QVERIFY(form->SaveIt->isEnabled());
        UnloadOptionsFrm();
        flushDeletes();
        QVERIFY(ShowOptionsFrm()->CancelIt->isEnabled());
    }

    void escapePressesCancelOnlyWhileCancelIsEnabled()
    {
        FirstRun = True;
        OptionsFrm* form = ShowOptionsFrm();
        QTest::keyClick(form->StartLev, Qt::Key_Escape);
        flushDeletes();
        QCOMPARE(LoadedOptionsFrm(), form);
        QVERIFY(!LoadedGameForm());

        UnloadOptionsFrm();
        flushDeletes();
        form = openWith(QStringLiteral("8"), QStringLiteral("5"));
        form->StartLev->setText(QStringLiteral("12"));
        QTest::keyClick(form->StartLev, Qt::Key_Escape);
        flushDeletes();
        QVERIFY(!LoadedOptionsFrm());
        QVERIFY(LoadedGameForm());
        QVERIFY(writeOrder().isEmpty());
    }

    void returnOrEnterPressesTheFocusedSaveOrCancel()
    {
        OptionsFrm* form = openWith(QString(), QStringLiteral("5"));
        QTest::keyClick(form->SaveIt, Qt::Key_Return);
        QCOMPARE(services().messages.size(), 1);
        QCOMPARE(services().messages[0].text, QStringLiteral("You Need To Choose A Level To Start On."));
        form->StartLev->setText(QStringLiteral("12"));
        QTest::keyClick(form->SaveIt, Qt::Key_Enter, Qt::KeypadModifier);
        flushDeletes();
        QVERIFY(!LoadedOptionsFrm());
        QCOMPARE(StartLevelText, QStringLiteral("12"));

        UnloadGameForm();
        form = openWith(QStringLiteral("30"), QStringLiteral("6"));
        QTest::keyClick(form->CancelIt, Qt::Key_Return);
        flushDeletes();
        QVERIFY(!LoadedOptionsFrm());
        QVERIFY(LoadedGameForm());
        QCOMPARE(StartLevelText, QStringLiteral("12"));
    }

    void musicButtonsShowAndHideTheSongsWithoutClearingThem()
    {
        OptionsFrm* form = ShowOptionsFrm();
        form->SngOpt->click();
        QVERIFY(!form->SongFrame->isHidden());
        form->OrionOpt->click();
        QVERIFY(form->SngOpt->isChecked());
        QVERIFY(form->OrionOpt->isChecked());
        form->RndOpt->click();
        QVERIFY(form->SongFrame->isHidden());
        QVERIFY(!form->SngOpt->isChecked());
        QVERIFY(form->OrionOpt->isChecked());
        form->SeekOpt->click();
        QVERIFY(!form->OrionOpt->isChecked());
        form->NoneOpt->click();
        QVERIFY(form->SongFrame->isHidden());
        form->select(form->SngOpt);
        QVERIFY(!form->SongFrame->isHidden());
        QVERIFY(form->SeekOpt->isChecked());
    }

    void saveChecksTheEntriesInOrder_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("bombs");
        QTest::addColumn<bool>("singleWithoutSong");
        QTest::addColumn<QString>("message");
        QTest::newRow("level empty") << "" << "3" << false << NeedLevel;
        QTest::newRow("level 0") << "0" << "3" << false << NeedLevel;
        QTest::newRow("level 00") << "00" << "3" << false << NeedLevel;
        QTest::newRow("level 000") << "000" << "3" << false << NeedLevel;
        QTest::newRow("pasted negative level") << "-5" << "3" << false << NeedLevel;
        QTest::newRow("pasted fraction below one") << ".5" << "3" << false << NeedLevel;
        QTest::newRow("level 501") << "501" << "3" << false << TooFast;
        QTest::newRow("level 999") << "999" << "3" << false << TooFast;
        QTest::newRow("bombs empty") << "5" << "" << false << NeedBombs;
        QTest::newRow("bombs 0") << "5" << "0" << false << NeedBombs;
        QTest::newRow("bombs 2") << "5" << "2" << false << NeedBombs;
        QTest::newRow("bombs 7") << "5" << "7" << false << NeedBombs;
        QTest::newRow("bombs 9") << "5" << "9" << false << NeedBombs;
        QTest::newRow("empty level and bad bombs") << "" << "9" << false << NeedLevel;
        QTest::newRow("too fast and bad bombs") << "600" << "1" << true << TooFast;
        QTest::newRow("bad bombs and no song") << "5" << "8" << true << NeedBombs;
        QTest::newRow("single without a song") << "5" << "4" << true << NeedSong;
    }

    void saveChecksTheEntriesInOrder()
    {
        QFETCH(QString, level);
        QFETCH(QString, bombs);
        QFETCH(bool, singleWithoutSong);
        QFETCH(QString, message);
        OptionsFrm* form = openWith(level, bombs);
        if (singleWithoutSong)
            form->SngOpt->click();
        form->SaveIt_Click();
        QCOMPARE(services().messages.size(), 1);
        QCOMPARE(services().messages[0].text, message);
        QCOMPARE(services().messages[0].title, QStringLiteral("Crawlix"));
        QVERIFY(services().messages[0].buttons == Runtime::Buttons::Ok);
        flushDeletes();
        QCOMPARE(LoadedOptionsFrm(), form);
        QVERIFY(!LoadedGameForm());
        QCOMPARE(form->StartLev->text(), level);
        QCOMPARE(form->StillBombs->text(), bombs);
        QVERIFY(writeOrder().isEmpty());
    }

    void saveAcceptsTheLimits_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("bombs");
        QTest::newRow("level 1, 3 bombs") << "1" << "3";
        QTest::newRow("level 500, 6 bombs") << "500" << "6";
        QTest::newRow("level 250, 4 bombs") << "250" << "4";
        QTest::newRow("level 7, 5 bombs") << "7" << "5";
    }

    void saveAcceptsTheLimits()
    {
        QFETCH(QString, level);
        QFETCH(QString, bombs);
        openWith(level, bombs)->SaveIt_Click();
        QVERIFY(services().messages.isEmpty());
        QCOMPARE(stored(QStringLiteral("Start Level")), level);
        QCOMPARE(stored(QStringLiteral("Still Bombs")), bombs);
    }

    void saveWritesEachValueInOrder_data()
    {
        QTest::addColumn<QString>("music");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("option");
        const QStringList numbers = {QStringLiteral("Start Level"), QStringLiteral("Still Bombs")};
        QTest::newRow("random") << "RndOpt" << (QStringList{"Music Option"} + numbers) << "Random";
        QTest::newRow("single") << "SngOpt" << (QStringList{"Music Option", "Song To Play"} + numbers) << "Single";
        QTest::newRow("none") << "NoneOpt" << (QStringList{"Music Option"} + numbers) << "None";
    }

    void saveWritesEachValueInOrder()
    {
        QFETCH(QString, music);
        QFETCH(QStringList, names);
        QFETCH(QString, option);
        OptionsFrm* form = openWith(QStringLiteral("12"), QStringLiteral("4"));
        form->SngOpt->click();
        form->OrionOpt->click();
        QRadioButton* choice = music == QLatin1String("RndOpt") ? form->RndOpt
            : music == QLatin1String("SngOpt")                  ? form->SngOpt
                                                                : form->NoneOpt;
        choice->click();
        form->SaveIt_Click();
        QVERIFY(services().messages.isEmpty());
        QCOMPARE(writeOrder(), names);
        QCOMPARE(stored(QStringLiteral("Music Option")), option);
        QCOMPARE(stored(QStringLiteral("Start Level")), QStringLiteral("12"));
        QCOMPARE(stored(QStringLiteral("Still Bombs")), QStringLiteral("4"));
    }

    void eachSongButtonStoresItsKey()
    {
        const char* keys[] = {"ESM", "Horse", "One", "Orion", "Seek"};
        for (int number = 0; number < 5; ++number) {
            OptionsFrm* form = openWith(QStringLiteral("3"), QStringLiteral("3"));
            form->SngOpt->click();
            QRadioButton* songs[] = {form->ESMOpt, form->HorsOpt, form->OneOpt, form->OrionOpt, form->SeekOpt};
            songs[number]->click();
            form->SaveIt_Click();
            flushDeletes();
            QCOMPARE(stored(QStringLiteral("Song To Play")), QLatin1String(keys[number]));
            UnloadGameForm();
            flushDeletes();
        }
    }

    void randomAfterPickingASongLeavesTheStoredSongAlone()
    {
        store(QStringLiteral("Song To Play"), QStringLiteral("Seek"));
        OptionsFrm* form = openWith(QStringLiteral("3"), QStringLiteral("3"));
        form->SngOpt->click();
        form->OrionOpt->click();
        form->RndOpt->click();
        form->SaveIt_Click();
        QCOMPARE(stored(QStringLiteral("Music Option")), QStringLiteral("Random"));
        QCOMPARE(stored(QStringLiteral("Song To Play")), QStringLiteral("Seek"));
    }

    void numbersAreStoredAsTheirPlainDecimalText()
    {
        openWith(QStringLiteral("007"), QStringLiteral("5"))->SaveIt_Click();
        QCOMPARE(stored(QStringLiteral("Start Level")), QStringLiteral("7"));
        UnloadGameForm();
        flushDeletes();
        openWith(QStringLiteral("1x"), QStringLiteral("6"))->SaveIt_Click();
        QCOMPARE(stored(QStringLiteral("Start Level")), QStringLiteral("1"));
    }

    void keyFiltersPassDigitsAndBackspaceOnly()
    {
        OptionsFrm* form = ShowOptionsFrm();
        for (int code = 0; code < 256; ++code) {
            int16_t level = int16_t(code);
            int16_t bombs = int16_t(code);
            form->StartLev_KeyPress(level);
            form->StillBombs_KeyPress(bombs);
            const bool passes = code == 8 || (code >= '0' && code <= '9');
            QCOMPARE(level, int16_t(passes ? code : 0));
            QCOMPARE(bombs, level);
        }
    }

    void typingIntoTheBoxesKeepsDigitsWithinTheLimit()
    {
        OptionsFrm* form = ShowOptionsFrm();
        form->show();
        form->StartLev->clear();
        QTest::keyClicks(form->StartLev, QStringLiteral("a1 /:2b3"));
        QCOMPARE(form->StartLev->text(), QStringLiteral("123"));
        QTest::keyClicks(form->StartLev, QStringLiteral("4"));
        QCOMPARE(form->StartLev->text(), QStringLiteral("123"));
        QTest::keyClick(form->StartLev, Qt::Key_Backspace);
        QCOMPARE(form->StartLev->text(), QStringLiteral("12"));
        QTest::keyClick(form->StartLev, Qt::Key_Left);
        QTest::keyClicks(form->StartLev, QStringLiteral("-9"));
        QCOMPARE(form->StartLev->text(), QStringLiteral("192"));

        form->StillBombs->clear();
        QTest::keyClicks(form->StillBombs, QStringLiteral("x5"));
        QCOMPARE(form->StillBombs->text(), QStringLiteral("5"));
        QTest::keyClicks(form->StillBombs, QStringLiteral("6"));
        QCOMPARE(form->StillBombs->text(), QStringLiteral("5"));
    }

    void pastedTextIsOnlyCutToTheLimit()
    {
        OptionsFrm* form = ShowOptionsFrm();
        form->show();
        QGuiApplication::clipboard()->setText(QStringLiteral("x9y8"));
        form->StartLev->clear();
        QTest::keyClick(form->StartLev, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form->StartLev->text(), QStringLiteral("x9y"));
        form->StillBombs->clear();
        form->StillBombs->paste();
        QCOMPARE(form->StillBombs->text(), QStringLiteral("x"));
    }

    void saveAndCancelBringBackAFreshGameWithTheMusicRestarted()
    {
        services().applicationPath = QStringLiteral("/games/crawlix");
        store(QStringLiteral("Music Option"), QStringLiteral("Single"));
        store(QStringLiteral("Song To Play"), QStringLiteral("Orion"));
        store(QStringLiteral("Start Level"), QStringLiteral("3"));
        store(QStringLiteral("Still Bombs"), QStringLiteral("4"));

        QPointer<GameForm> first = ShowGameForm();
        QCOMPARE(SongFile, QStringLiteral("/games/crawlix/orion.mid"));
        first->OptionMenu_Click();
        flushDeletes();
        QVERIFY(!first);
        QVERIFY(!LoadedGameForm());
        OptionsFrm* form = LoadedOptionsFrm();
        QVERIFY(form);
        QVERIFY(form->OrionOpt->isChecked());
        QCOMPARE(form->StartLev->text(), QStringLiteral("3"));

        SongFile.clear();
        form->CancelIt_Click();
        flushDeletes();
        QVERIFY(!LoadedOptionsFrm());
        QPointer<GameForm> second = LoadedGameForm();
        QVERIFY(second);
        QCOMPARE(SongFile, QStringLiteral("/games/crawlix/orion.mid"));
        QCOMPARE(second->MMControl1().fileName(), SongFile);

        second->OptionMenu_Click();
        flushDeletes();
        QVERIFY(!second);
        form = LoadedOptionsFrm();
        form->SeekOpt->click();
        form->StartLev->setText(QStringLiteral("9"));
        form->SaveIt_Click();
        flushDeletes();
        QVERIFY(!LoadedOptionsFrm());
        GameForm* third = LoadedGameForm();
        QVERIFY(third);
        QCOMPARE(StartLevelText, QStringLiteral("9"));
        QCOMPARE(StillBombsText, QStringLiteral("4"));
        QCOMPARE(SongNumber, 5);
        QCOMPARE(third->MMControl1().fileName(), QStringLiteral("/games/crawlix/seek.mid"));
        QVERIFY(services().messages.isEmpty());
    }

    void aRandomSongIsDrawnAgainOnEveryReturn()
    {
        store(QStringLiteral("Music Option"), QStringLiteral("Random"));
        OptionsFrm* form = openWith(QStringLiteral("2"), QStringLiteral("3"));
        services().randomValues = {0.05f, 0.55f};
        form->CancelIt_Click();
        QCOMPARE(SongNumber, 3);
        QCOMPARE(services().doEventsCalls, 1);
    }

    void theCloseBoxUnloadsWithoutStoringOrShowingTheGame()
    {
        OptionsFrm* form = openWith(QStringLiteral("8"), QStringLiteral("5"));
        form->show();
        QVERIFY(form->close());
        flushDeletes();
        QVERIFY(!LoadedOptionsFrm());
        QVERIFY(!LoadedGameForm());
        QVERIFY(writeOrder().isEmpty());
        QVERIFY(services().messages.isEmpty());
    }
};

QTEST_MAIN(OptionsFrmTest)
#include "test_optionsfrm.moc"
