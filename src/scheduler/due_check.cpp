#include "entry/form1.h"

#include "shell/app.h"

void Form1::Timer1_Timer()
{
    const Clock &clock = *App::instance().os.clock;
    Label1->setText(QString::number(clock.year()));
    Label2->setText(QString::number(clock.month()));
    Label3->setText(QString::number(clock.day()));
    Label4->setText(QString::number(clock.hour()));
    Label5->setText(QString::number(clock.minute()));
}
