#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CliCommon.h"

// Each command takes the arguments left after the line options and the command word.
int RunPortsCommand(std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr);
int RunSendCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr);
// Dials the --modem number: prints the outcome text and, when connected, the connect speed.
int RunDialCommand(std::vector<std::string>& AArgs, const LineOptions& ALineOptions,
                   std::ostream& AOut, std::ostream& AErr);
