// The "hc-bench" lines the benchmark programs write on standard error, read by bench/bench.py.
#pragma once

#include "saver/SaverProbe.h"

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace benchreport {
inline double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// "hc-bench stage NAME MONOTONIC_NS RESIDENT_MB CPU_MS".
inline void stage(const char *name)
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    long pages = 0, resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    std::fprintf(stderr, "hc-bench stage %s %lld %.1f %.1f\n", name, (long long)t.tv_sec * 1000000000LL + t.tv_nsec,
                 double(resident) * double(sysconf(_SC_PAGESIZE)) / 1048576.0, processCpuSeconds() * 1000.0);
}

inline double &cpuAtFirstFrame()
{
    static double seconds = 0.0;
    return seconds;
}

// Called after every presented frame; the first one marks the "first-swap" stage.
inline void framePresented(long long framesSoFar)
{
    if (framesSoFar == 1) {
        cpuAtFirstFrame() = processCpuSeconds();
        stage("first-swap");
    }
}

// "hc-bench frames N cpu SECONDS": frames drawn and CPU spent on them since the first.
inline void finished(long long frames)
{
    std::fprintf(stderr, "hc-bench frames %lld cpu %.6f\n", frames, processCpuSeconds() - cpuAtFirstFrame());
    std::fflush(stderr);
}

// The saver's probe that writes these lines.
class Probe : public SaverProbe
{
public:
    void stage(const char *name) override { benchreport::stage(name); }
    void framePresented(qint64 framesSoFar) override { benchreport::framePresented(framesSoFar); }
    void finished(qint64 frames) override { benchreport::finished(frames); }
};
} // namespace benchreport
