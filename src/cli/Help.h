#pragma once
// clockctl's help: the whole of it, and each command's part.
#include <optional>
#include <string>

std::string FullHelp();
// "usage: clockctl [line options] detect ..." with what the command does; nothing for a word
// that is no command.
std::optional<std::string> CommandHelp(const std::string& ACommand);
bool IsCommand(const std::string& AWord);
std::string VersionText();
