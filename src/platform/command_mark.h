#pragma once

#include <QByteArray>
#include <QString>

// Held by a command (`rekuda31 add` ...) while it works on a data folder
// without a running copy. A start of the program that finds the instance lock
// taken asks for it: held, the lock will soon be free and the start waits;
// not held, a copy runs and the start ends. The mark is a name in the
// abstract Unix socket namespace, which the kernel drops with the process.
class CommandMark
{
public:
    // key names the data folder.
    explicit CommandMark(const QString &key);
    ~CommandMark();
    CommandMark(const CommandMark &) = delete;
    CommandMark &operator=(const CommandMark &) = delete;

    // false while another process holds the mark.
    bool hold();
    bool held() const { return m_fd >= 0; }
    // Whether some process holds the mark for key.
    static bool heldByAnyone(const QString &key);

private:
    QByteArray m_name;
    int m_fd = -1;
};
