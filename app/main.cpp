// Entry point: runs the program and ends the process with its status.
#include "app/Program.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const int status = Program::run(argc, argv);
    // Ends at once: whatever the modes left behind is the system's to free, and no window handler
    // may run after the end.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
