#pragma once

#include "platform/platform.h"
#include "shell/dbus_service.h"
#include "shell/forms.h"
#include "store/memo_book.h"

#include <functional>

// The running program: its operating-system services, the memo book and every
// window. Windows reach each other and the book through the one current App,
// as the program's shared names (form1, MEMO, ...).
class App
{
public:
    explicit App(Platform platform);
    ~App();
    App(const App &) = delete;
    App &operator=(const App &) = delete;

    static App &instance();

    // Start-up; false when another instance already runs (nothing was done).
    bool startUp();
    // The tray menu's "終了": icon removed, beep, every window unloaded.
    void exitProgram();
    // Ends the process at once, without the orderly exit.
    void endImmediately();
    // Before the program ends: puts a memo taken out of the table for editing
    // back, and writes the table again if its last save failed.
    void settleBeforeEnd();

    Platform os;
    MemoBook book;
    // How the process ends at once; tests replace it.
    std::function<void()> terminate;
    // How the orderly exit ends the event loop; tests replace it.
    std::function<void()> quit;

    Forms forms;
    // Scripts' requests, also on the session bus once started.
    MemoService scripts {*this};

private:
    // Whether an orderly or immediate end may go ahead now.
    bool readyToEnd();
    // The store's count of saves when an end was refused for an unwritten change.
    int m_endRefusedAtSaves = -1;
};

// The memo book shared by every window.
inline MemoBook &memoBook()
{
    return App::instance().book;
}
