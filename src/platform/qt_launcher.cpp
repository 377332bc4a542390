#include "platform/qt_launcher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <array>

#ifndef Q_OS_WIN
namespace {
struct Panel
{
    QLatin1StringView desktop;
    QLatin1StringView program;
    QLatin1StringView argument;
};

// In order of preference within each desktop; XDG_CURRENT_DESKTOP names the desktops.
const std::array panels {
    Panel {QLatin1StringView("GNOME"), QLatin1StringView("gnome-control-center"), QLatin1StringView("datetime")},
    Panel {QLatin1StringView("KDE"), QLatin1StringView("systemsettings"), QLatin1StringView("kcm_clock")},
    Panel {QLatin1StringView("KDE"), QLatin1StringView("kcmshell6"), QLatin1StringView("kcm_clock")},
    Panel {QLatin1StringView("KDE"), QLatin1StringView("kcmshell5"), QLatin1StringView("clock")},
    Panel {QLatin1StringView("XFCE"), QLatin1StringView("xfce4-datetime-settings"), {}},
    Panel {QLatin1StringView("XFCE"), QLatin1StringView("time-admin"), {}},
    Panel {QLatin1StringView("X-Cinnamon"), QLatin1StringView("cinnamon-settings"), QLatin1StringView("calendar")},
    Panel {QLatin1StringView("MATE"), QLatin1StringView("mate-time-admin"), {}},
    Panel {QLatin1StringView("MATE"), QLatin1StringView("time-admin"), {}},
};

bool sameDesktop(const QString &name, QLatin1StringView desktop)
{
    // Older Cinnamon sessions call themselves plain "Cinnamon".
    if (desktop == QLatin1StringView("X-Cinnamon")
        && name.compare(QLatin1StringView("Cinnamon"), Qt::CaseInsensitive) == 0)
        return true;
    return name.compare(desktop, Qt::CaseInsensitive) == 0;
}

bool startPanel(const Panel &panel)
{
    const QString path = QStandardPaths::findExecutable(panel.program);
    if (path.isEmpty())
        return false;
    QStringList arguments;
    if (!panel.argument.isEmpty())
        arguments << panel.argument;
    return QProcess::startDetached(path, arguments);
}
} // namespace
#endif

void DesktopLauncher::openDateTimeSettings()
{
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("control.exe"), {QStringLiteral("timedate.cpl")});
#else
    const QStringList desktops
        = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        for (const Panel &panel : panels) {
            if (sameDesktop(desktop, panel.desktop) && startPanel(panel))
                return;
        }
    }
    for (const Panel &panel : panels) {
        if (startPanel(panel))
            return;
    }
#endif
}
