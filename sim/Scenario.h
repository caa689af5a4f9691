// Scenario files: the command language, one command a line, read whole at start-up.
#ifndef SIM_SCENARIO_H
#define SIM_SCENARIO_H

#include <cstdio>
#include <string>
#include <vector>

#include "SimCommand.h"

// Parses every line of path, appending the commands to commands. Each bad line is
// reported on err as "path:line: message". Returns the number of bad lines, or -1 when
// the file cannot be read (reported too).
int LoadScenario(const std::string &path, std::vector<tSimCommand> &commands, FILE *err);

#endif
