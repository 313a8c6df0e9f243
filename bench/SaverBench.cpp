// Benchmark build of the saver: the program itself, with the "hc-bench" lines on standard error.
//
// It runs exactly as helixcavern does, on the same libraries, and writes its start-up stages, its
// first presented frame and, at the end, its frame count and CPU time (see BenchReport.h). Two
// variables of the environment change how it draws, for bench/bench.py to weigh each way:
//   HELIXCAVERN_BENCH_UNPACED=1                 frames back to back instead of paced to the screen
//   HELIXCAVERN_BENCH_DRAWING=depth,immediate   the depth test and/or immediate-mode drawing
#include "app/Program.h"
#include "bench/BenchReport.h"

#include <QByteArray>
#include <QtGlobal>

int main(int argc, char **argv)
{
    benchreport::Probe probe;
    SaverRunner::Tuning tuning;
    tuning.probe = &probe;
    tuning.unpaced = qEnvironmentVariableIsSet("HELIXCAVERN_BENCH_UNPACED");
    const QByteArray drawing = qgetenv("HELIXCAVERN_BENCH_DRAWING");
    tuning.drawing.depthTest = drawing.contains("depth");
    tuning.drawing.immediateMode = drawing.contains("immediate");
    Program::endProcess(Program::run(argc, argv, tuning));
}
