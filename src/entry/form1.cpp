#include "entry/form1.h"

#include "entry/memo_form.h"
#include "scheduler/second_timer.h"
#include "shell/app.h"
#include "shell/icons_form.h"
#include "store/memo_order.h"

Form1::Form1()
{
    setObjectName(QStringLiteral("form1"));
    setWindowTitle(QStringLiteral("rekuda31"));
    buildControls();
    Timer1 = new SecondTimer(*App::instance().os.clock, this);
    connect(Timer1, &SecondTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    Frame1 = new QGroupBox(QStringLiteral("現在時刻"), this);
    Label1 = new QLabel(Frame1);
    Label2 = new QLabel(Frame1);
    Label3 = new QLabel(Frame1);
    Label4 = new QLabel(Frame1);
    Label5 = new QLabel(Frame1);
    Check1 = new QCheckBox(QStringLiteral("音を鳴らす"), this);
}

void Form1::FileWrite()
{
    App &app = App::instance();
    icons().setMemoEditVisible(true);
    const QString text = data_file::storableText(MEMO().Text1->text(), *app.os.codec);
    if (!memo_order::add(app.table, *this, text, static_cast<qint16>(value(Check1))))
        return;
    app.store.write(FileName, app.table, DataMaxNumber);
}

void Form1::openForNewMemo() { }

void Form1::trayButtonReleased(const QPoint &globalPos)
{
    icons().popup(globalPos);
}

void Form1::WeekOn() { }

void Form1::WeekOff() { }
