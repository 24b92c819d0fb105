#include "game/TickProbe.h"

#include <QFile>
#include <QTextStream>

#include <dlfcn.h>
#include <time.h>

namespace {
const char* const ProbeVariable = "CRAWLIX_BENCH_TICKS";
const char* const CounterSymbol = "crawlix_allocations";

int64_t nanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}
} // namespace

std::unique_ptr<TickProbe> TickProbe::fromEnvironment()
{
    const QString path = qEnvironmentVariable(ProbeVariable);
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<TickProbe>(path);
}

TickProbe::TickProbe(QString path)
    : path_(std::move(path))
    , allocations_(reinterpret_cast<Counter>(dlsym(RTLD_DEFAULT, CounterSymbol)))
{
}

[[gnu::hot]] void TickProbe::measure(void (*tick)(QObject* owner), QObject* owner)
{
    if (count_ >= Ticks) {
        tick(owner);
        return;
    }
    Sample& sample = samples_[count_];
    const int64_t allocationsBefore = allocations_ ? int64_t(allocations_()) : 0;
    sample.startNs = nanoseconds(CLOCK_MONOTONIC);
    // The thread's clock is read through the kernel, and the first read after the thread
    // slept costs a couple of microseconds itself: that read is taken before the tick and
    // thrown away, so the figure is the tick's and not the probe's.
    nanoseconds(CLOCK_THREAD_CPUTIME_ID);
    const int64_t cpuBefore = nanoseconds(CLOCK_THREAD_CPUTIME_ID);
    tick(owner);
    sample.cpuNs = nanoseconds(CLOCK_THREAD_CPUTIME_ID) - cpuBefore;
    sample.allocations = allocations_ ? int64_t(allocations_()) - allocationsBefore : -1;
    if (++count_ == Ticks)
        write();
}

void TickProbe::write() const
{
    QFile file(path_ + QStringLiteral(".part"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QTextStream out(&file);
    out << "start_ns cpu_ns allocations\n";
    for (const Sample& sample : samples_)
        out << sample.startNs << ' ' << sample.cpuNs << ' ' << sample.allocations << '\n';
    out.flush();
    file.close();
    // Whole or not at all: the benchmark waits for the file's name.
    file.rename(path_);
}
