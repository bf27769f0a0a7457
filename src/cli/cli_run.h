#pragma once
// One run of tarnwick-cli from its command line to its exit status.

namespace tarnwick {

// Exit status: 0 done; 1 a copy failed or a row was not copied (copy mode),
// a folder could not be listed, or the rows could not be written; 2 bad
// arguments or a failed check; 128 + N when stopped by signal N.
int RunTarnwickCli(int argc, char** argv);

} // namespace tarnwick
