#include "shell/command_line.h"

#include "platform/system_check_probes.h"
#include "platform/qt_clock.h"
#include "shell/check_report.h"
#include "shell/memo_commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

namespace command_line {

namespace {
void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
}
} // namespace

std::optional<int> answer(int argc, char **argv)
{
    if (argc < 2)
        return std::nullopt;
    if (const std::optional<int> status = memo_commands::run(argc, argv))
        return status;
    bool check = false;
    {
        int count = 1;
        QCoreApplication application(count, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(REKUDA31_VERSION));
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser parser;
        // As Qt reads its own: -platform is one word, not -p -l -a...
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral("日時指定メモソフト"));
        const QCommandLineOption checkOption(
            QStringLiteral("check"), QStringLiteral("この環境で通知が届くかを確かめて報告し、終わります"));
        parser.addOption(checkOption);
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addPositionalArgument(QStringLiteral("add|list|remove"),
            QStringLiteral("スクリプトからメモを設定・一覧・削除します (rekuda31 add --help など)"),
            QStringLiteral("[add|list|remove ...]"));
        for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "display", "style",
                 "stylesheet", "session", "qwindowgeometry", "qwindowicon", "qwindowtitle"}) {
            QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
            qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qtOption);
        }
        for (const char *name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
            QCommandLineOption qtOption(QString::fromLatin1(name));
            qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qtOption);
        }
        if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
            print(stderr,
                (parser.errorText().isEmpty() ? QStringLiteral("余分な引数があります") : parser.errorText())
                    + QStringLiteral("\n") + parser.helpText());
            return 2;
        }
        if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
            print(stdout, parser.helpText());
            return 0;
        }
        if (parser.isSet(QStringLiteral("version"))) {
            print(stdout, QStringLiteral("rekuda31 %1\n").arg(QCoreApplication::applicationVersion()));
            return 0;
        }
        check = parser.isSet(checkOption);
    }
    if (check)
        return command_line::check(argv[0]);
    return std::nullopt;
}

int check(char *program)
{
    SystemCheckProbes probes;
    // Before any GUI object: a display that does not answer is reported, not fatal.
    probes.display();
    // The fonts are asked of the application; offscreen needs no display and shows nothing.
    char platform[] = "-platform", offscreen[] = "offscreen";
    char *arguments[] = {program, platform, offscreen, nullptr};
    int count = 3;
    const QGuiApplication application(count, arguments);
    const check_report::Report report = check_report::build(probes, SystemClock().now());
    print(stdout, report.text());
    return report.status;
}

} // namespace command_line
