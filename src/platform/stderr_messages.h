#pragma once

#include "platform/services.h"

#include <cstdio>

// Messages for a command run from a terminal or a script: a window would
// need a display, and nobody may be there to close it.
class StderrMessages : public Messages
{
public:
    void error(const QString &title, const QString &text) override
    {
        std::fputs((title + QStringLiteral(": ") + text + u'\n').toUtf8().constData(), stderr);
    }
};
