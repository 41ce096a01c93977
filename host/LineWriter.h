// Lines to standard output for commands that print much: a write error (a full disk) is an error
// the command reports, while a reader that went away (| head) simply ends the output.
#pragma once

#include <QString>

#include <cstdio>
#include <optional>

// One line (UTF-8, a line break, flushed at once) for commands that print little: results, notes.
void PrintLine(std::FILE* to, const QString& line);

// Flushes a stream written with stdio and tells why what was written to it did not all arrive (a
// full disk), or nothing. A reader that went away (EPIPE) is no failure.
std::optional<QString> OutputError(std::FILE* out);

class LineWriter {
public:
    enum class State { Open, Closed, Failed };

    // Ignores SIGPIPE for the process, so a closed pipe shows as EPIPE instead of ending it.
    explicit LineWriter(std::FILE* out = stdout);

    // Writes the line and a line break; false once the output is closed or failed.
    bool Write(const QString& line);
    // Flushes what is buffered; the final state.
    State Finish();

    State Current() const { return m_state; }
    // The system's text for a failure ("No space left on device").
    QString Error() const;

private:
    bool Check(bool ok);

    std::FILE* m_out;
    State m_state = State::Open;
    int m_error = 0;
};
