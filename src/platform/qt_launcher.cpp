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

bool startPanel(const Panel &panel, const QProcessEnvironment &environment)
{
    const QString path = QStandardPaths::findExecutable(panel.program);
    if (path.isEmpty())
        return false;
    QStringList arguments;
    if (!panel.argument.isEmpty())
        arguments << panel.argument;
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    return process.startDetached();
}
} // namespace
#endif

DesktopLauncher::DesktopLauncher(QProcessEnvironment environment)
    : m_environment(std::move(environment))
{ }

void DesktopLauncher::openDateTimeSettings()
{
#ifdef Q_OS_WIN
    QProcess process;
    process.setProgram(QStringLiteral("control.exe"));
    process.setArguments({QStringLiteral("timedate.cpl")});
    process.setProcessEnvironment(m_environment);
    process.startDetached();
#else
    const QStringList desktops
        = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        for (const Panel &panel : panels) {
            if (sameDesktop(desktop, panel.desktop) && startPanel(panel, m_environment))
                return;
        }
    }
    for (const Panel &panel : panels) {
        if (startPanel(panel, m_environment))
            return;
    }
#endif
}
