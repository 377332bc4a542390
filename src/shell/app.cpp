#include "shell/app.h"

#include "alarm/wave_form.h"
#include "entry/form1.h"
#include "notices/title_form.h"
#include "platform/program_directory.h"
#include "shell/icons_form.h"

#include <QApplication>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <cstdlib>

namespace {
App *g_current = nullptr;

// The tip sits in a fixed field of 32 characters.
QString trayTip()
{
    return QStringLiteral("日時指定メモソフト rekuda31").leftJustified(32, QLatin1Char(' '), true);
}
} // namespace

App::App(Platform platform)
    : os(std::move(platform))
    , book(*os.files, *os.codec, *os.messages, *os.clock)
    , terminate([] { std::_Exit(0); })
    , quit([] { QCoreApplication::exit(0); })
{
    Q_ASSERT(!g_current);
    g_current = this;
}

App::~App()
{
    forms.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    g_current = nullptr;
}

App &App::instance()
{
    Q_ASSERT(g_current);
    return *g_current;
}

bool App::startUp()
{
    // The lock lives in the data folder; nothing else is created, shown or
    // read before the single-instance test. A command working on the file
    // holds the lock for a moment.
    const bool madeFolder = os.directory->create();
    if (!os.lock->acquire() && !memo_commands::waitForCommand(*os.lock, os.directory->path()))
        return false;
    QApplication::setQuitOnLastWindowClosed(false);

    // The icon goes up before the main window is built: the desktop docks
    // and shows it while the rest of start-up runs.
    const QIcon icon = icons().programIcon();
    os.tray->add(icon, trayTip());

    const QString programFolder = os.directory->programPath();
    book.setFolder(os.directory->path(), programFolder);
    Form1 &main = form1();
    main.setWindowIcon(icon);
    // Connected before control returns to the event loop, so no click is missed.
    QObject::connect(
        os.tray.get(), &TrayIcon::leftButtonReleased, &main, [](const QPoint &pos) { icons().popup(pos); });

    // The desktop session may end while a memo is out of the table for editing.
#if QT_CONFIG(sessionmanager)
    QObject::connect(
        qGuiApp, &QGuiApplication::commitDataRequest, &book, [](QSessionManager &) { memoBook().saveForSession(); });
#endif
    QObject::connect(qGuiApp, &QCoreApplication::aboutToQuit, &book, [] { App::instance().settleBeforeEnd(); });

    frmWave().setEnabled(true);

    if (os.codec->available()) {
        // A save killed midway leaves its temporary file, a copy of the memos.
        os.files->removeStaleTemporaries(book.fileName());
        // Memos an earlier copy kept beside the program are not left behind.
        if (madeFolder && programFolder != os.directory->path())
            book.adoptLeftBehind(programFolder, data_folder::isOwnedAndClosed(programFolder));
        book.load();
    } else {
        // Every good file would look damaged: say so and leave it as it is.
        os.messages->error(QStringLiteral("rekuda31"),
            QStringLiteral("この Qt には文字コード windows-31j (コードページ 932) がないため、"
                           "データファイル %1 を読み書きできません。")
                .arg(book.fileName()));
    }

    // Scripts are heard once the memos are in.
    scripts.publish(os.directory->path());
    Title().show();
    return true;
}

void App::exitProgram()
{
    if (!readyToEnd())
        return;
    // The last change is written: a new start need not wait for the bell.
    os.lock->release();
    os.tray->remove();
    os.beeper->beep();
    forms.unloadAll();
    quit();
}

void App::endImmediately()
{
    // Even the immediate end keeps a memo that is out for editing.
    if (!readyToEnd())
        return;
    terminate();
}

bool App::readyToEnd()
{
    // One end, one message: the refusal below says why the save failed.
    book.holdMessages(true);
    settleBeforeEnd();
    book.holdMessages(false);
    // A memo out for editing stays out when another program's memos have
    // filled the table meanwhile.
    const std::optional<Memo> &stranded = book.memoOutForEditing();
    if (!book.unsaved() && !stranded)
        return true;
    // A change that could not be written would go with the program. The
    // first end after the failure says so and stays; ending again, with
    // nothing written meanwhile, ends without it.
    if (m_endRefusedAtSaves == book.saves())
        return true;
    m_endRefusedAtSaves = book.saves();
    os.messages->error(QStringLiteral("rekuda31"),
        book.unsaved()
            ? QStringLiteral("変更をデータファイル %1 に保存できないため、終了しませんでした。\n%2\n"
                             "もう一度終了すると、保存せずに終了します。")
                  .arg(book.fileName(), book.lastError())
            : QStringLiteral(
                "編集中のメモ「%1」を戻す場所がないため、終了しませんでした。\n"
                "メモ編集でメモを削除してから終了してください。もう一度終了すると、このメモを保存せずに終了します。")
                  .arg(QString(stranded->text).replace(QLatin1String("\r\n"), QLatin1String(" "))));
    return false;
}

void App::settleBeforeEnd()
{
    if (forms.form1.loaded())
        forms.form1().restorePendingEdit();
    book.settleBeforeEnd();
}
