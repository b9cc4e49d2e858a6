#pragma once
// The version of the programs (clockdiag, clockctl, clocksim): one number for the whole project,
// set by the build from the project's version.
#include <string>

std::string ProgramVersion();
