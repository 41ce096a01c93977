// tessel: the host application of the address decomposition component, and its command line.
#include "Command.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

static void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: tessel COMMAND [ARGS...]\n\ncommands:\n");
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (const Command& c : commands)
        std::fprintf(out, "  %-10s %s\n", c.name.c_str(), c.summary.c_str());
    std::fprintf(out, "\n'tessel COMMAND --help' tells more about a command.\n");
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        PrintUsage(stdout);
        return 0;
    }
    for (const Command& c : Commands()) {
        if (c.name == argv[1])
            return c.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "tessel: unknown command '%s' (try tessel --help)\n", argv[1]);
    return 2;
}
