// The program's entry: refuses a second instance, then runs the mode its command line names.
#pragma once

#include "saver/SaverRunner.h"

class Program
{
public:
    // How the process ends: with `status`, or, when `signal` is not 0, by that signal.
    struct End {
        int status = 0;
        int signal = 0;
    };

    // Runs the program for `argc`/`argv` and returns how it ends; main ends the process so.
    // Before anything else, the program ends (status 0) while a saver window or settings dialog of
    // it is open. Then the mode: "/p <window>" the preview inside that window (the settings are not
    // read); "/c" the settings dialog; "/s" the saver with the pointer hidden, and the empty command
    // line the saver with the pointer shown; anything else ends at once. Only the second character
    // of the command line names the mode. Hosted mode (see HostedOptions) catches SIGTERM, SIGINT
    // and SIGHUP from its start: one of them ends it cleanly, and the process then ends by that
    // signal. `tuning` goes to the saver modes (benchmarks change it).
    static End run(int argc, char **argv, const SaverRunner::Tuning &tuning = {});

    // Flushes the standard streams and ends the process at once as `end` says: whatever the modes
    // left behind is the system's to free, and no window handler may run after the end.
    [[noreturn]] static void endProcess(const End &end);
};
