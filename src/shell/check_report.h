#pragma once

#include "platform/check_probes.h"

#include <QDateTime>
#include <QList>
#include <QString>

// The report of `rekuda31 --check`: one line per item, each OK or with its
// problem and what fixes it. Only five items decide the exit status (the
// display, keeping the alarm above, a Japanese font, a sound server and a data
// folder that can be written); the others are said, never counted.
namespace check_report {

enum class Mark { Ok, Problem, Notice };

struct Line
{
    QString item;
    Mark mark = Mark::Ok;
    QString text;
};

struct Report
{
    QList<Line> lines;
    int status = 0; // 0 when every deciding item is fine, else 1
    QString text() const;
};

// Every character of the program's windows, menus and messages.
extern const QString kProgramTexts;

// Asks the probes in the order of the report, the display first.
Report build(CheckProbes &probes, const QDateTime &now);

} // namespace check_report
