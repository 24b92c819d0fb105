// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The top ten window: one row per rank, the name on the left and the score on the right,
// and one action, clearing the list after a confirmation. There is one window object for
// the whole run; closing it only unloads it (hides it), and the next showing loads it
// afresh.
//
// Every control keeps its position and size in twips as float (dynamic properties "Left",
// "Top", "Width", "Height"); the pixels on screen are twips / 15.

#include "shared/Declarations.h"

#include <QWidget>

#include <array>

class QLabel;
class QPushButton;

class TopTen : public QWidget {
    Q_OBJECT
public:
    TopTen();

    void Form_Load();
    void ClearIt_Click();

    // True while the window is loaded (shown and not closed since).
    bool loaded() const { return loaded_; }
    void setLoaded(bool value) { loaded_ = value; }

    // The window's outer width in twips: the client area plus the window frame.
    float outerWidth() const;
    // The window's position on the screen in twips.
    float Left() const { return left_; }
    float Top() const { return top_; }

    // NameOne ... NameTen and ScoreOne ... ScoreTen, by rank 1 to 10.
    QLabel* Name(int rank) const { return names_.at(size_t(rank - 1)); }
    QLabel* Score(int rank) const { return scores_.at(size_t(rank - 1)); }

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* ClearIt;

signals:
    // The empty list was stored: every entry has left it.
    void listCleared();

protected:
    // The close box unloads the window; so does Escape.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The focused button shows its focus ring from the start.
    void showEvent(QShowEvent* event) override;

private:
    void buildHeadings();
    void buildRows();
    void moveTo(float leftTwips, float topTwips);

    std::array<QLabel*, TopRanks> names_{};
    std::array<QLabel*, TopRanks> scores_{};
    bool loaded_ = false;
    float left_ = 0;
    float top_ = 0;
};
