#include "entry/form1.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "scheduler/due_rules.h"
#include "shell/app.h"

void Form1::Timer1_Timer()
{
    const Clock &clock = *App::instance().os.clock;
    Label1->setText(QString::number(clock.year()));
    Label2->setText(QString::number(clock.month()));
    Label3->setText(QString::number(clock.day()));
    Label4->setText(QString::number(clock.hour()));
    Label5->setText(QString::number(clock.minute()));

    // The alarm window is made ready here, long before a memo needs it; the
    // list editor, which has no load step, is not built just to be asked.
    if (forms().Display().isVisible())
        return;
    if (isVisible())
        return;
    if (forms().Edit.shown())
        return;
    if (SetFlg != 1)
        return;

    // The present time is what the clock labels say.
    const due_rules::LabelTime now {Label1->text().toInt(), Label2->text().toInt(), Label3->text().toInt(),
        Label4->text().toInt(), Label5->text().toInt()};
    const int count = qBound(0, int(DataMaxNumber), kSlots);
    for (int i = 0; i < count; ++i) {
        if (const std::optional<QColor> colour = due_rules::dueColour(memoTable(), i, now, clock))
            forms().Display().present(i, *colour);
    }
}
