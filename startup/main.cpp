// Entry point: hands the command line and the mode entry points to Main.
#include "Helixcavern_B.h"
#include "Helixcavern_P.h"
#include "Helixcavern_S.h"

int main(int argc, char **argv)
{
    return Helixcavern_B::Main(argc, argv, {&Helixcavern_S::run, &Helixcavern_P::run});
}
