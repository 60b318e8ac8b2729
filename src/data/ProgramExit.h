// Ending the program. code4exit, error4exitTest and FailOpen all end it through EndProgram, after
// their message and without further questions. The default handler releases the data directory's
// lock and leaves the process; the desktop installs one that quits the application, and tests
// install one that throws ProgramEnded so they can observe the end.
#pragma once

#include <functional>
#include <stdexcept>

namespace kvl {

struct ProgramEnded : std::runtime_error {
    explicit ProgramEnded(int c) : std::runtime_error("program ended"), code(c) {}
    int code;
};

using ExitHandler = std::function<void(int code)>;

// Installs handler (empty restores the default). Returns the previous one.
ExitHandler SetExitHandler(ExitHandler handler);

// Runs the handler; if it returns, leaves the process with code.
[[noreturn]] void EndProgram(int code);

// Work to do before the process leaves (releasing the directory lock); runs once, in reverse order.
void AtProgramEnd(std::function<void()> cleanup);
void RunProgramEndCleanups();

}  // namespace kvl
