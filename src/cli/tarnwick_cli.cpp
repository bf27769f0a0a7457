// tarnwick-cli: runs one copy job from the command line with the same engine
// and the same checks as the window.

#include "cli/cli_run.h"

int main(int argc, char** argv) {
    return tarnwick::RunTarnwickCli(argc, argv);
}
