#pragma once

#include "platform/check_probes.h"

#include <optional>

struct xcb_connection_t;

// The questions of the check asked of this machine. The display is asked
// first, before the application object exists, and its X connection serves
// the window manager and tray questions after it.
class SystemCheckProbes : public CheckProbes
{
public:
    SystemCheckProbes() = default;
    ~SystemCheckProbes() override;
    SystemCheckProbes(const SystemCheckProbes &) = delete;
    SystemCheckProbes &operator=(const SystemCheckProbes &) = delete;

    check::DisplayFacts display() override;
    check::WindowManagerFacts windowManager() override;
    check::TrayKind tray() override;
    QString japaneseFont(const QString &texts) override;
    check::SoundServerFacts soundServer() override;
    check::WaveFacts wave(const QString &path) override;
    QString bellSound() override;
    check::DataFolderFacts dataFolder() override;
    check::DataFileFacts dataFile(const QString &path) override;
    qint64 runningCopy(const QString &folder) override;
    check::AutostartFacts autostart() override;
    check::InputMethodFacts inputMethod() override;

private:
    std::optional<check::DisplayFacts> m_display;
    xcb_connection_t *m_x11 = nullptr;
    int m_screen = 0;
};
