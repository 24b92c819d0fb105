#pragma once
// Placeholder: the top ten window lands with the options.
#include <QWidget>

class TopTen : public QWidget {
    Q_OBJECT
public:
    TopTen();
    void Form_Load();
    // True while the window is loaded (shown and not closed since).
    bool loaded() const { return loaded_; }
    void setLoaded(bool value) { loaded_ = value; }

private:
    bool loaded_ = false;
};
