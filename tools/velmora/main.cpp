// velmora: registers or removes tabloom's project-file association for the
// current user, from the task file that tabloom writes.
#include <iostream>

#include "TVelmora.h"

int main(int argc, char* argv[])
{
    return RunVelmora(argc, argv, std::cerr);
}
