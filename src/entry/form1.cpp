#include "entry/form1.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "scheduler/second_timer.h"
#include "shell/app.h"
#include "shell/icons_form.h"
#include "store/memo_order.h"

#include <QCloseEvent>
#include <QGuiApplication>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <algorithm>
#include <limits>
#include <tuple>

namespace {

const QColor kLightGrey(192, 192, 192);

// February has 29 days in every year; the program has no leap-year rule. In
// every-month mode there is no month, and the day may take any of 1 to 31.
qint16 lastDayOf(qint16 month)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return 29;
    default:
        return 31;
    }
}

QString number(qint16 value)
{
    return QString::number(value);
}

// One "+" or "-" of a date or time field: past its last value it starts again
// at the first, and the other way round.
void stepWrapping(qint16 &field, int step, qint16 first, qint16 last, QLabel *label)
{
    field = static_cast<qint16>(field + step);
    if (step > 0 && field > last)
        field = first;
    if (step < 0 && field < first)
        field = last;
    label->setText(number(field));
}

qint16 labelValue(const QLabel *label)
{
    return static_cast<qint16>(label->text().toInt());
}

QLabel *valueLabel(QWidget *parent)
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

QLabel *clockLabel(QWidget *parent)
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

auto keys(const MemoTable &t, int slot)
{
    const auto s = static_cast<std::size_t>(slot);
    return std::tuple(t.MemoYear.at(s), t.MemoMonth.at(s), t.MemoDays.at(s), t.MemoHour.at(s), t.MemoMin.at(s));
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

    // The desktop session may end while a memo is out of the table for editing.
    if (qGuiApp) {
#if QT_CONFIG(sessionmanager)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { commitData(); });
#endif
        connect(qGuiApp, &QCoreApplication::aboutToQuit, this, [] { App::instance().restorePendingEdit(); });
    }
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    Frame1 = place(new QGroupBox(QStringLiteral("現在時刻"), this), 240, 240, 3495, 615);
    Label1 = place(clockLabel(Frame1), 120, 240, 615, 255);
    Label6[0] = place(unitLabel(QStringLiteral("年"), Frame1), 720, 240, 255, 255);
    Label2 = place(clockLabel(Frame1), 960, 240, 375, 255);
    Label7[0] = place(unitLabel(QStringLiteral("月"), Frame1), 1320, 240, 255, 255);
    Label3 = place(clockLabel(Frame1), 1560, 240, 375, 255);
    Label8[0] = place(unitLabel(QStringLiteral("日"), Frame1), 1920, 240, 255, 255);
    Label4 = place(clockLabel(Frame1), 2160, 240, 375, 255);
    Label9[0] = place(unitLabel(QStringLiteral("時"), Frame1), 2520, 240, 255, 255);
    Label5 = place(clockLabel(Frame1), 2760, 240, 375, 255);
    Label10[0] = place(unitLabel(QStringLiteral("分"), Frame1), 3120, 240, 255, 255);

    Frame2 = place(new QGroupBox(QStringLiteral("サウンド"), this), 3960, 240, 1695, 615);
    Check1 = place(new QCheckBox(QStringLiteral("音を鳴らす"), Frame2), 240, 240, 1215, 300);

    実行時間 = place(new QGroupBox(QStringLiteral("実行日時"), this), 240, 960, 5415, 855);
    Label15 = place(valueLabel(実行時間), 600, 240, 735, 375);
    Command12 = place(button(QStringLiteral("+"), 実行時間), 1320, 240, 255, 180);
    Command13 = place(button(QStringLiteral("-"), 実行時間), 1320, 480, 255, 180);
    Label6[1] = place(unitLabel(QStringLiteral("年"), 実行時間), 1560, 360, 255, 255);
    Label14 = place(valueLabel(実行時間), 1800, 240, 375, 375);
    Command10 = place(button(QStringLiteral("+"), 実行時間), 2160, 240, 255, 180);
    Command11 = place(button(QStringLiteral("-"), 実行時間), 2160, 480, 255, 180);
    Label7[1] = place(unitLabel(QStringLiteral("月"), 実行時間), 2400, 360, 255, 255);
    Label13 = place(valueLabel(実行時間), 2640, 240, 375, 375);
    Command8 = place(button(QStringLiteral("+"), 実行時間), 3000, 240, 255, 180);
    Command9 = place(button(QStringLiteral("-"), 実行時間), 3000, 480, 255, 180);
    Label8[1] = place(unitLabel(QStringLiteral("日"), 実行時間), 3240, 360, 255, 255);
    Label12 = place(valueLabel(実行時間), 3480, 240, 375, 375);
    Command6 = place(button(QStringLiteral("+"), 実行時間), 3840, 240, 255, 180);
    Command7 = place(button(QStringLiteral("-"), 実行時間), 3840, 480, 255, 180);
    Label9[1] = place(unitLabel(QStringLiteral("時"), 実行時間), 4080, 360, 255, 255);
    Label11 = place(valueLabel(実行時間), 4320, 240, 375, 375);
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

void Form1::setVisible(bool visible)
{
    if (visible && !m_placed) {
        m_placed = true;
        centreOnScreen();
    }
    Form::setVisible(visible);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->ignore();
    // While a stored memo is being changed there is no cancel; only "設定" leads out.
    if (!Command1->isHidden())
        Command1_Click();
}

void Form1::FileWrite()
{
    App &app = App::instance();
    icons().setMemoEditVisible(true);
    const QString text = data_file::storableText(MEMO().Text1->text(), *app.os.codec);
    if (!memo_order::add(app.table, *this, text, static_cast<qint16>(value(Check1))))
        return;
    app.store.write(FileName, app.table, DataMaxNumber);
    // An open list editor acts on the slot of the line selected: its lines
    // must move with the new memo.
    if (forms().Edit.shown())
        Edit().fillList();
}

void Form1::openForNewMemo()
{
    if (forms().Display.shown())
        return;
    if (forms().Edit.shown())
        return;
    // A reset would discard a memo that is out of the table for editing.
    restorePendingEdit();
    if (DataMaxNumber >= DataMax) {
        hide();
        keikoku2().show();
        return;
    }

    for (QCheckBox *box : {Check10, Check2, Check3, Check4, Check5, Check6, Check7, Check8, Check9})
        setValue(box, 0);

    const Clock &clock = *App::instance().os.clock;
    const auto year = static_cast<qint16>(clock.year());
    const auto month = static_cast<qint16>(clock.month());
    const auto day = static_cast<qint16>(clock.day());
    const auto hour = static_cast<qint16>(clock.hour());
    const auto minute = static_cast<qint16>(clock.minute());
    Label15->setText(number(year));
    Label14->setText(number(month));
    Label13->setText(number(day));
    Label12->setText(number(hour));
    Label11->setText(number(minute));
    SetMin = minute;
    SetHure = hour;
    SetDays = day;
    SetMonth = month;
    SetYear = year;

    Command3->hide();
    MEMO().Text1->setText(QString());
    MEMO().Command1->hide();
    show();
    Command1->show();
}

void Form1::trayButtonReleased(const QPoint &globalPos)
{
    icons().popup(globalPos);
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
    if (SetYear != 0) {
        // The minute shown decides; seconds play no part.
        const qint16 chosen[] = {SetYear, SetMonth, SetDays, SetHure, SetMin};
        const QLabel *const now[] = {Label1, Label2, Label3, Label4, Label5};
        bool later = false;
        for (std::size_t i = 0; i < std::size(chosen); ++i) {
            const qint16 current = labelValue(now[i]);
            if (chosen[i] != current) {
                later = chosen[i] > current;
                break;
            }
        }
        if (!later) {
            keikoku1().show();
            hide();
            return;
        }
    }
    // A memo that cannot be stored is refused as the full table is at
    // "メモ設定", and nothing is lost: an edit stays in hand.
    if ((!m_taken && DataMaxNumber >= DataMax) || DataMaxNumber >= kSlots) {
        hide();
        keikoku2().show();
        return;
    }
    hide();
    MEMO().hide();
    if (forms().Display.loaded())
        forms().Display().hide();
    SetFlg = 1;
    FileWrite();
    m_taken.reset();
    clearMemoInHand();
}

// The memo in hand is set or back in the table: nothing may be left from
// which it could be set a second time, even when a warning's OK brings this
// window back later.
void Form1::clearMemoInHand()
{
    Command3->hide();
    Command1->show();
    if (forms().MEMO.loaded()) {
        MEMO().hide();
        MEMO().Text1->setText(QString());
        MEMO().Command1->hide();
    }
}

// Year "+"
void Form1::Command12_Click()
{
    if (SetYear < std::numeric_limits<qint16>::max())
        SetYear += 1;
    Label15->setText(number(SetYear));
}

// Year "-": never below the present year.
void Form1::Command13_Click()
{
    if (SetYear > App::instance().os.clock->year())
        SetYear -= 1;
    Label15->setText(number(SetYear));
}

// Month "+"
void Form1::Command10_Click()
{
    stepWrapping(SetMonth, +1, 1, 12, Label14);
}

// Month "-"
void Form1::Command11_Click()
{
    stepWrapping(SetMonth, -1, 1, 12, Label14);
}

// Day "+"
void Form1::Command8_Click()
{
    stepWrapping(SetDays, +1, 1, lastDayOf(SetMonth), Label13);
}

// Day "-"
void Form1::Command9_Click()
{
    stepWrapping(SetDays, -1, 1, lastDayOf(SetMonth), Label13);
}

// Hour "+"
void Form1::Command6_Click()
{
    stepWrapping(SetHure, +1, 0, 23, Label12);
}

// Hour "-"
void Form1::Command7_Click()
{
    stepWrapping(SetHure, -1, 0, 23, Label12);
}

// Minute "+"
void Form1::Command4_Click()
{
    stepWrapping(SetMin, +1, 0, 59, Label11);
}

// Minute "-"
void Form1::Command5_Click()
{
    stepWrapping(SetMin, -1, 0, 59, Label11);
}

void Form1::setYearField(bool visible)
{
    for (QWidget *widget : std::initializer_list<QWidget *> {Label15, Command12, Command13, Label6[1]})
        widget->setVisible(visible);
}

void Form1::setMonthField(bool visible)
{
    for (QWidget *widget : std::initializer_list<QWidget *> {Label14, Command10, Command11, Label7[1]})
        widget->setVisible(visible);
}

void Form1::setDayField(bool visible)
{
    for (QWidget *widget : std::initializer_list<QWidget *> {Label13, Command8, Command9, Label8[1]})
        widget->setVisible(visible);
}

void Form1::refillYear()
{
    Label15->setText(Label1->text());
    SetYear = labelValue(Label1);
}

void Form1::refillMonth()
{
    Label14->setText(Label2->text());
    SetMonth = labelValue(Label2);
}

void Form1::refillDay()
{
    Label13->setText(Label3->text());
    SetDays = labelValue(Label3);
}

// 毎月
void Form1::Check2_Click()
{
    if (value(Check2) == 1) {
        setYearField(false);
        setMonthField(false);
        SetYear = 0;
        SetMonth = 0;
    } else {
        setYearField(true);
        setMonthField(true);
        refillYear();
        refillMonth();
    }
}

// 毎日
void Form1::Check3_Click()
{
    if (value(Check3) == 1) {
        Check2->setEnabled(false);
        setYearField(false);
        setMonthField(false);
        setDayField(false);
        SetYear = 0;
        SetMonth = 0;
        SetDays = 0;
    } else {
        Check2->setEnabled(true);
        setValue(Check2, 0);
        setYearField(true);
        setMonthField(true);
        setDayField(true);
        refillYear();
        refillMonth();
        refillDay();
    }
}

void Form1::weekdayClicked(QCheckBox *box, qint16 bit)
{
    if (value(box) == 1) {
        WeekFlag += bit;
        WeekOn();
    } else {
        WeekFlag -= bit;
        if (WeekFlag <= 0)
            WeekOff();
    }
}

void Form1::WeekOn()
{
    Check2->setEnabled(false);
    Check3->setEnabled(false);
    setYearField(false);
    setMonthField(false);
    setDayField(false);
    SetYear = 0;
    SetMonth = 0;
    SetDays = 0;
}

void Form1::WeekOff()
{
    Check2->setEnabled(true);
    Check3->setEnabled(true);
    setValue(Check2, 0);
    setValue(Check3, 0);
    setYearField(true);
    setMonthField(true);
    setDayField(true);
    refillYear();
    refillMonth();
    refillDay();
}

void Form1::holdTakenMemo(const TakenMemo &memo)
{
    m_taken = memo;
}

bool TakenMemo::insertInto(MemoTable &table, qint16 &count) const
{
    if (count < 0 || count >= kSlots)
        return false;
    const auto memoKeys = std::tuple(year, month, days, hour, min);
    int first = 0;
    int last = 0;
    for (int i = 0; i < count; ++i) {
        if (keys(table, i) < memoKeys)
            ++first;
        if (keys(table, i) <= memoKeys)
            ++last;
    }
    const int at = std::clamp(slot, first, last);
    for (int j = count - 1; j >= at; --j)
        table.copySlot(j, j + 1);
    const auto s = static_cast<std::size_t>(at);
    table.MemoMin.at(s) = min;
    table.MemoHour.at(s) = hour;
    table.MemoDays.at(s) = days;
    table.MemoMonth.at(s) = month;
    table.MemoYear.at(s) = year;
    table.MemoText.at(s) = text;
    table.MemoSound.at(s) = sound;
    table.MemoWeek.at(s) = week;
    count += 1;
    return true;
}

void Form1::restorePendingEdit()
{
    if (!m_taken)
        return;
    App &app = App::instance();
    // While an edit is in hand the table holds at most 20 memos, so there
    // is always room; without it the memo stays in hand rather than vanish.
    if (!m_taken->insertInto(app.table, DataMaxNumber))
        return;
    m_taken.reset();
    SetFlg = 1;
    icons().setMemoEditVisible(true);
    app.store.write(FileName, app.table, DataMaxNumber);
    clearMemoInHand();
    hide();
}

void Form1::commitData()
{
    if (!m_taken)
        return;
    App &app = App::instance();
    MemoTable table = app.table;
    qint16 count = DataMaxNumber;
    if (m_taken->insertInto(table, count))
        app.store.write(FileName, table, count);
}
