#include "alarm/display_form.h"

#include "alarm/wave_form.h"
#include "shell/app.h"

#include <QMouseEvent>

namespace {

const QColor lightBlue(192, 192, 255);
const QColor lightGreen(192, 255, 192);
constexpr Qt::Alignment alignCentre = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment alignLeft = Qt::AlignLeft | Qt::AlignTop;

QString number(qint16 value)
{
    return QString::number(value);
}

} // namespace

DisplayForm::DisplayForm()
{
    setObjectName(QStringLiteral("Display"));
    setWindowTitle(QStringLiteral("Form3"));
    // A window manager keeps it in the layer above ordinary windows; without
    // one, a window is mapped on top of the others. Qt::Tool would hide it
    // with the application on some desktops, and bypassing the window manager
    // would take it out of the layer that keeps it up.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setClientTwips(4470, 3015);
    setBackground(dueColour());
    buildControls();

    Timer1 = new QTimer(this);
    Timer1->setInterval(60000);
    connect(Timer1, &QTimer::timeout, this, &DisplayForm::Timer1_Timer);
    Timer1->start();
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &DisplayForm::Timer2_Timer);
    Timer2->start();
}

QLabel *DisplayForm::cell(const QString &name, const QString &caption, int left, int top, int width, int height,
    const QColor &colour, Qt::Alignment alignment)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    label->setFont(uiFont(11.25));
    setBackground(label, colour);
    return place(label, left, top, width, height);
}

void DisplayForm::buildControls()
{
    Label6[1] = cell(QStringLiteral("Label6(1)"), QStringLiteral("実行日時"), 0, 0, 1095, 255, lightBlue, alignCentre);
    Label11 = cell(QStringLiteral("Label11"), QString(), 1080, 0, 735, 255, lightBlue, alignCentre);
    Label6[0] = cell(QStringLiteral("Label6(0)"), QStringLiteral("年"), 1800, 0, 255, 255, lightBlue, alignLeft);
    Label5 = cell(QStringLiteral("Label5"), QString(), 2040, 0, 375, 255, lightBlue, alignCentre);
    Label7[0] = cell(QStringLiteral("Label7(0)"), QStringLiteral("月"), 2400, 0, 255, 255, lightBlue, alignLeft);
    Label4 = cell(QStringLiteral("Label4"), QString(), 2640, 0, 375, 255, lightBlue, alignCentre);
    Label8[0] = cell(QStringLiteral("Label8(0)"), QStringLiteral("日"), 3000, 0, 255, 255, lightBlue, alignLeft);
    Label3 = cell(QStringLiteral("Label3"), QString(), 3240, 0, 375, 255, lightBlue, alignCentre);
    Label9[0] = cell(QStringLiteral("Label9(0)"), QStringLiteral("時"), 3600, 0, 255, 255, lightBlue, alignLeft);
    Label2 = cell(QStringLiteral("Label2"), QString(), 3840, 0, 375, 255, lightBlue, alignCentre);
    Label10[0] = cell(QStringLiteral("Label10(0)"), QStringLiteral("分"), 4200, 0, 255, 255, lightBlue, alignLeft);

    Label6[2]
        = cell(QStringLiteral("Label6(2)"), QStringLiteral("現在時刻"), 0, 240, 1095, 255, lightGreen, alignCentre);
    Label12 = cell(QStringLiteral("Label12"), QString(), 1080, 240, 735, 255, lightGreen, alignCentre);
    Label6[3] = cell(QStringLiteral("Label6(3)"), QStringLiteral("年"), 1800, 240, 255, 255, lightGreen, alignLeft);
    Label13 = cell(QStringLiteral("Label13"), QString(), 2040, 240, 375, 255, lightGreen, alignCentre);
    Label7[1] = cell(QStringLiteral("Label7(1)"), QStringLiteral("月"), 2400, 240, 255, 255, lightGreen, alignLeft);
    Label14 = cell(QStringLiteral("Label14"), QString(), 2640, 240, 375, 255, lightGreen, alignCentre);
    Label8[1] = cell(QStringLiteral("Label8(1)"), QStringLiteral("日"), 3000, 240, 255, 255, lightGreen, alignLeft);
    Label15 = cell(QStringLiteral("Label15"), QString(), 3240, 240, 375, 255, lightGreen, alignCentre);
    Label9[1] = cell(QStringLiteral("Label9(1)"), QStringLiteral("時"), 3600, 240, 255, 255, lightGreen, alignLeft);
    Label16 = cell(QStringLiteral("Label16"), QString(), 3840, 240, 375, 255, lightGreen, alignCentre);
    Label10[1] = cell(QStringLiteral("Label10(1)"), QStringLiteral("分"), 4200, 240, 255, 255, lightGreen, alignLeft);

    Label17 = cell(QStringLiteral("Label17"), QString(), 1080, 0, 1575, 255, lightBlue, alignCentre);
    Label18 = cell(QStringLiteral("Label18"), QString(), 2640, 0, 615, 255, lightBlue, alignCentre);
    Label18->setFont(font());
    Label17->raise();
    Label18->raise();

    Label1 = cell(QStringLiteral("Label1"), QString(), 120, 480, 4215, 2415, dueColour(), alignLeft);
    Label1->setFont(uiFont(12));
    Label1->setWordWrap(true);
    Label1->installEventFilter(this);
}

void DisplayForm::Form_Load()
{
    centreOnScreen();
    fillPresentRow();
    fillScheduledRow();
}

void DisplayForm::fillScheduledRow()
{
    const Memo &memo = memoBook().shownMemo();
    // A repeating memo's date is its occasion's.
    const QDate date = m_occasion.date();
    Label2->setText(number(memo.min));
    Label3->setText(number(memo.hour));
    Label4->setText(number(date.isValid() ? qint16(date.day()) : memo.days));
    Label5->setText(number(date.isValid() ? qint16(date.month()) : memo.month));
    Label11->setText(number(date.isValid() ? qint16(date.year()) : memo.year));
}

void DisplayForm::fillPresentRow()
{
    showClock({Label12, Label13, Label14, Label15, Label16}, *App::instance().os.clock);
}

void DisplayForm::fillMemoText()
{
    Label1->setText(QString(memoBook().shownMemo().text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void DisplayForm::Timer1_Timer()
{
    setBackground(Label1, lateColour());
    setBackground(lateColour());
}

void DisplayForm::Timer2_Timer()
{
    fillScheduledRow();
    fillPresentRow();
    fillMemoText();
}

void DisplayForm::present(const due_rules::DueMemo &due)
{
    const QColor colour = due.timeliness == due_rules::Timeliness::OnTime ? dueColour() : lateColour();
    setBackground(Label1, colour);
    setBackground(colour);
    if (isVisible())
        return;
    if (memoBook().at(due.slot).sound == 1)
        frmWave().SoundPlay();
    memoBook().setShownSlot(due.slot);
    m_occasion = due.occasion;
    arrangeFor(memoBook().at(due.slot));
    // A window that waited hidden still shows the cells of its last memo:
    // show this memo at once instead of up to a second later.
    fillScheduledRow();
    fillPresentRow();
    fillMemoText();
    show();
    // The window waits hidden from the first tick on; counted from then, the
    // minute would turn a memo shown on time red at any moment.
    Timer1->start();
}

void DisplayForm::arrangeFor(const Memo &memo)
{
    const MemoKind kind = kindOf(memo);
    const bool oneOff = kind == MemoKind::OneOff;
    const bool weekly = kind == MemoKind::Weekly;
    const bool everyDay = kind == MemoKind::EveryDay;
    const bool everyMonth = kind == MemoKind::EveryMonth;

    for (QLabel *yearOrMonth : {Label11, Label6[0], Label5, Label7[0]})
        yearOrMonth->setVisible(oneOff);
    // An occasion of another day than today, which the check could not
    // present on its day, shows that day.
    const bool anotherDay = m_occasion.isValid() && m_occasion.date() != App::instance().os.clock->now().date();
    for (QLabel *day : {Label4, Label8[0]})
        day->setVisible(oneOff || everyMonth || anotherDay);
    Label17->setVisible(!oneOff);
    Label18->setVisible((weekly || everyDay) && !anotherDay);

    if (weekly) {
        static const char16_t *const days[] = {u"(日)", u"(月)", u"(火)", u"(水)", u"(木)", u"(金)", u"(土)"};
        const int weekday
            = m_occasion.isValid() ? m_occasion.date().dayOfWeek() % 7 + 1 : App::instance().os.clock->weekday();
        Label17->setText(QString::fromUtf16(days[qBound(1, weekday, 7) - 1]));
    } else if (everyDay) {
        Label17->setText(QStringLiteral("毎日"));
    } else if (everyMonth) {
        Label17->setText(QStringLiteral("毎月"));
    }
}

void DisplayForm::Label1_DblClick()
{
    // Only a memo on screen can be dismissed; a hidden window holds a stale slot.
    if (!isVisible())
        return;
    hide();
    memoBook().dismiss(memoBook().shownSlot(), m_occasion);
    forms().Display.unload();
}

void DisplayForm::Form_DblClick()
{
    App::instance().endImmediately();
}

bool DisplayForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            Label1_DblClick();
        // Handled here: it must not reach the window as a background double-click.
        return true;
    }
    return Form::eventFilter(watched, event);
}

void DisplayForm::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Double-clicks on the other labels arrive here too; only the bare margin counts.
    if (event->button() == Qt::LeftButton && !childAt(event->position().toPoint()))
        Form_DblClick();
}
