// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game window's music control: a small MIDI sequencer. It opens a song by its full
// path, plays it once from the beginning without blocking the window, and stops its own
// song when the control goes away (with its window) or the program ends. The song loads
// off the window's critical path, so the window appears at once.

#include <QString>
#include <cstdint>

class MusicControl {
public:
    MusicControl() = default;
    ~MusicControl(); // stops its song; never waits for a song still loading
    MusicControl(const MusicControl&) = delete;
    MusicControl& operator=(const MusicControl&) = delete;

    // The two flags the game clears before every open (kept for the record; they change
    // nothing here).
    void setNotify(bool value) { notify_ = value; }
    void setWait(bool value) { wait_ = value; }

    void setFileName(const QString& path) { fileName_ = path; }
    QString fileName() const { return fileName_; }

    // "Open", "Play", "prev" (back to the beginning), "Stop", "Close"; anything else is
    // ignored. Results are never reported. "Play" and "prev" both start the opened song
    // from its beginning; given one right after the other they load it only once.
    void setCommand(const QString& command);

    // True from a Play while the song is being loaded or is sounding; false once it has
    // ended, after Stop or Close, when another control's song took over, and whenever the
    // song, the soundfont or the audio device is missing.
    bool playing() const;

private:
    void start();
    void stop();

    std::uint64_t song_ = 0; // the sound module's number of the song started last
    QString songFile_;
    QString openedFile_;
    bool opened_ = false;
    QString fileName_;
    bool notify_ = false;
    bool wait_ = false;
};
