// The tessel program's commands. Each command lives in its own file and registers itself:
//   static const CommandRegistration reg{"split", "split address texts with patterns", RunSplit};
#pragma once

#include <functional>
#include <string>
#include <vector>

using CommandFunction = std::function<int(const std::vector<std::string>& args)>;

struct Command {
    std::string name;
    std::string summary; // one line for --help
    CommandFunction run; // gets the arguments after the command name; returns the exit code
};

std::vector<Command>& Commands();

struct CommandRegistration {
    CommandRegistration(std::string name, std::string summary, CommandFunction run) {
        Commands().push_back({std::move(name), std::move(summary), std::move(run)});
    }
};
