#pragma once
// The game window's music control: a small MIDI sequencer. It opens a song by its full
// path, plays it once from the beginning without blocking the window, and stops when the
// control goes away (with its window) or the program ends. Loading happens off the window's
// critical path, so the window appears at once.

#include <QString>
#include <memory>

class MusicControl {
public:
    MusicControl();
    ~MusicControl(); // stops the song

    // The two flags the game clears before every open (kept for the record; they change
    // nothing here).
    void setNotify(bool value) { notify_ = value; }
    void setWait(bool value) { wait_ = value; }

    void setFileName(const QString& path) { fileName_ = path; }
    QString fileName() const { return fileName_; }

    // "Open", "Play", "prev" (back to the beginning), "Stop", "Close"; anything else is
    // ignored. Results are never reported.
    void setCommand(const QString& command);

    // True from a Play until Stop, Close or the end of the control.
    bool playing() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    QString fileName_;
    bool notify_ = false;
    bool wait_ = false;
};
