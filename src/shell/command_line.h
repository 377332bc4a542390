#pragma once

#include <optional>

// The options rekuda31 takes: --check, --help and --version, and the
// commands add, list and remove (memo_commands). Qt's own
// options (-platform, -display...) pass through to the application.
namespace command_line {

// Answers an option that ends the process and returns its exit status (2 for
// a usage error), or nothing when the program is to start as usual. Call
// before any application object exists.
std::optional<int> answer(int argc, char **argv);

// Prints the report of what this machine lacks for reminders and returns 0
// when the alarm can be seen, read and heard and the memos saved, else 1.
// Starts no copy, takes no lock, writes nothing.
int check(char *program);

} // namespace command_line
