#pragma once
// The game window's music control: a small MIDI sequencer. It opens a song by its full
// path, plays it once from the beginning without blocking the window, and stops when the
// control goes away (with its window) or the program ends. Loading happens off the window's
// critical path, so the window appears at once.

#include <QString>
#include <cstdint>
#include <functional>

class MusicControl {
public:
    MusicControl();
    ~MusicControl(); // stops the song; never waits for a song still loading
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

    // Waits until this control's song has been loaded and started, or given up; true when
    // nothing of it is pending any more (tests wait with it; the game never does).
    bool waitUntilLoaded(int timeoutMs) const;

    // Waits until the sequencer has nothing left to load or free.
    static bool waitUntilIdle(int timeoutMs);
    // How many song loads the sequencer has begun since the program started.
    static int songLoadCount();
    // Tests hold every song load here, on the loading thread, just before the soundfont is
    // read (an empty function lets loads run free again).
    static void setLoadGate(std::function<void()> gate);
    // True while any control's song is sounding.
    static bool songSounding();
    // True while the synthesizer and its soundfont are in memory.
    static bool synthesizerLoaded();
    // Hands the songs to the open mixer (Audio::open calls it).
    static void attachSequencer(int deviceRate, int deviceChannels);
    // Stops the song at once and lets go of the synthesizer, without waiting for a load
    // still under way (Audio::close calls it before the device goes away).
    static void closeSequencer();

private:
    void start();

    std::uint64_t id_;
    QString openedFile_;
    bool opened_ = false;
    QString fileName_;
    bool notify_ = false;
    bool wait_ = false;
};
