// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options window: the start level, the number of still bombs and the music. It shows
// the options as the game last loaded them, checks the entries on Save, stores them and
// hands back to a freshly loaded game window.
//
// Every control keeps its position and size in twips as float (dynamic properties "Left",
// "Top", "Width", "Height"); the pixels on screen are twips / 15.

#include "shared/HandOver.h"

#include <QWidget>

#include <cstdint>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class OptionsFrm : public QWidget {
    Q_OBJECT
public:
    OptionsFrm();

    // The window's outer width in twips: the client area plus the window frame.
    float outerWidth() const;
    // The window's position on the screen in twips.
    float Left() const { return left_; }
    float Top() const { return top_; }

    void Form_Load();
    void RndOpt_Click();
    void SngOpt_Click();
    void NoneOpt_Click();
    // Typed characters pass through these first; setting KeyAscii to 0 discards one.
    void StartLev_KeyPress(int16_t& KeyAscii);
    void StillBombs_KeyPress(int16_t& KeyAscii);
    void SaveIt_Click();
    void CancelIt_Click();

    // Selects an option button as a click by the player does: its click handler runs.
    void select(QRadioButton* button);

    // What the window asks of the program: a fresh game window, its own end.
    HandOver& handOver() { return handOver_; }

    QLabel* Label1;
    QGroupBox* MusicOpts;
    QRadioButton* RndOpt;
    QRadioButton* SngOpt;
    QGroupBox* SongFrame;
    QRadioButton* ESMOpt;
    QRadioButton* HorsOpt;
    QRadioButton* OneOpt;
    QRadioButton* OrionOpt;
    QRadioButton* SeekOpt;
    QRadioButton* NoneOpt;
    QPushButton* SaveIt;
    QPushButton* CancelIt;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* StartLev;
    QLabel* Label4;
    QLabel* Label5;
    QLineEdit* StillBombs;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape presses Cancel while Cancel is enabled.
    void keyPressEvent(QKeyEvent* event) override;
    // The focused control shows its focus ring from the start.
    void showEvent(QShowEvent* event) override;

private:
    void buildMusicControls();
    void buildEntryControls();
    void arrangeTabOrder();
    void connectHandlers();
    QRadioButton* songButton(int number) const;
    QRadioButton* selectedSong() const;
    // The first failed check's message, or empty text when the entries may be stored.
    QString entryProblem() const;
    void writeOptions();
    // Shows a fresh game window and unloads this one.
    void backToTheGame();
    void moveTo(float leftTwips, float topTwips);

    HandOver handOver_;
    QButtonGroup* musicGroup_;
    QButtonGroup* songGroup_;
    float left_ = 0;
    float top_ = 0;
};
