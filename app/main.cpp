// Entry point: runs the program and ends the process as the program says.
#include "app/Program.h"

int main(int argc, char **argv)
{
    Program::endProcess(Program::run(argc, argv));
}
