#include "entry/edit_form.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "shell/app.h"
#include "shell/icons_form.h"
#include "store/memo_order.h"

#include <QCloseEvent>

namespace {

const QString kIdeographicSpace(QChar(0x3000));

// "(日)" .. "(土) " from Sunday to Saturday; only Saturday's mark carries a
// space, an ASCII one.
QString weekdayMarks(qint16 week)
{
    static const std::pair<int, const char16_t *> marks[]
        = {{64, u"(土) "}, {32, u"(金)"}, {16, u"(木)"}, {8, u"(水)"}, {4, u"(火)"}, {2, u"(月)"}};
    int w = week;
    QString result;
    for (const auto &[bit, mark] : marks) {
        if (w - bit >= 0) {
            w -= bit;
            result.prepend(QString::fromUtf16(mark));
        }
    }
    if (w == 1)
        result.prepend(QStringLiteral("(日)"));
    return result;
}

} // namespace

EditForm::EditForm()
{
    setObjectName(QStringLiteral("Edit"));
    setWindowTitle(QStringLiteral("memo編集"));
    setClientTwips(5985, 4080, false);

    Frame1 = place(new QGroupBox(QStringLiteral("設定されたMemo"), this), 240, 240, 5055, 3015);
    List1 = place(new QListWidget(Frame1), 240, 360, 4455, 2310);
    List1->setFont(uiFont(11.25));
    List1->setSortingEnabled(false);
    Command1 = place(new QPushButton(QStringLiteral("編集"), this), 360, 3480, 1095, 495);
    Command2 = place(new QPushButton(QStringLiteral("削除"), this), 2040, 3480, 1215, 495);
    Command3 = place(new QPushButton(QStringLiteral("編集終了"), this), 4200, 3480, 1095, 495);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    List1->setObjectName(QStringLiteral("List1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3->setObjectName(QStringLiteral("Command3"));
    for (QPushButton *button : {Command1, Command2, Command3}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command3);
    QWidget::setTabOrder(Command3, List1);

    connect(Command1, &QPushButton::clicked, this, &EditForm::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &EditForm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &EditForm::Command3_Click);
}

QString EditForm::listLine(const MemoTable &table, int i)
{
    const auto s = static_cast<std::size_t>(i);
    const auto num = [](qint16 v) { return QString::number(v); };
    const QString time = num(table.MemoHour.at(s)) + u'時' + num(table.MemoMin.at(s)) + u'分' + kIdeographicSpace;
    QString text = table.MemoText.at(s);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));

    if (table.MemoWeek.at(s) != 0)
        return weekdayMarks(table.MemoWeek.at(s)) + time + text;
    if (table.MemoDays.at(s) == 0)
        return QStringLiteral("毎日") + kIdeographicSpace + time + text;
    if (table.MemoMonth.at(s) == 0)
        return QStringLiteral("毎月") + kIdeographicSpace + num(table.MemoDays.at(s)) + u'日' + time + text;
    return num(table.MemoYear.at(s)) + u'年' + num(table.MemoMonth.at(s)) + u'月' + num(table.MemoDays.at(s)) + u'日'
        + time + text;
}

void EditForm::fillList()
{
    List1->clear();
    const MemoTable &table = App::instance().table;
    for (int i = 0; i < form1().DataMaxNumber; ++i)
        List1->addItem(listLine(table, i));
}

int EditForm::selectedSlot() const
{
    const QListWidgetItem *item = List1->currentItem();
    if (!item || !item->isSelected())
        return -1;
    return List1->currentRow();
}

void EditForm::open()
{
    if (forms().Display.shown())
        return;
    // A memo still out of the table for editing belongs in the list.
    form1().restorePendingEdit();
    if (form1().DataMaxNumber == 0)
        return;
    form1().hide();
    show();
    fillList();
}

// 削除
void EditForm::Command2_Click()
{
    Form1 &main = form1();
    const int i = selectedSlot();
    if (i >= 0) {
        App &app = App::instance();
        memo_order::remove(app.table, main.DataMaxNumber, i);
        app.store.writeOrEmpty(main.FileName, app.table, main.DataMaxNumber);
        fillList();
    }
    if (main.DataMaxNumber == 0)
        icons().setMemoEditVisible(false);
}

// 編集: the memo leaves the table and waits in the setting window until "設定".
void EditForm::Command1_Click()
{
    const int i = selectedSlot();
    if (i < 0)
        return;
    App &app = App::instance();
    MemoTable &table = app.table;
    Form1 &main = form1();
    const auto s = static_cast<std::size_t>(i);

    TakenMemo memo;
    memo.slot = i;
    memo.year = table.MemoYear.at(s);
    memo.month = table.MemoMonth.at(s);
    memo.days = table.MemoDays.at(s);
    memo.hour = table.MemoHour.at(s);
    memo.min = table.MemoMin.at(s);
    memo.text = table.MemoText.at(s);
    memo.sound = table.MemoSound.at(s);
    memo.week = table.MemoWeek.at(s);

    main.SetYear = memo.year;
    main.SetMonth = memo.month;
    main.SetDays = memo.days;
    main.SetHure = memo.hour;
    main.SetMin = memo.min;
    setValue(main.Check1, memo.sound);
    QString text = memo.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    MEMO().Text1->setText(text);
    qint16 w = memo.week;
    const auto showDate = [&main] {
        main.Label11->setText(QString::number(main.SetMin));
        main.Label12->setText(QString::number(main.SetHure));
        main.Label13->setText(QString::number(main.SetDays));
        main.Label14->setText(QString::number(main.SetMonth));
        main.Label15->setText(QString::number(main.SetYear));
    };
    showDate();

    memo_order::remove(table, main.DataMaxNumber, i);
    app.store.writeOrEmpty(main.FileName, table, main.DataMaxNumber);
    main.holdTakenMemo(memo);

    main.Command3->show();
    main.Command1->hide();

    for (QCheckBox *box : {main.Check4, main.Check5, main.Check6, main.Check7, main.Check8, main.Check9, main.Check10})
        setValue(box, 0);

    // Each box set below runs the setting window's own reaction to it.
    if (w != 0) {
        for (QWidget *widget : std::initializer_list<QWidget *> {main.Label15, main.Label14, main.Label13,
                 main.Command12, main.Command13, main.Command10, main.Command11, main.Command8, main.Command9,
                 main.Label6[1], main.Label7[1], main.Label8[1]})
            widget->hide();
        setValue(main.Check2, 1);
        setValue(main.Check3, 1);
        const std::pair<QCheckBox *, qint16> weekdays[] = {{main.Check10, 64}, {main.Check9, 32}, {main.Check8, 16},
            {main.Check7, 8}, {main.Check6, 4}, {main.Check5, 2}};
        for (const auto &[box, bit] : weekdays) {
            if (w - bit >= 0) {
                setValue(box, 1);
                w -= bit;
            } else {
                setValue(box, 0);
            }
        }
        setValue(main.Check4, w > 0 ? 1 : 0);
    } else if (memo.month != 0) {
        setValue(main.Check2, 0);
        setValue(main.Check3, 0);
    } else if (memo.days != 0) {
        // An every-day tick left over from earlier use would hide the day.
        setValue(main.Check3, 0);
        setValue(main.Check2, 1);
    } else {
        setValue(main.Check2, 1);
        setValue(main.Check3, 1);
    }
    // Unticking a box left over from earlier use brings back today's date;
    // the memo keeps its own.
    main.SetYear = memo.year;
    main.SetMonth = memo.month;
    main.SetDays = memo.days;
    showDate();

    main.show();
    forms().Edit.unload();
}

// 編集終了
void EditForm::Command3_Click()
{
    hide();
    if (form1().DataMaxNumber != 0)
        form1().SetFlg = 1;
}

void EditForm::setVisible(bool visible)
{
    if (visible && !m_placed) {
        m_placed = true;
        centreOnScreen();
    }
    Form::setVisible(visible);
}

void EditForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command3_Click();
}
