#include "shell/app.h"

#include "alarm/wave_form.h"
#include "entry/form1.h"
#include "notices/title_form.h"
#include "shell/icons_form.h"

#include <QApplication>

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
    , store(*os.files, *os.codec, *os.messages)
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
    // Nothing is created, shown or read before the single-instance test.
    if (!os.lock->acquire())
        return false;
    os.directory->create();
    QApplication::setQuitOnLastWindowClosed(false);

    // The icon goes up before the main window is built: the desktop docks
    // and shows it while the rest of start-up runs.
    const QIcon icon = icons().programIcon();
    os.tray->add(icon, trayTip());

    Form1 &main = form1();
    main.DataMax = 20;
    main.SetFlg = 0;
    main.FileName = os.directory->path() + QLatin1String("/rekuda31.dat");
    main.SundFile = os.directory->path() + QLatin1String("/rekuda31.wav");
    main.setWindowIcon(icon);
    // Connected before control returns to the event loop, so no click is missed.
    QObject::connect(os.tray.get(), &TrayIcon::leftButtonReleased, &main,
        [](const QPoint &pos) { form1().trayButtonReleased(pos); });

    frmWave().setEnabled(true);

    data_file::LoadResult result = data_file::LoadResult::Missing;
    if (os.codec->available()) {
        // A save killed midway leaves its temporary file, a copy of the memos.
        os.files->removeStaleTemporaries(main.FileName);
        result = store.load(main.FileName, table, main.DataMaxNumber);
    } else {
        // Every good file would look damaged: say so and leave it as it is.
        os.messages->error(QStringLiteral("rekuda31"),
            QStringLiteral("この Qt には文字コード windows-31j (コードページ 932) がないため、"
                           "データファイル %1 を読み書きできません。")
                .arg(main.FileName));
    }
    if (result == data_file::LoadResult::Loaded) {
        main.SetFlg = 1;
        icons().setMemoEditVisible(true);
    } else {
        main.DataMaxNumber = 0;
        icons().setMemoEditVisible(false);
    }

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
    restorePendingEdit();
    if (!store.unsaved())
        return true;
    // A change that could not be written would go with the program. The
    // first end after the failure says so and stays; ending again, with
    // nothing written meanwhile, ends without it.
    if (m_endRefusedAtSaves == store.saves())
        return true;
    m_endRefusedAtSaves = store.saves();
    os.messages->error(QStringLiteral("rekuda31"),
        QStringLiteral("変更をデータファイル %1 に保存できないため、終了しませんでした。"
                       "もう一度終了すると、保存せずに終了します。")
            .arg(forms.form1().FileName));
    return false;
}

void App::restorePendingEdit()
{
    if (!forms.form1.loaded())
        return;
    Form1 &main = forms.form1();
    main.restorePendingEdit();
    if (store.unsaved())
        store.writeOrEmpty(main.FileName, table, main.DataMaxNumber);
}
