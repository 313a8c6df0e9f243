// The program's entry: refuses a second instance, then runs the mode its command line names.
#pragma once

#include "saver/SaverRunner.h"

class Program
{
public:
    // Runs the program for `argc`/`argv` and returns its exit status; main ends the process with it.
    // Before anything else, the program ends (status 0) while a saver window or settings dialog of
    // it is open. Then the mode: "/p <window>" the preview inside that window (the settings are not
    // read); "/c" the settings dialog; "/s" the saver with the pointer hidden, and the empty command
    // line the saver with the pointer shown; anything else ends at once. Only the second character
    // of the command line names the mode. `tuning` goes to the saver modes (benchmarks change it).
    static int run(int argc, char **argv, const SaverRunner::Tuning &tuning = {});
};
