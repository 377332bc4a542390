#include "entry/form1.h"

#include "alarm/display_form.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "scheduler/due_rules.h"
#include "scheduler/second_timer.h"
#include "shell/app.h"

#include <QCloseEvent>

namespace {

const QColor kLightGrey(192, 192, 192);

QString number(qint16 value)
{
    return QString::number(value);
}

qint16 labelValue(const QLabel *label)
{
    return static_cast<qint16>(label->text().toInt());
}

QLabel *makeValueLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    Form::setBackground(label, Qt::white);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(Form::uiFont(12));
    return label;
}

QLabel *makeClockLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    Form::setBackground(label, kLightGrey);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(Form::uiFont(12));
    return label;
}

QLabel *unitLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(Form::uiFont(11.25));
    return label;
}

QPushButton *button(const QString &caption, QWidget *parent)
{
    auto *pushButton = new QPushButton(caption, parent);
    // Enter and Esc are bound to no button.
    pushButton->setAutoDefault(false);
    pushButton->setDefault(false);
    return pushButton;
}

void setCaptionColour(QCheckBox *box, const QColor &colour)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    box->setPalette(palette);
}

} // namespace

Form1::Form1()
{
    setObjectName(QStringLiteral("form1"));
    setWindowTitle(QStringLiteral("rekuda31"));
    setClientTwips(5940, 3405);
    setBackground(kLightGrey);
    // The default disabled grey would vanish into the light grey background.
    QPalette palette = this->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    setPalette(palette);
    buildControls();
    connectHandlers();
    Timer1 = new SecondTimer(*App::instance().os.clock, this);
    connect(Timer1, &SecondTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();
    centreOnFirstShow();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    Frame1 = place(new QGroupBox(QStringLiteral("現在時刻"), this), 240, 240, 3495, 615);
    Label1 = place(makeClockLabel(Frame1), 120, 240, 615, 255);
    Label6[0] = place(unitLabel(QStringLiteral("年"), Frame1), 720, 240, 255, 255);
    Label2 = place(makeClockLabel(Frame1), 960, 240, 375, 255);
    Label7[0] = place(unitLabel(QStringLiteral("月"), Frame1), 1320, 240, 255, 255);
    Label3 = place(makeClockLabel(Frame1), 1560, 240, 375, 255);
    Label8[0] = place(unitLabel(QStringLiteral("日"), Frame1), 1920, 240, 255, 255);
    Label4 = place(makeClockLabel(Frame1), 2160, 240, 375, 255);
    Label9[0] = place(unitLabel(QStringLiteral("時"), Frame1), 2520, 240, 255, 255);
    Label5 = place(makeClockLabel(Frame1), 2760, 240, 375, 255);
    Label10[0] = place(unitLabel(QStringLiteral("分"), Frame1), 3120, 240, 255, 255);

    Frame2 = place(new QGroupBox(QStringLiteral("サウンド"), this), 3960, 240, 1695, 615);
    Check1 = place(new QCheckBox(QStringLiteral("音を鳴らす"), Frame2), 240, 240, 1215, 300);

    実行時間 = place(new QGroupBox(QStringLiteral("実行日時"), this), 240, 960, 5415, 855);
    Label15 = place(makeValueLabel(実行時間), 600, 240, 735, 375);
    Command12 = place(button(QStringLiteral("+"), 実行時間), 1320, 240, 255, 180);
    Command13 = place(button(QStringLiteral("-"), 実行時間), 1320, 480, 255, 180);
    Label6[1] = place(unitLabel(QStringLiteral("年"), 実行時間), 1560, 360, 255, 255);
    Label14 = place(makeValueLabel(実行時間), 1800, 240, 375, 375);
    Command10 = place(button(QStringLiteral("+"), 実行時間), 2160, 240, 255, 180);
    Command11 = place(button(QStringLiteral("-"), 実行時間), 2160, 480, 255, 180);
    Label7[1] = place(unitLabel(QStringLiteral("月"), 実行時間), 2400, 360, 255, 255);
    Label13 = place(makeValueLabel(実行時間), 2640, 240, 375, 375);
    Command8 = place(button(QStringLiteral("+"), 実行時間), 3000, 240, 255, 180);
    Command9 = place(button(QStringLiteral("-"), 実行時間), 3000, 480, 255, 180);
    Label8[1] = place(unitLabel(QStringLiteral("日"), 実行時間), 3240, 360, 255, 255);
    Label12 = place(makeValueLabel(実行時間), 3480, 240, 375, 375);
    Command6 = place(button(QStringLiteral("+"), 実行時間), 3840, 240, 255, 180);
    Command7 = place(button(QStringLiteral("-"), 実行時間), 3840, 480, 255, 180);
    Label9[1] = place(unitLabel(QStringLiteral("時"), 実行時間), 4080, 360, 255, 255);
    Label11 = place(makeValueLabel(実行時間), 4320, 240, 375, 375);
    Command4 = place(button(QStringLiteral("+"), 実行時間), 4680, 240, 255, 180);
    Command5 = place(button(QStringLiteral("-"), 実行時間), 4680, 480, 255, 180);
    Label10[1] = place(unitLabel(QStringLiteral("分"), 実行時間), 4920, 360, 255, 255);

    Frame3 = place(new QGroupBox(this), 240, 1920, 1695, 615);
    Check2 = place(new QCheckBox(QStringLiteral("毎月"), Frame3), 120, 240, 735, 255);
    Check3 = place(new QCheckBox(QStringLiteral("毎日"), Frame3), 840, 240, 735, 225);

    Frame4 = place(new QGroupBox(QStringLiteral("毎週"), this), 2040, 1920, 3615, 615);
    Check4 = place(new QCheckBox(QStringLiteral("日"), Frame4), 120, 240, 495, 255);
    Check5 = place(new QCheckBox(QStringLiteral("月"), Frame4), 600, 240, 495, 255);
    Check6 = place(new QCheckBox(QStringLiteral("火"), Frame4), 1080, 240, 495, 255);
    Check7 = place(new QCheckBox(QStringLiteral("水"), Frame4), 1560, 240, 495, 255);
    Check8 = place(new QCheckBox(QStringLiteral("木"), Frame4), 2040, 240, 495, 255);
    Check9 = place(new QCheckBox(QStringLiteral("金"), Frame4), 2520, 240, 495, 255);
    Check10 = place(new QCheckBox(QStringLiteral("土"), Frame4), 3000, 240, 495, 255);
    setCaptionColour(Check4, QColor(255, 0, 0));
    setCaptionColour(Check10, QColor(0, 255, 255));

    Command3 = place(button(QStringLiteral("設定"), this), 240, 2760, 1095, 495);
    Command2 = place(button(QStringLiteral("メモ"), this), 1680, 2760, 1095, 495);
    Command1 = place(button(QStringLiteral("キャンセル"), this), 4680, 2760, 1095, 495);
    Command3->hide();

    const std::pair<QWidget *, const char *> names[] = {{Frame1, "Frame1"}, {Label1, "Label1"}, {Label2, "Label2"},
        {Label3, "Label3"}, {Label4, "Label4"}, {Label5, "Label5"}, {Label6[0], "Label6_0"}, {Label6[1], "Label6_1"},
        {Label7[0], "Label7_0"}, {Label7[1], "Label7_1"}, {Label8[0], "Label8_0"}, {Label8[1], "Label8_1"},
        {Label9[0], "Label9_0"}, {Label9[1], "Label9_1"}, {Label10[0], "Label10_0"}, {Label10[1], "Label10_1"},
        {Frame2, "Frame2"}, {Check1, "Check1"}, {実行時間, "実行時間"}, {Label11, "Label11"}, {Label12, "Label12"},
        {Label13, "Label13"}, {Label14, "Label14"}, {Label15, "Label15"}, {Command4, "Command4"},
        {Command5, "Command5"}, {Command6, "Command6"}, {Command7, "Command7"}, {Command8, "Command8"},
        {Command9, "Command9"}, {Command10, "Command10"}, {Command11, "Command11"}, {Command12, "Command12"},
        {Command13, "Command13"}, {Frame3, "Frame3"}, {Check2, "Check2"}, {Check3, "Check3"}, {Frame4, "Frame4"},
        {Check4, "Check4"}, {Check5, "Check5"}, {Check6, "Check6"}, {Check7, "Check7"}, {Check8, "Check8"},
        {Check9, "Check9"}, {Check10, "Check10"}, {Command1, "Command1"}, {Command2, "Command2"},
        {Command3, "Command3"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QString::fromUtf8(name));

    QWidget *const focusOrder[] = {Command1, Command2, Command3, Command10, Command11, Command8, Command9, Command6,
        Command7, Command4, Command5, Command12, Command13, Check1, Check4, Check5, Check6, Check7, Check8, Check9,
        Check10, Check2, Check3};
    for (std::size_t i = 1; i < std::size(focusOrder); ++i)
        QWidget::setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    // toggled, not clicked: a value set from code runs the handler as a click would.
    connect(Check2, &QCheckBox::toggled, this, &Form1::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &Form1::Check3_Click);
    const std::pair<QCheckBox *, qint16> weekdays[]
        = {{Check4, 1}, {Check5, 2}, {Check6, 4}, {Check7, 8}, {Check8, 16}, {Check9, 32}, {Check10, 64}};
    for (const auto &[box, bit] : weekdays)
        connect(box, &QCheckBox::toggled, this, [this, box, bit] { weekdayClicked(box, bit); });
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->ignore();
    // While a stored memo is being changed there is no cancel; only "設定" leads out.
    if (!Command1->isHidden())
        Command1_Click();
}

void Form1::Timer1_Timer()
{
    showClock({Label1, Label2, Label3, Label4, Label5}, *App::instance().os.clock);
    memoBook().followFileOnTick();

    // The alarm window is made ready here, long before a memo needs it; the
    // list editor, which has no load step, is not built just to be asked.
    if (forms().Display().isVisible() || isVisible() || forms().Edit.shown())
        return;
    // The present minute is what the clock labels say.
    const QDateTime now(QDate(labelValue(Label1), labelValue(Label2), labelValue(Label3)),
        QTime(labelValue(Label4), labelValue(Label5)), Qt::UTC);
    for (const due_rules::DueMemo &memo : due_rules::dueMemos(memoBook(), now))
        forms().Display().present(memo);
}

void Form1::FileWrite()
{
    memoBook().set(draft.memo(MEMO().text(), static_cast<qint16>(value(Check1))));
}

void Form1::openForNewMemo()
{
    if (forms().Display.shown() || forms().Edit.shown())
        return;
    // A reset would discard a memo that is out of the table for editing.
    restorePendingEdit();
    if (memoBook().count() >= DataMax) {
        hide();
        keikoku2().show();
        return;
    }

    for (QCheckBox *box : {Check10, Check2, Check3, Check4, Check5, Check6, Check7, Check8, Check9})
        setValue(box, 0);
    const Clock &clock = *App::instance().os.clock;
    const int now[] = {clock.year(), clock.month(), clock.day(), clock.hour(), clock.minute()};
    for (const MemoDraft::Field field :
        {MemoDraft::Year, MemoDraft::Month, MemoDraft::Day, MemoDraft::Hour, MemoDraft::Minute}) {
        draft.field(field) = static_cast<qint16>(now[field]);
        valueLabel(field)->setText(number(draft.field(field)));
    }
    Command3->hide();
    MEMO().startNewMemo();
    show();
    Command1->show();
}

void Form1::editMemo(const Memo &memo)
{
    draft.SetYear = memo.year;
    draft.SetMonth = memo.month;
    draft.SetDays = memo.days;
    draft.SetHure = memo.hour;
    draft.SetMin = memo.min;
    setValue(Check1, memo.sound);
    MEMO().startEditing(memo.text);
    const auto showDate = [this] {
        for (const MemoDraft::Field field :
            {MemoDraft::Minute, MemoDraft::Hour, MemoDraft::Day, MemoDraft::Month, MemoDraft::Year})
            valueLabel(field)->setText(number(draft.field(field)));
    };
    showDate();
    Command3->show();
    Command1->hide();

    // Each box set below runs this window's own reaction to it, as a click would.
    for (QCheckBox *box : {Check4, Check5, Check6, Check7, Check8, Check9, Check10})
        setValue(box, 0);
    const MemoKind kind = kindOf(memo);
    if (kind == MemoKind::Weekly) {
        for (const MemoDraft::Field field : {MemoDraft::Year, MemoDraft::Month, MemoDraft::Day})
            for (QWidget *control : dateControls(field))
                control->hide();
        setValue(Check2, 1);
        setValue(Check3, 1);
        // The days ticked are those on which the memo fires.
        QCheckBox *const weekdays[] = {Check4, Check5, Check6, Check7, Check8, Check9, Check10};
        for (int day = 7; day >= 1; --day)
            setValue(weekdays[day - 1], due_rules::weekdayMatches(memo.week, day) ? 1 : 0);
    } else if (kind == MemoKind::OneOff) {
        setValue(Check2, 0);
        setValue(Check3, 0);
    } else if (kind == MemoKind::EveryMonth) {
        // An every-day tick left over from earlier use would hide the day.
        setValue(Check3, 0);
        setValue(Check2, 1);
    } else {
        setValue(Check2, 1);
        setValue(Check3, 1);
    }
    // Unticking a box left over from earlier use brings back today's date;
    // the memo keeps its own.
    draft.SetYear = memo.year;
    draft.SetMonth = memo.month;
    draft.SetDays = memo.days;
    showDate();
    show();
}

void Form1::textConfirmed()
{
    show();
    Command3->show();
}

void Form1::restorePendingEdit()
{
    if (!memoBook().putBack())
        return;
    clearMemoInHand();
    hide();
}

// キャンセル
void Form1::Command1_Click()
{
    hide();
}

// メモ
void Form1::Command2_Click()
{
    hide();
    MEMO().show();
    MEMO().setEnabled(true);
}

// 設定
void Form1::Command3_Click()
{
    // Room is counted in the file as another program may have left it.
    memoBook().followFileNow();
    if (draft.inThePast(
            {labelValue(Label1), labelValue(Label2), labelValue(Label3), labelValue(Label4), labelValue(Label5)})) {
        keikoku1().show();
        hide();
        return;
    }
    // A memo that cannot be stored is refused as the full table is at
    // "メモ設定", and nothing is lost: an edit stays in hand.
    if (!memoBook().roomToSet()) {
        hide();
        keikoku2().show();
        return;
    }
    hide();
    MEMO().hide();
    if (forms().Display.loaded())
        forms().Display().hide();
    FileWrite();
    clearMemoInHand();
}

// The memo in hand is set or back in the table: nothing may be left from
// which it could be set a second time, even when a warning's OK brings this
// window back later.
void Form1::clearMemoInHand()
{
    Command3->hide();
    Command1->show();
    if (forms().MEMO.loaded())
        MEMO().clear();
}

void Form1::step(MemoDraft::Field field, int by)
{
    draft.step(field, by, App::instance().os.clock->year());
    valueLabel(field)->setText(number(draft.field(field)));
}

QLabel *Form1::valueLabel(MemoDraft::Field field) const
{
    QLabel *const labels[] = {Label15, Label14, Label13, Label12, Label11};
    return labels[field];
}

QLabel *Form1::clockLabel(MemoDraft::Field field) const
{
    QLabel *const labels[] = {Label1, Label2, Label3, Label4, Label5};
    return labels[field];
}

std::array<QWidget *, 4> Form1::dateControls(MemoDraft::Field field) const
{
    if (field == MemoDraft::Year)
        return {Label15, Command12, Command13, Label6[1]};
    if (field == MemoDraft::Month)
        return {Label14, Command10, Command11, Label7[1]};
    return {Label13, Command8, Command9, Label8[1]};
}

void Form1::setDateField(MemoDraft::Field field, bool shown)
{
    for (QWidget *control : dateControls(field))
        control->setVisible(shown);
    if (shown)
        valueLabel(field)->setText(clockLabel(field)->text());
    draft.field(field) = shown ? labelValue(clockLabel(field)) : 0;
}

// 毎月
void Form1::Check2_Click()
{
    setDateField(MemoDraft::Year, value(Check2) == 0);
    setDateField(MemoDraft::Month, value(Check2) == 0);
}

// 毎日
void Form1::Check3_Click()
{
    const bool everyDay = value(Check3) == 1;
    Check2->setEnabled(!everyDay);
    if (!everyDay)
        setValue(Check2, 0);
    for (const MemoDraft::Field field : {MemoDraft::Year, MemoDraft::Month, MemoDraft::Day})
        setDateField(field, !everyDay);
}

void Form1::weekdayClicked(QCheckBox *box, qint16 bit)
{
    if (value(box) == 1) {
        draft.WeekFlag += bit;
        WeekOn();
    } else {
        draft.WeekFlag -= bit;
        if (draft.WeekFlag <= 0)
            WeekOff();
    }
}

void Form1::WeekOn()
{
    Check2->setEnabled(false);
    Check3->setEnabled(false);
    for (const MemoDraft::Field field : {MemoDraft::Year, MemoDraft::Month, MemoDraft::Day})
        setDateField(field, false);
}

void Form1::WeekOff()
{
    Check2->setEnabled(true);
    Check3->setEnabled(true);
    setValue(Check2, 0);
    setValue(Check3, 0);
    for (const MemoDraft::Field field : {MemoDraft::Year, MemoDraft::Month, MemoDraft::Day})
        setDateField(field, true);
}
