#pragma once
// What the hpi-host commands share: the command-line options they declare
// (CLI11), and (command_support.h) the error and warning lines and opening
// and closing the host.
//
// A command adds its subcommand to the tool's app and answers the function
// that runs it once the command line is parsed. Errors name the option or
// file at fault and answer the exit code of cli.h.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "command_support.h"
#include "host.h"

namespace hpihost {

// [main] Runs a parsed command; answers its exit code.
using CommandRun = std::function<int()>;

// [main] The subcommands; each answers its runner.
CommandRun AddInfoCommand(CLI::App& app);
CommandRun AddRenderCommand(CLI::App& app);
CommandRun AddValidateCommand(CLI::App& app);
CommandRun AddEditCommand(CLI::App& app);

// [main] An option taking one value (or one per use, for a list) that
// `accepts` checks; a refused or missing value fails the parse with
// "NAME needs NEEDS, not 'VALUE'".
CLI::Option* AddValueOption(CLI::App& command, const std::string& name, std::string* target,
                            const std::string& help, const std::string& needs,
                            const std::function<bool(const std::string&)>& accepts = {});
CLI::Option* AddListOption(CLI::App& command, const std::string& name,
                           std::vector<std::string>* target, const std::string& help,
                           const std::string& needs,
                           const std::function<bool(const std::string&)>& accepts = {});
// [main] The line hpi-host prints for a parse error.
std::string ParseErrorText(const CLI::ParseError& error);
// [main] The first argument a command did not take, as an error: an unknown
// option, or a positional too many ("COMMAND takes ...").
std::string ExtraArgumentText(const CLI::App& command, const std::string& takes);

}  // namespace hpihost
