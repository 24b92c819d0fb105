#pragma once
// An opt-in measurement of the game tick for the benchmark (bench/run): with
// CRAWLIX_BENCH_TICKS set to a file name, every tick's start, thread CPU time and heap
// allocations are kept in memory, and once enough ticks are measured they are written to
// that file, one tick a line. Without the variable no probe exists and the tick runs bare.
//
// Allocations are counted only when bench/run preloads its allocation counter, which
// exports crawlix_allocations(); otherwise they are written as -1.

#include <array>
#include <cstdint>
#include <memory>
#include <QString>

class QObject;

class TickProbe {
public:
    // The probe the environment asks for, or none.
    static std::unique_ptr<TickProbe> fromEnvironment();

    explicit TickProbe(QString path);

    // Runs one tick of the owner's and measures it.
    void measure(void (*tick)(QObject* owner), QObject* owner);

private:
    struct Sample {
        int64_t startNs;
        int64_t cpuNs;
        int64_t allocations;
    };
    // 30 seconds of play at a tick every 15 ms.
    static constexpr size_t Ticks = 2000;

    void write() const;

    QString path_;
    using Counter = unsigned long long (*)();
    Counter allocations_ = nullptr;
    std::array<Sample, Ticks> samples_{};
    size_t count_ = 0;
};
