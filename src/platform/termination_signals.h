#pragma once

// A desktop that logs out or a service manager that stops the program sends
// SIGTERM (or SIGHUP, or SIGINT from a terminal). Those end the event loop in
// order, so the program's aboutToQuit handlers still run, instead of killing
// it where it stands.
namespace termination_signals {

void quitEventLoopOnSignals();

} // namespace termination_signals
