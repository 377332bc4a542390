#include "platform/display_platform.h"
#include "platform/termination_signals.h"
#include "shell/app.h"
#include "shell/command_line.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // A full disk or a file-size limit must fail a write, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> status = command_line::answer(argc, argv))
        return *status;
    display_platform::preferStayOnTop(argc, argv);
    QApplication application(argc, argv);
    App app(Platform::system());
    if (!app.startUp())
        return 0;
    termination_signals::quitEventLoopOnSignals();
    return QApplication::exec();
}
