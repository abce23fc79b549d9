// phones: the telephone directory program.

#include "app/startup/program.h"

int main(int argc, char** argv) { return ProgramMain(argc, argv); }
