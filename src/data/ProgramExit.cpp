#include "data/ProgramExit.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace kvl {

namespace {

ExitHandler& Handler() {
    static ExitHandler handler;
    return handler;
}

std::vector<std::function<void()>>& Cleanups() {
    static std::vector<std::function<void()>> cleanups;
    return cleanups;
}

}  // namespace

ExitHandler SetExitHandler(ExitHandler handler) {
    ExitHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void EndProgram(int code) {
    if (Handler()) Handler()(code);
    RunProgramEndCleanups();
    std::exit(code);
}

void AtProgramEnd(std::function<void()> cleanup) {
    Cleanups().push_back(std::move(cleanup));
}

void RunProgramEndCleanups() {
    // Taken out first so that a cleanup that ends the program again cannot run the list twice.
    std::vector<std::function<void()>> pending;
    pending.swap(Cleanups());
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) (*it)();
}

}  // namespace kvl
