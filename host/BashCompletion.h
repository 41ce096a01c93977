// Bash completion for tessel, written from the commands' declarations: command names, each
// command's options, and files or folders where an option or argument takes one. The build
// generates it with `tessel help --bash-completion`.
#pragma once

#include <QString>

class BashCompletion {
public:
    static QString Write();

private:
    // What a value or argument of this name completes to: "file", "dir", "command" or "".
    static QString Kind(const QString& valueName);
};
