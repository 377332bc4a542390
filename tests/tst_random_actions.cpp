// Random walks over everything a user can do, on the real windows, against a model of what the user expects: the
// memos, the memo being set, the windows, the alarm and the data file's bytes must agree with it field for field after
// every step. Fixed sequences pin cases walks rarely reach; a simulated year catches a memo that fires on the wrong
// day, minute or weekday, twice or not at all in a shared minute, late on time, or again after its dismissal.
// RC_PARAMS="seed=N" replays a walk; scripts/random-actions.sh runs long ones.
#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/ver_form.h"
#include "shell/icons_form.h"
#include "shell/memo_commands.h"

#include <QtTest>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <random>

using namespace Qt::StringLiterals;

namespace {

// Texts as users type them: Japanese, commas, quotes, line breaks, half-width kana, code page 932's extensions.
const QStringList kTexts {u"会議"_s, u"歯医者 10:30"_s, u"a,b,c"_s, u"\"引用\"の話"_s, u"改行\nあり"_s, u"①髙"_s,
    u"ｶﾅ"_s, u"~\\"_s, QString()};

QString lf(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// A text as the file keeps it: it cannot hold a quote, and its line ends are CR LF.
QString stored(QString text)
{
    return text.replace(u'"', QChar(0xFF02)).replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

QString lineOf(const Memo &m)
{
    return memoLine(m.min, m.hour, m.days, m.month, m.year, m.text, m.sound, m.week);
}

QByteArray fileOf(const MemoTable &memos)
{
    QStringList lines;
    for (const Memo &m : memos)
        lines << lineOf(m);
    return dataFileOf(lines);
}

// Where a memo set now goes: after those of its date and minute, a repeating one before every one-off.
int placeIn(const MemoTable &memos, const Memo &m)
{
    int place = int(memos.size());
    while (place > 0 && m.dateKey() < memos[place - 1].dateKey())
        --place;
    return place;
}

// A memo from a number: mostly what the windows make, near the walk's start, often sharing a minute with another;
// some with values no window makes, which load and simply never fall due.
Memo generatedMemo(int n, int tag)
{
    std::mt19937 r(static_cast<unsigned>(n));
    const auto pick = [&r](int low, int high) { return qint16(std::uniform_int_distribution<int>(low, high)(r)); };
    Memo m {qint16(pick(0, 11) * 5), pick(12, 16), pick(24, 26), 12, 2026, {}, pick(0, 1), 0};
    const int kind = pick(0, 7);
    if (kind == 0) // every month
        m.month = m.year = 0;
    if (kind == 1 || kind == 2 || kind == 4) // every day, weekly
        m.days = m.month = m.year = 0;
    if (kind == 2)
        m.week = pick(1, 127);
    if (kind == 3) // hour 24, minute 60, day 40, month 13
        (pick(0, 1) ? m.hour : pick(0, 1) ? m.min : pick(0, 1) ? m.days : m.month) = 60;
    if (kind == 4) // weekday masks beyond the seven days
        m.week = pick(0, 1) ? 200 : -3;
    if (kind == 7) // a day of every month, with a year an older file may hold, or a one-off with a weekday mask
        pick(0, 1) ? void(m.month = 0) : void(m.week = pick(1, 127));
    m.text = stored(u"<%1>"_s.arg(tag) + kTexts.at(pick(0, int(kTexts.size()) - 1)));
    return m;
}

// The start of a walk: the memos in the data file (none: no file) and the moment the program starts.
struct Start
{
    MemoTable memos;
    bool file = false;
    QDateTime when;
};

void showValue(const Start &start, std::ostream &os)
{
    os << "program starts at " << start.when.toString(Qt::ISODate).toStdString() << " with "
       << (start.file ? QStringDecoder("windows-31j").decode(fileOf(start.memos)) : u"no data file"_s).toStdString();
}

// The weekdays on which a mask fires, as the list names them and an edit ticks them: a positive mask's seven low
// bits, Sunday's first.
std::array<bool, 7> weekdaysOf(int w)
{
    std::array<bool, 7> days {};
    for (int day = 0; day < 7; ++day)
        days[std::size_t(day)] = w > 0 && (w & (1 << day));
    return days;
}

// The list editor's line for a memo, from the user's side: "(月)(水)9時5分　text", "毎日　7時0分　text",
// "毎月　25日10時0分　text", "2000年1月15日13時45分　text"; Saturday's mark alone carries a space.
QString listLineOf(const Memo &m)
{
    const QString time = u"%1時%2分　"_s.arg(m.hour).arg(m.min);
    if (m.month != 0)
        return u"%1年%2月%3日"_s.arg(m.year).arg(m.month).arg(m.days) + time + lf(m.text);
    if (m.week != 0) {
        QString marks;
        const std::array<bool, 7> days = weekdaysOf(m.week);
        for (int day = 0; day < 7; ++day)
            marks += days[std::size_t(day)] ? u"(%1)"_s.arg(QString("日月火水木金土")[day]) : QString();
        return marks + (days[6] ? u" "_s : QString()) + time + lf(m.text);
    }
    if (m.days == 0)
        return u"毎日　"_s + time + lf(m.text);
    return u"毎月　%1日"_s.arg(m.days) + time + lf(m.text);
}

// Whether the user can reach a control: its window is on screen and the control is shown and enabled in it.
bool reachable(const QWidget *control)
{
    return control && control->window()->isVisible() && control->isVisibleTo(control->window()) && control->isEnabled();
}

// The setting window as the user sees it: year/month/day (a field's value, "-" when hidden, "?" when only part of it
// shows), hour:minute, Check1 to Check3 (value, "x" when disabled), the weekdays ticked, and the buttons shown.
QString shownSettingWindow()
{
    const Form1 &f = form1();
    const auto field = [](const QLabel *value, std::initializer_list<const QWidget *> rest) {
        int shown = value->isVisible();
        for (const QWidget *widget : rest)
            shown += widget->isVisible();
        return shown == 0 ? u"-"_s : shown == int(rest.size()) + 1 ? value->text() : u"?"_s;
    };
    QString s = field(f.Label15, {f.Command12, f.Command13, f.Label6[1]}) + u'/'
        + field(f.Label14, {f.Command10, f.Command11, f.Label7[1]}) + u'/'
        + field(f.Label13, {f.Command8, f.Command9, f.Label8[1]}) + u' ' + field(f.Label12, {}) + u':'
        + field(f.Label11, {});
    for (const QCheckBox *box : {f.Check1, f.Check2, f.Check3})
        s += u' ' + QString::number(value(box)) + (box->isEnabled() ? QString() : u"x"_s);
    s += u' ';
    for (const QCheckBox *box : {f.Check4, f.Check5, f.Check6, f.Check7, f.Check8, f.Check9, f.Check10})
        s += value(box) ? box->text() : u"・"_s;
    for (const QPushButton *button : {f.Command3, f.Command2, f.Command1})
        s += button->isVisible() ? u' ' + button->text() : QString();
    return s;
}

enum Window { Setting, Text, List, PastWarning, FullWarning, Version, Alarm, Windows };
const char *const kWindowNames[] = {"form1/rekuda31", "MEMO/Memo", "Edit/memo編集", "keikoku1/警告", "keikoku2/警告",
    "Ver/バージョン", "Display/Form3"}; // name/caption
enum Field { Year, Month, Day, Hour, Minute };

struct Model;
struct Action
{
    QString name;
    int weight;
    std::function<void(Model &)> expect;
    std::function<void(TestProgram &)> perform;
};

// What the user expects of the program, step by step.
struct Model
{
    QDateTime now, labels; // the clock, and the moment the clock labels show
    MemoTable memos;
    std::optional<Memo> out; // taken out for editing by the list editor
    int outFrom = 0;
    bool armed = false, textWindowMade = false;
    std::array<bool, Windows> shown {};
    // The setting window: its fields (0 while hidden), boxes and buttons.
    std::array<int, 5> value {};
    std::array<bool, 3> fieldShown {true, true, true};
    bool sound = false, everyMonth = false, everyDay = false, monthBoxEnabled = true, dayBoxEnabled = true;
    bool setButton = false, cancelButton = true;
    int week = 0;
    QString text; // the text window's, and whether it offers ＯＫ
    bool okButton = false, alarmAnotherDay = false;
    int typed = 0, selected = -1;
    int alarmSlot = -1; // the alarm's memo's slot follows it; -1 once it is gone
    Memo alarmMemo;
    QDateTime alarmOccasion; // of a repeating memo
    // Of each memo: the minute it came into the table, and the latest occasion dismissed.
    QList<std::pair<QDateTime, QDateTime>> occasions;
    std::pair<QDateTime, QDateTime> outOccasions;
    bool late = false;
    // The data file, and what the program has told the user.
    QByteArray file;
    MemoTable onDisk;
    bool failing = false, failNext = false, unsaved = false;
    int saves = 0, endRefusedAt = -1, messages = 0, sounds = 0;
    // The file as the program last read or wrote it: another program may have changed it since.
    QByteArray seen;
    bool damagedOnDisk = false, fileHoldsOut = false;
    MemoTable seenMemos; // the memos it then held
    int unsettledTicks = 0; // ticks that found the file vanished, emptied or damaged
    QByteArray completing; // what a file another program is halfway through writing will hold
    int setAside = 0; // damaged files moved aside, each told
    bool restarted = false; // by the last action

    explicit Model(const Start &start)
        : now(start.when)
        , file(start.file ? fileOf(start.memos) : QByteArray("<missing>"))
        , onDisk(start.memos)
        , seen(file)
        , seenMemos(start.memos)
    {
        load();
    }

    void load()
    {
        memos = onDisk;
        armed = !memos.isEmpty();
        occasions = QList<std::pair<QDateTime, QDateTime>>(memos.size(), {minute(now), QDateTime()});
        tick(now);
    }

    // Occasions are wall-clock times, kept as UTC.
    static QDateTime minute(const QDateTime &t)
    {
        return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()), Qt::UTC);
    }

    // A repeating memo's latest occasion up to the minute t: the last day it names, at its time.
    static QDateTime latestOccasion(const Memo &m, const QDateTime &t)
    {
        for (QDate day = t.date(); day >= t.date().addDays(-62); day = day.addDays(-1)) {
            const bool named = m.week != 0 ? weekdaysOf(m.week)[std::size_t(day.dayOfWeek() % 7)]
                : m.days != 0              ? day.day() == m.days
                                           : true;
            if (named && QTime(m.hour, m.min).isValid() && QDateTime(day, QTime(m.hour, m.min), Qt::UTC) <= t)
                return QDateTime(day, QTime(m.hour, m.min), Qt::UTC);
        }
        return {};
    }

    static std::array<int, 5> key(const QDateTime &t)
    {
        return {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute()};
    }
    static int at(Field f, const QDateTime &t) { return key(t)[f]; }

    // One tick of the one-second timer at t: the clock labels, then the first memo due in table order is presented;
    // later ones due in the same tick only colour the window.
    void tick(const QDateTime &t)
    {
        labels = t;
        follow(false);
        if (shown[Alarm] || shown[Setting] || shown[List] || !armed)
            return;
        const QDateTime present = minute(t);
        for (int i = 0; i < memos.size(); ++i) {
            const Memo &m = memos[i];
            bool due = false, overdue = false;
            QDateTime occasion;
            if (m.month != 0) { // its date and minute, in any earlier year too
                const std::array<int, 5> memo {m.year, m.month, m.days, m.hour, m.min};
                due = memo <= key(t);
                overdue = memo < key(t);
            } else {
                occasion = latestOccasion(m, present);
                const auto &[from, dismissed] = occasions[i];
                due = occasion.isValid() && occasion >= from && (!dismissed.isValid() || occasion > dismissed);
                overdue = occasion != present;
            }
            if (!due)
                continue;
            late = overdue;
            if (shown[Alarm])
                continue;
            shown[Alarm] = true;
            alarmSlot = i;
            alarmMemo = m;
            alarmOccasion = occasion;
            alarmAnotherDay = occasion.isValid() && occasion.date() != t.date();
            sounds += m.sound == 1;
        }
    }

    void advance(qint64 ms)
    {
        const QDateTime end = now.addMSecs(ms);
        for (qint64 step = 1000 - now.time().msec(); now.addMSecs(step) <= end; step = 1000 - now.time().msec()) {
            now = now.addMSecs(step);
            tick(now);
        }
        now = end;
    }

    // The file follows every change, unless the disk refuses a write (the tests' disk never refuses a deletion):
    // then the user is told.
    void save(const MemoTable &table, const QByteArray &bytes)
    {
        const bool refused = failing && bytes != "<missing>";
        unsaved = refused;
        messages += refused;
        if (refused)
            return;
        ++saves;
        onDisk = table;
        file = seen = bytes;
        seenMemos = table;
        damagedOnDisk = fileHoldsOut = false;
    }
    // Memos come and go: the alarm and the list's selection stay with theirs.
    void insertMemo(int place, const Memo &m, const std::pair<QDateTime, QDateTime> &occasion)
    {
        memos.insert(place, m);
        occasions.insert(place, occasion);
        alarmSlot += alarmSlot >= place;
        selected += selected >= place;
    }
    void removeMemo(int slot)
    {
        memos.removeAt(slot);
        occasions.removeAt(slot);
        alarmSlot = alarmSlot == slot ? -1 : alarmSlot - (alarmSlot > slot);
        selected = selected == slot ? -1 : selected - (selected > slot);
    }

    // Another program's change to the file is read on the tick, and before every write. A file that vanished, was
    // emptied of its memos or reads as damaged gets two seconds of ticks to come right; a write waits for it. Then a
    // damaged file is moved aside, told, and the memos written again; the memos of a changed or vanished file
    // replace the table's, a memo equal to one there being that memo, with its occasions, alarm and selection, and
    // a change the disk refused goes on top and is written again.
    void follow(bool beforeWrite)
    {
        const bool unsettled = damagedOnDisk || file == "<missing>" || (file.isEmpty() && seen != "<missing>");
        if (file != seen && unsettled && !beforeWrite && ++unsettledTicks <= 2)
            return;
        unsettledTicks = 0;
        if (file == seen)
            return;
        if (damagedOnDisk) {
            ++setAside;
            file = seen = "<missing>";
            damagedOnDisk = false;
            onDisk = seenMemos = {};
            if (!memos.isEmpty())
                save(memos, fileOf(memos));
            return;
        }
        seen = file;
        MemoTable incoming = onDisk, base = std::exchange(seenMemos, onDisk);
        if (fileHoldsOut && out)
            incoming.removeOne(*out), base.removeOne(*out); // the session's save put it there: it is still out
        const bool refused = unsaved;
        if (refused) {
            MemoTable added;
            for (const Memo &m : memos)
                base.removeOne(m) ? void() : added.append(m);
            for (const Memo &m : base)
                incoming.removeOne(m);
            for (const Memo &m : added)
                incoming.insert(placeIn(incoming, m), m);
        }
        const MemoTable before = std::exchange(memos, MemoTable());
        const auto occasionsBefore = std::exchange(occasions, {});
        QList<int> slotNow(before.size(), -1);
        for (const Memo &m : incoming) {
            qsizetype same = 0;
            while (same < before.size() && (slotNow[same] >= 0 || !(before[same] == m)))
                ++same;
            if (same < before.size())
                slotNow[same] = int(memos.size());
            occasions << (same < before.size() ? occasionsBefore[same] : std::pair(minute(now), QDateTime()));
            memos << m;
        }
        alarmSlot = alarmSlot >= 0 ? slotNow[alarmSlot] : -1;
        selected = selected >= 0 ? slotNow[selected] : -1;
        armed = armed || !memos.isEmpty();
        if (refused)
            save(memos, memos.isEmpty() ? QByteArray() : fileOf(memos));
    }

    void showField(Field f, bool on)
    {
        fieldShown[f] = on;
        value[f] = on ? at(f, labels) : 0;
    }
    void showDate(bool on)
    {
        for (const Field f : {Year, Month, Day})
            showField(f, on);
    }
    void setEveryMonth(bool on)
    {
        if (on == everyMonth)
            return;
        everyMonth = on;
        showField(Year, !on);
        showField(Month, !on);
    }
    void setEveryDay(bool on)
    {
        if (on == everyDay)
            return;
        everyDay = on;
        monthBoxEnabled = !on;
        if (!on)
            setEveryMonth(false);
        showDate(!on);
    }
    void setWeekday(int day, bool on)
    {
        if (on == bool(week & (1 << day)))
            return;
        week += on ? 1 << day : -(1 << day);
        if (on) {
            monthBoxEnabled = dayBoxEnabled = false;
            showDate(false);
        } else if (week <= 0) {
            monthBoxEnabled = dayBoxEnabled = true;
            setEveryMonth(false);
            setEveryDay(false);
            showDate(true);
        }
    }

    // The text window is made on its first use, and making it shows it, empty.
    void useTextWindow()
    {
        if (!textWindowMade)
            shown[Text] = true, text.clear(), okButton = false;
        textWindowMade = true;
    }
    void setText(const QString &to)
    {
        useTextWindow();
        okButton = okButton || to != text;
        text = to;
    }
    void clearMemoInHand()
    {
        setButton = false;
        cancelButton = true;
        if (textWindowMade)
            shown[Text] = false, text.clear(), okButton = false;
    }

    void putBack()
    {
        if (!out)
            return;
        follow(true);
        if (memos.size() >= kSlots)
            return;
        insertMemo(placeOfOut(), *out, outOccasions);
        out.reset();
        armed = true;
        save(memos, fileOf(memos));
        clearMemoInHand();
        shown[Setting] = false;
    }
    // Where the memo out for editing goes back: its old slot, as far as date order allows.
    int placeOfOut() const
    {
        int first = 0, last = 0;
        for (const Memo &m : memos) {
            first += m.dateKey() < out->dateKey();
            last += m.dateKey() <= out->dateKey();
        }
        return std::clamp(outFrom, first, last);
    }
    MemoTable withOut() const
    {
        MemoTable table = memos;
        table.insert(placeOfOut(), *out);
        return table;
    }

    // The ways the program may end. Unless it must end, a change the disk refused is kept: the first end after
    // the failure says so, in one message, and stays; ending again, with nothing written meanwhile, ends without it.
    bool ends(bool mustEnd)
    {
        const int told = messages;
        follow(true);
        putBack();
        if (unsaved)
            save(memos, memos.isEmpty() ? QByteArray() : fileOf(memos));
        messages = mustEnd ? messages : told;
        // So is a memo out for editing that another program's memos left no room to go back.
        if (mustEnd || (!unsaved && !out) || endRefusedAt == saves)
            return true;
        endRefusedAt = saves;
        ++messages;
        return false;
    }
    void restart()
    {
        const QByteArray bytes = file;
        *this = Model(Start {onDisk, true, now});
        file = seen = bytes;
        restarted = true;
    }

    void openSetting()
    {
        if (shown[Alarm] || shown[List])
            return;
        putBack();
        if (memos.size() >= DataMax) {
            shown[Setting] = false;
            shown[FullWarning] = true;
            return;
        }
        // A new memo: a one-off at the present minute, every box clear.
        week = 0;
        everyMonth = everyDay = false;
        monthBoxEnabled = dayBoxEnabled = true;
        fieldShown = {true, true, true};
        for (const Field f : {Year, Month, Day, Hour, Minute})
            value[f] = at(f, now);
        setButton = false;
        useTextWindow();
        text.clear();
        okButton = false;
        shown[Setting] = cancelButton = true;
    }

    void openList()
    {
        if (shown[Alarm])
            return;
        putBack();
        if (memos.isEmpty())
            return;
        shown[Setting] = false;
        shown[List] = true;
        selected = -1;
    }

    // 編集: the memo leaves the table and waits in the setting window, arranged for its kind.
    void edit()
    {
        if (selected < 0)
            return;
        follow(true);
        if (selected < 0) // another program deleted it: the list stays
            return;
        const Memo m = memos[selected];
        outOccasions = occasions[selected];
        out = m;
        outFrom = selected;
        removeMemo(selected);
        save(memos, memos.isEmpty() ? QByteArray() : fileOf(memos));
        sound = m.sound == 1;
        setText(lf(m.text));
        setButton = true;
        cancelButton = false;
        // The window shows the memo's kind: a one-off with its date, every month with its day, every day and weekly
        // with none, the days a weekly memo fires on ticked.
        const bool repeating = m.month == 0, daily = repeating && (m.week != 0 || m.days == 0);
        week = 0;
        for (int day = 0; day < 7; ++day)
            week += repeating && weekdaysOf(m.week)[std::size_t(day)] ? 1 << day : 0;
        everyMonth = repeating;
        everyDay = daily;
        monthBoxEnabled = !daily;
        dayBoxEnabled = week == 0;
        fieldShown = {!repeating, !repeating, !daily};
        value = {m.year, m.month, m.days, m.hour, m.min};
        shown[List] = false;
        shown[Setting] = true;
    }

    // 設定: a one-off memo for the present minute or before is refused; so is one the table has no room for.
    void set()
    {
        follow(true);
        shown[Setting] = false;
        if (value[Year] != 0 && value <= key(labels)) {
            shown[PastWarning] = true;
            return;
        }
        if ((!out && memos.size() >= DataMax) || memos.size() >= kSlots) {
            shown[FullWarning] = true;
            return;
        }
        shown[Text] = shown[Alarm] = false;
        useTextWindow();
        shown[Text] = false;
        armed = true;
        const Memo m {qint16(value[Minute]), qint16(value[Hour]), qint16(value[Day]), qint16(value[Month]),
            qint16(value[Year]), stored(text), qint16(sound), qint16(week)};
        insertMemo(placeIn(memos, m), m, std::pair(minute(now), QDateTime()));
        out.reset();
        save(memos, fileOf(memos));
        clearMemoInHand();
    }

    void dismiss()
    {
        shown[Alarm] = false;
        if (alarmSlot < 0)
            return;
        follow(true);
        if (alarmSlot < 0)
            return;
        if (memos[alarmSlot].month == 0) {
            occasions[alarmSlot].second = std::max(occasions[alarmSlot].second, alarmOccasion);
            return;
        }
        removeMemo(alarmSlot);
        if (memos.isEmpty())
            armed = false;
        save(memos, memos.isEmpty() ? QByteArray("<missing>") : fileOf(memos));
    }

    // One "+" (by 1) or "-" (by -1) of a field: the year neither below the present year nor past the largest, the
    // others wrapping around; February has 29 days, and with no month a day may be 1 to 31.
    void step(Field f, int by)
    {
        int &v = value[f];
        const int lastDay = value[Month] == 2 ? 29 : QList {4, 6, 9, 11}.contains(value[Month]) ? 30 : 31;
        const int first = f == Month || f == Day, last[] = {32767, 12, lastDay, 23, 59};
        if (f == Year)
            v = by > 0 ? std::min(v + 1, last[Year]) : v > at(Year, now) ? v - 1 : v;
        else
            v = by > 0 && v + by > last[f] ? first : by < 0 && v + by < first ? last[f] : v + by;
    }

    std::vector<Action> actions(int arg) const;
    std::optional<Action> action(const QString &name, int arg) const;
    void apply(const Action &action);

    // The setting window as shownSettingWindow() reads it, but for fields partly shown.
    QString settingWindow() const
    {
        QString s;
        for (const Field f : {Year, Month, Day})
            s += (fieldShown[f] ? QString::number(value[f]) : u"-"_s) + (f == Day ? u' ' : u'/');
        s += u"%1:%2"_s.arg(value[Hour]).arg(value[Minute]);
        const std::pair<bool, bool> boxes[] = {{sound, true}, {everyMonth, monthBoxEnabled}, {everyDay, dayBoxEnabled}};
        for (const auto &[on, enabled] : boxes)
            s += u" %1%2"_s.arg(int(on)).arg(enabled ? "" : "x");
        s += u' ';
        for (int day = 0; day < 7; ++day)
            s += week & (1 << day) ? QString("日月火水木金土")[day] : QChar(u'・');
        return s + (setButton ? u" 設定"_s : QString()) + u" メモ"_s + (cancelButton ? u" キャンセル"_s : QString());
    }

    // The alarm: text / year month day hour minute (a value, "-" hidden) and the repetition / colour.
    QString alarm() const
    {
        if (!shown[Alarm])
            return u"none"_s;
        const Memo &m = alarmMemo;
        const QString number = u"%1 "_s;
        // A repeating memo shows its occasion's day when that is another day, its weekday when weekly.
        const bool day = (m.week == 0 && m.days != 0) || alarmAnotherDay;
        QString row = m.month != 0 ? number.arg(m.year) + number.arg(m.month) + number.arg(m.days)
                                   : u"- - "_s + (day ? number.arg(alarmOccasion.date().day()) : "- ");
        row += u"%1 %2 "_s.arg(m.hour).arg(m.min);
        row += m.month != 0 ? u"-"_s
            : m.week != 0   ? u"(%1)"_s.arg(QString("日月火水木金土")[alarmOccasion.date().dayOfWeek() % 7])
            : m.days == 0   ? u"毎日"_s
                            : u"毎月"_s;
        return lf(m.text) + u" / "_s + row + (late ? u" / late"_s : u" / due"_s);
    }
};

// Every action the user can take now, what it promises and how the user takes it; arg picks amounts, lines and texts.
std::vector<Action> Model::actions(int arg) const
{
    std::vector<Action> out;
    const auto offer = [&out](const QString &name, int weight, std::function<void(Model &)> expect,
                           std::function<void(TestProgram &)> perform) {
        out.push_back({name, weight, std::move(expect), std::move(perform)});
    };
    // A control the user can reach, by its window's and its own name: check boxes are hit on their indicator,
    // buttons in the middle.
    const auto click = [](const char *window, const char *control) {
        return [window, control](TestProgram &) {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                QWidget *c = top->objectName() == QLatin1String(window) ? top->findChild<QWidget *>(control) : nullptr;
                if (reachable(c))
                    QTest::mouseClick(c, Qt::LeftButton, {},
                        qobject_cast<QCheckBox *>(c) ? QPoint(6, c->height() / 2) : c->rect().center());
            }
        };
    };
    const auto ending = [](bool mustEnd) {
        return [mustEnd](Model &m) {
            if (m.ends(mustEnd))
                m.restart();
        };
    };
    offer(u"tray: メモ設定"_s, 6, &Model::openSetting, [](TestProgram &) { icons().memoset->trigger(); });
    if (!memos.isEmpty() || this->out)
        offer(u"tray: メモ編集"_s, 6, &Model::openList, [](TestProgram &) { icons().memoedit->trigger(); });
    offer(
        u"tray: バージョン情報"_s, 1, [](Model &m) { m.shown[Version] = true; },
        [](TestProgram &) { icons().dspver->trigger(); });
    offer(
        u"tray: 日時の設定"_s, 1, [](Model &) {},
        [](TestProgram &p) {
            icons().timadjst->trigger();
            RC_ASSERT(std::exchange(p.launcher->calls, {}) == QStringList {u"date and time settings"_s});
        });
    offer(u"tray: 終了, then a new start"_s, 1, ending(false), [](TestProgram &) { icons().memofin->trigger(); });
    const int seconds = 1 + arg % 150, ahead = 1 + arg % (3 * 24 * 60), back = 1 + arg % (2 * 24 * 60);
    offer(
        u"clock +%1 s"_s.arg(seconds), 6, [seconds](Model &m) { m.advance(seconds * 1000LL); },
        [seconds](TestProgram &p) { p.advance(seconds * 1000LL); });
    for (const int minutes : {ahead, -back}) {
        offer(
            u"clock jumps %1 min %2"_s.arg(std::abs(minutes)).arg(minutes > 0 ? "ahead" : "back"), minutes > 0 ? 2 : 1,
            [minutes](Model &m) { m.tick(m.now = m.now.addSecs(minutes * 60)); },
            [minutes](TestProgram &p) {
                p.clock->advance(minutes * 60'000LL);
                p.tick();
            });
    }
    offer(
        u"next step's saves fail"_s, 1, [](Model &m) { m.failNext = true; }, [](TestProgram &) {});
#if QT_CONFIG(sessionmanager)
    offer(
        u"session-save request"_s, 1,
        [](Model &m) {
            if (!m.out)
                return;
            m.follow(true);
            if (m.memos.size() < kSlots)
                m.save(m.withOut(), fileOf(m.withOut())), m.fileHoldsOut = !m.unsaved;
        },
        [](TestProgram &) {
            // Nothing but the request's sender is used; the manager is never touched.
            alignas(QSessionManager) static char manager[sizeof(QSessionManager)];
            emit qGuiApp->commitDataRequest(*reinterpret_cast<QSessionManager *>(manager));
        });
#endif
    offer(u"SIGTERM, then a new start"_s, 1, ending(true), [](TestProgram &p) {
        // The signal ends the event loop: aboutToQuit, then the process ends.
        RC_ASSERT(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
        p.quits += 1;
    });
    // A user with a window open mostly works in it: walks then go deep into setting, typing and editing.
    if (shown[Setting] || shown[Text] || shown[List] || shown[PastWarning] || shown[FullWarning]) {
        for (Action &a : out)
            a.weight = std::max(1, a.weight / 3);
    }
    if (shown[Setting]) {
        const char *const plus[] = {"Command12", "Command10", "Command8", "Command6", "Command4"};
        const char *const minus[] = {"Command13", "Command11", "Command9", "Command7", "Command5"};
        for (const Field f : {Year, Month, Day, Hour, Minute}) {
            for (const int by : {1, -1}) {
                if (f > Day || fieldShown[f])
                    offer(
                        u"setting: %1%2"_s.arg(QString("年月日時分")[f]).arg(by > 0 ? '+' : '-'), 2,
                        [f, by](Model &m) { m.step(f, by); }, click("form1", by > 0 ? plus[f] : minus[f]));
            }
        }
        offer(
            u"setting: 音を鳴らす"_s, 2, [](Model &m) { m.sound = !m.sound; }, click("form1", "Check1"));
        if (monthBoxEnabled)
            offer(
                u"setting: 毎月"_s, 2, [](Model &m) { m.setEveryMonth(!m.everyMonth); }, click("form1", "Check2"));
        if (dayBoxEnabled)
            offer(
                u"setting: 毎日"_s, 2, [](Model &m) { m.setEveryDay(!m.everyDay); }, click("form1", "Check3"));
        for (int day = 0; day < 7; ++day) {
            offer(
                u"setting: %1曜"_s.arg(QString("日月火水木金土")[day]), 2,
                [day](Model &m) { m.setWeekday(day, !(m.week & (1 << day))); },
                click("form1",
                    (const char *[]) {"Check4", "Check5", "Check6", "Check7", "Check8", "Check9", "Check10"}[day]));
        }
        offer(
            u"setting: メモ"_s, 6,
            [](Model &m) {
                m.shown[Setting] = false;
                m.useTextWindow();
                m.shown[Text] = true;
            },
            click("form1", "Command2"));
        const auto cancel = [](Model &m) { m.shown[Setting] = !m.cancelButton; };
        if (cancelButton)
            offer(u"setting: キャンセル"_s, 2, cancel, click("form1", "Command1"));
        if (setButton)
            offer(u"setting: 設定"_s, 12, &Model::set, click("form1", "Command3"));
        offer(u"setting: title-bar close"_s, 1, cancel, [](TestProgram &) { form1().close(); });
    }
    if (shown[Text]) {
        const QString words = kTexts.at(arg % kTexts.size()), typing = u"[%1]"_s.arg(typed + 1) + words;
        offer(
            u"text: type \"%1\""_s.arg(QString(words).replace(u'\n', u'⏎')), 6,
            [typing](Model &m) { m.setText(m.text + typing), ++m.typed; },
            [typing](TestProgram &) {
                MEMO().Text1->moveCursor(QTextCursor::End);
                MEMO().Text1->insertPlainText(typing);
            });
        offer(
            u"text: erase all"_s, 1, [](Model &m) { m.setText(QString()); },
            [](TestProgram &) {
                MEMO().Text1->selectAll();
                QTest::keyClick(MEMO().Text1, Qt::Key_Delete);
            });
        if (okButton)
            offer(
                u"text: ＯＫ"_s, 6,
                [](Model &m) {
                    m.shown[Text] = false;
                    m.shown[Setting] = m.setButton = true;
                },
                click("MEMO", "Command1"));
        // A new memo's text goes with the window; a memo being changed keeps its own.
        const auto cancel = [](Model &m) {
            m.shown[Setting] = true;
            m.shown[Text] = m.okButton = false;
            m.text.clear();
            if (m.out)
                m.setText(lf(m.out->text));
        };
        offer(u"text: キャンセル"_s, 2, cancel, click("MEMO", "Command2"));
        offer(u"text: title-bar close"_s, 1, cancel, [](TestProgram &) { MEMO().close(); });
    }
    if (shown[List]) {
        if (!memos.isEmpty()) {
            const int row = int(arg % memos.size());
            offer(
                u"list: select line %1"_s.arg(row), 6, [row](Model &m) { m.selected = row; },
                [row](TestProgram &) {
                    QListWidget *list = Edit().List1;
                    QTest::mouseClick(
                        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
                });
        }
        offer(u"list: 編集"_s, 6, &Model::edit, click("Edit", "Command1"));
        offer(
            u"list: 削除"_s, 3,
            [](Model &m) {
                if (m.selected < 0 || (m.follow(true), m.selected < 0))
                    return;
                m.removeMemo(m.selected);
                m.save(m.memos, m.memos.isEmpty() ? QByteArray() : fileOf(m.memos));
            },
            click("Edit", "Command2"));
        const auto close = [](Model &m) {
            m.shown[List] = false;
            m.armed = m.armed || !m.memos.isEmpty();
        };
        offer(u"list: 編集終了"_s, 2, close, click("Edit", "Command3"));
        offer(u"list: title-bar close"_s, 1, close, [](TestProgram &) { Edit().close(); });
    }
    const std::tuple<Window, const char *, const char *> notices[] = {{PastWarning, "past-time warning", "keikoku1"},
        {FullWarning, "table-full warning", "keikoku2"}, {Version, "version", "Ver"}};
    for (const auto &[window, name, form] : notices) {
        if (!shown[window])
            continue;
        // The past-time warning leads back to the setting window, by its OK or its title bar.
        const auto close = [window = window](Model &m) {
            m.shown[window] = false;
            m.shown[Setting] = m.shown[Setting] || window == PastWarning;
        };
        offer(QString::fromUtf8(name) + u": OK"_s, 4, close, click(form, "Command1"));
        offer(QString::fromUtf8(name) + u": title-bar close"_s, 1, close, [form = form](TestProgram &) {
            for (QWidget *top : QApplication::topLevelWidgets())
                top->objectName() == QLatin1String(form) && top->isVisible() ? void(top->close()) : void();
        });
    }
    if (shown[Alarm]) {
        offer(u"alarm: double-click the memo"_s, 8, &Model::dismiss,
            [](TestProgram &) { QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton); });
        offer(
            u"alarm: a minute on screen"_s, 2, [](Model &m) { m.late = true; },
            [](TestProgram &) { forms().Display().Timer1_Timer(); });
        offer(u"alarm: double-click the margin, then a new start"_s, 1, ending(false),
            [](TestProgram &) { QTest::mouseDClick(&forms().Display(), Qt::LeftButton, {}, QPoint(3, 100)); });
    }
    // ---- Scripts (`rekuda31 add / remove` reaching the running copy over the bus): the bus handler is called as
    // the bus would call it. A memo joins the table as 設定 places it, beside a memo out for editing, which counts
    // against the 20; the file is rewritten once and the list follows; a past one-off (of an earlier year too) or a
    // 21st memo is refused on the reply, never in a window, a malformed request with status 2; the alarm's memo
    // stays where the alarm shows it.
    {
        // The running copy reads the file first, as another program may have changed it.
        Model after = *this;
        after.follow(true);
        const int kind = arg % 5, minutes = (arg / 5) % 4, hour = (arg / 12) % 24, minute = (arg / 7) % 60;
        const QString words = kTexts.at(arg % kTexts.size());
        const qint16 sound = qint16(arg / 20 % 2);
        const QString when = kind == 0 ? u"+%1m"_s.arg(minutes)
            : kind == 3                ? u"2025-12-25 11:00"_s
            : kind == 4
            ? u"2027-02-29 09:00"_s // no such day
            : u"%1 %2:%3"_s.arg(kind == 1 ? "daily" : "weekly mon,fri").arg(hour).arg(minute, 2, 10, QChar(u'0'));
        const QDateTime due = QDateTime(now.date(), QTime(at(Hour, now), at(Minute, now))).addSecs(minutes * 60);
        const Memo memo = kind == 0
            ? Memo {qint16(at(Minute, due)), qint16(at(Hour, due)), qint16(at(Day, due)), qint16(at(Month, due)),
                qint16(at(Year, due)), stored(words), sound, 0}
            : Memo {qint16(minute), qint16(hour), 0, 0, 0, stored(words), sound, qint16(kind == 2 ? 34 : 0)};
        const bool past = (kind == 0 && minutes == 0) || kind == 3,
                   full = after.memos.size() + bool(this->out) >= DataMax;
        const QString refusal = kind == 4 ? when
            : past                        ? u"過去の時間を設定しました。再設定してください。"_s
            : full                        ? u"これ以上設定できません。"_s
                                          : QString();
        const int status = kind == 4 ? 2 : !refusal.isEmpty() || failNext;
        offer(
            u"script: add %1 \"%2\"%3"_s.arg(when, QString(words).replace(u'\n', u'⏎'), sound ? " --sound" : ""), 2,
            [memo, refusal](Model &m) {
                m.follow(true);
                if (!refusal.isEmpty())
                    return;
                const int place = placeIn(m.memos, memo);
                m.insertMemo(place, memo, {Model::minute(m.now), QDateTime()});
                m.outFrom += m.out && place <= m.outFrom;
                m.armed = true;
                m.save(m.memos, fileOf(m.memos));
            },
            [when, words, sound, status, refusal](TestProgram &) {
                const memo_commands::Reply reply = App::instance().scripts.add(when, words, sound);
                RC_ASSERT(reply.status == status);
                RC_ASSERT(reply.text.contains(refusal));
            });
        // By number, or by the id `list --json` gives: of the first memo equal to it, of a memo no longer there,
        // or one that is no id at all.
        const int number = 1 + arg % int(after.memos.size() + 1);
        const bool there = number <= after.memos.size();
        const QString id = arg % 7 == 0 ? u"xyz"_s
            : there                     ? memo_commands::memoId(after.memos[number - 1])
                                        : u"0123456789ab"_s;
        // slot: the memo it names, -1 for none; a malformed request is answered with status 2.
        const auto removal = [&](const QString &what, int slot, bool malformed, std::function<int()> ask) {
            const bool busy = slot < 0 || (shown[Alarm] && slot == after.alarmSlot);
            offer(
                u"script: remove "_s + what, 1,
                [slot, busy](Model &m) {
                    m.follow(true);
                    if (busy)
                        return;
                    m.removeMemo(slot);
                    m.outFrom -= m.out && slot < m.outFrom;
                    m.save(m.memos, m.memos.isEmpty() ? QByteArray() : fileOf(m.memos));
                },
                [ask, status = malformed ? 2 : int(busy || failNext)](TestProgram &) { RC_ASSERT(ask() == status); });
        };
        removal(QString::number(number), there ? number - 1 : -1, false,
            [number] { return App::instance().scripts.removeNumber(number).status; });
        removal(u"--id "_s + id, id == u"xyz"_s || !there ? -1 : int(after.memos.indexOf(after.memos[number - 1])),
            id == u"xyz"_s, [id] { return App::instance().scripts.removeById(id).status; });
    }
    // ---- Another program (an editor, a sync tool, a script) writes the file in place behind the program's back.
    const auto outside = [&offer](const QString &what, const MemoTable &table, const QByteArray &bytes,
                             const QByteArray &completing = {}) {
        offer(
            u"another program "_s + what, 1,
            [=](Model &m) {
                m.onDisk = table;
                m.file = bytes;
                m.damagedOnDisk = !completing.isEmpty();
                m.completing = completing;
            },
            [bytes](TestProgram &p) {
                const bool written
                    = bytes == "<missing>" ? QFile::remove(p.dataPath()) : writeBytes(p.dataPath(), bytes);
                RC_ASSERT(written);
            });
    };
    const int k = int(arg % (onDisk.size() + 1));
    MemoTable more = onDisk;
    more.insert(k, generatedMemo(arg, 100 + arg % 100));
    if (damagedOnDisk)
        outside(u"finishes writing"_s, onDisk, completing);
    else if (onDisk.size() < kSlots)
        outside(u"adds a memo at %1"_s.arg(k + 1), more, fileOf(more));
    if (!damagedOnDisk && !onDisk.isEmpty()) {
        const int j = k % int(onDisk.size());
        MemoTable fewer = onDisk, moved = onDisk;
        fewer.removeAt(j);
        moved[j].min = qint16((moved[j].min + 1) % 60);
        outside(u"deletes memo %1"_s.arg(j + 1), fewer, fewer.isEmpty() ? QByteArray() : fileOf(fewer));
        outside(u"moves memo %1 a minute on"_s.arg(j + 1), moved, fileOf(moved));
        outside(u"rewrites the memos with LF line ends"_s, onDisk, fileOf(onDisk).replace("\r\n", "\n"));
    }
    if (file != "<missing>")
        outside(u"deletes the file"_s, {}, "<missing>");
    if (!damagedOnDisk && onDisk.size() < kSlots) {
        // Cut after the last text's opening quote: the file cannot be read until the rest comes.
        const QByteArray full = fileOf(more);
        outside(u"is halfway through writing"_s, more, full.left(full.lastIndexOf('"', full.lastIndexOf('"') - 1) + 1),
            full);
    }
    // A second copy on the same data folder (another login, another environment) finds it taken, at every step.
    offer(
        u"a second copy starts on the data folder"_s, 1, [](Model &) {},
        [](TestProgram &p) { RC_ASSERT(!FileLock(p.folder.path()).acquire()); });
    return out;
}

std::optional<Action> Model::action(const QString &name, int arg) const
{
    const std::vector<Action> offered = actions(arg);
    const auto found = std::ranges::find(offered, name, &Action::name);
    return found == offered.end() ? std::nullopt : std::optional(*found);
}

void Model::apply(const Action &action)
{
    failing = failNext && !action.name.startsWith(QLatin1String("SIGTERM"));
    failNext = restarted = false;
    action.expect(*this);
    failing = false;
}

} // namespace

// The program under test, driven through its windows as the user would, and checked against the model.
class Walk
{
public:
    explicit Walk(const Start &start)
        : model(start)
    {
        if (start.file)
            m_program.writeDataFile(fileOf(start.memos));
        const QString killedSave = m_program.dataPath() + u".tmp-k1LL3d"_s; // a temporary a crash left
        RC_ASSERT(writeBytes(killedSave, "1\r\n"));
        m_program.clock->set(start.when);
        RC_ASSERT(m_program.start());
        RC_ASSERT(!QFile::exists(killedSave));
        m_program.tick();
        check();
    }

    void perform(const QString &name, int withArg = -1)
    {
        std::optional<Action> action;
        for (int arg = std::max(withArg, 0); arg < (withArg < 0 ? 5000 : withArg + 1) && !action; ++arg)
            action = model.action(name, arg);
        if (!action)
            fail(u"not available: "_s + name);
        log << name;
        TestProgram &p = m_program;
        p.files->failWrites = model.failNext && !name.startsWith(QLatin1String("SIGTERM"));
        const int beeps = p.beeper->beeps;
        model.apply(*action);
        action->perform(p);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        p.files->failWrites = false;
        if ((p.quits + p.terminations != 0) != model.restarted)
            fail(model.restarted ? u"the program did not end"_s : u"the program ended"_s);
        if (model.restarted) {
            // 終了 takes the icon away and rings the bell as it goes.
            if (p.quits && name.startsWith(QLatin1String("tray")) && (p.tray->present || p.beeper->beeps == beeps))
                fail(u"終了 left its icon or made no sound"_s);
            RC_ASSERT(p.restart());
            p.tick();
        }
        check();
    }

    // What the user sees of one part of the program, for fixed sequences.
    QString observe(const QString &what) const;

    Model model;
    QStringList log;

private:
    void check();

    [[noreturn]] void fail(const QString &what) const
    {
        QString steps;
        for (int i = 0; i < log.size(); ++i)
            steps += u"\n  %1. %2"_s.arg(i + 1).arg(log.at(i));
        RC_FAIL((what + u"\nsteps:"_s + steps).toStdString());
    }

    TestProgram m_program;
};

// The program agrees with the model in everything the user can see or will find later.
void Walk::check()
{
    const MemoBook &book = memoBook();
    const Model &m = model;
    const auto differs = [this](const QString &what, const QString &seen, const QString &expected) {
        if (seen != expected)
            fail(u"%1: \"%2\", expected \"%3\""_s.arg(what, seen, expected));
    };
    const auto memos = [](const MemoTable &table) {
        QStringList lines;
        for (const Memo &memo : table)
            lines << lf(lineOf(memo));
        return lines.join(QLatin1String(" | "));
    };
    differs(u"the table"_s, memos(book.memos()), memos(m.memos));
    differs(u"the memo out for editing"_s,
        memos(book.memoOutForEditing() ? MemoTable {*book.memoOutForEditing()} : MemoTable {}),
        memos(m.out ? MemoTable {*m.out} : MemoTable {}));
    if (m_program.dataFile() != m.file)
        differs(u"the data file"_s, observe(u"file"_s), QString::fromUtf8(m.file));
    QStringList windows;
    for (int w = 0; w < Windows; ++w)
        windows << (m.shown[std::size_t(w)] ? QString::fromUtf8(kWindowNames[w]) : QString());
    windows.removeAll(QString());
    windows.sort();
    differs(u"the windows on screen"_s, observe(u"windows"_s), windows.join(u' '));
    if (m.shown[Setting])
        differs(u"the setting window"_s, observe(u"setting"_s), m.settingWindow());
    differs(u"the text window"_s, forms().MEMO.loaded() ? observe(u"text"_s) : QString(),
        lf(m.text) + (m.okButton && m.shown[Text] ? u" [ＯＫ]"_s : QString()));
    if (forms().MEMO.loaded() && MEMO().Command1->isVisibleTo(&MEMO()) != m.okButton)
        fail(u"ＯＫ offered: %1"_s.arg(!m.okButton));
    if (m.shown[List]) {
        QStringList lines;
        for (const Memo &memo : m.memos)
            lines << listLineOf(memo);
        differs(u"the list"_s, observe(u"list"_s), lines.join(QLatin1String(" | ")));
        differs(u"the line selected"_s, QString::number(Edit().selectedSlot()), QString::number(m.selected));
    }
    differs(u"the alarm"_s, observe(u"alarm"_s), m.alarm());
    differs(u"the tray menu"_s,
        u"icon %1, メモ編集 %2"_s.arg(m_program.tray->present).arg(icons().memoedit->isVisible()),
        u"icon 1, メモ編集 %1"_s.arg(!m.memos.isEmpty() || m.out.has_value()));
    differs(u"messages and sounds"_s,
        u"%1 messages, %2 sounds"_s.arg(m_program.messages->shown.size()).arg(m_program.sound->calls.size() / 2),
        u"%1 messages, %2 sounds"_s.arg(m.messages + m.setAside).arg(m.sounds));
}

QString Walk::observe(const QString &what) const
{
    const Forms &f = forms();
    QStringList seen;
    if (what == QLatin1String("file")) {
        QString text = QStringDecoder("windows-31j").decode(m_program.dataFile());
        return text.replace(QLatin1String("\r\n"), QLatin1String("|"));
    }
    if (what == QLatin1String("setting")) // year/month/day hour:minute (fields shown), boxes, buttons
        return shownSettingWindow();
    const Form1 &m = form1();
    if (what == QLatin1String("set")) // the variables the next 設定 stores
        return QString::asprintf("%d/%d/%d %d:%d w%d", m.draft.SetYear, m.draft.SetMonth, m.draft.SetDays,
            m.draft.SetHure, m.draft.SetMin, m.draft.WeekFlag);
    if (what == QLatin1String("text")) // the text box, and whether ＯＫ is offered
        return lf(MEMO().Text1->text()) + (reachable(MEMO().Command1) ? u" [ＯＫ]"_s : QString());
    if (what == QLatin1String("list")) {
        for (int i = 0; i < Edit().List1->count(); ++i)
            seen << Edit().List1->item(i)->text();
        return seen.join(QLatin1String(" | "));
    }
    if (what == QLatin1String("alarm")) { // text / year month day hour minute kind / colour
        if (!f.Display.shown())
            return u"none"_s;
        DisplayForm &d = forms().Display();
        const QColor colour = d.background();
        if (!d.Label1->autoFillBackground() || d.Label1->palette().color(QPalette::Window) != colour)
            return u"the text's background is not the window's"_s;
        for (const QLabel *label : {d.Label11, d.Label5, d.Label4, d.Label3, d.Label2, d.Label17})
            seen << (label->isVisibleTo(&d) ? label->text() : u"-"_s);
        return lf(d.Label1->text()) + u" / "_s + seen.join(u' ') + u" / "_s
            + (colour == DisplayForm::dueColour()         ? u"due"_s
                    : colour == DisplayForm::lateColour() ? u"late"_s
                                                          : colour.name());
    }
    if (what == QLatin1String("sound")) // what the due memos asked of the speakers so far
        return m_program.sound->calls.join(QLatin1String(", ")).remove(m_program.folder.path() + u'/')
            + u", beeps %1"_s.arg(m_program.beeper->beeps);
    if (what == QLatin1String("windows")) { // on screen, but the splash: name/caption, centred, every control named
        for (const QWidget *w : QApplication::topLevelWidgets()) {
            const QPoint offCentre = w->frameGeometry().center() - w->screen()->geometry().center();
            const auto controls = w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            if (w->isVisible() && w->objectName() != QLatin1String("Title"))
                seen << w->objectName() + u'/' + w->windowTitle()
                        + (offCentre.manhattanLength() > 8 ? u" off centre"_s : u""_s)
                        + (std::ranges::any_of(controls, [](auto *c) { return c->objectName().isEmpty(); })
                                ? u" unnamed control"_s
                                : u""_s);
        }
        seen.sort();
        return seen.join(u' ');
    }
    return u"nothing called "_s + what;
}

namespace {

// One user action, chosen among those the model offers at that moment; shrinking keeps its meaning or drops it.
struct UserStep : rc::state::Command<Model, Walk>
{
    int arg;
    QString action;

    explicit UserStep(const Model &model)
        : arg(*rc::gen::resize(100, rc::gen::inRange(0, 1 << 16))) // the full range at any walk length
    {
        const std::vector<Action> offered = model.actions(arg);
        int total = 0;
        for (const Action &a : offered)
            total += a.weight;
        int pick = *rc::gen::resize(100, rc::gen::inRange(0, total));
        for (const Action &a : offered) {
            if (pick >= 0 && pick < a.weight)
                action = a.name;
            pick -= a.weight;
        }
    }
    void checkPreconditions(const Model &model) const override { RC_PRE(model.action(action, arg).has_value()); }
    void apply(Model &model) const override { model.apply(*model.action(action, arg)); }
    void run(const Model &, Walk &walk) const override { walk.perform(action, arg); }
    void show(std::ostream &os) const override { os << action.toStdString(); }
};

rc::Gen<Start> startGen()
{
    return rc::gen::exec([] {
        Start start;
        start.when = QDateTime(QDate(2026, 12, 25), QTime(14, *rc::gen::inRange(20, 40), *rc::gen::inRange(0, 60)));
        const int kind = *rc::gen::inRange(0, 20);
        start.file = kind != 0; // else a first start
        // Up to a full table, and now and then one memo beyond the capacity.
        const int count = !start.file ? 0 : kind < 4 ? *rc::gen::inRange(19, 22) : *rc::gen::inRange(1, 6);
        const auto seeds = *rc::gen::container<std::vector<int>>(count, rc::gen::inRange(0, 1 << 20));
        for (int i = 0; i < count; ++i)
            start.memos << generatedMemo(seeds[std::size_t(i)], i);
        // A file keeps its memos in date order.
        std::ranges::stable_sort(start.memos, {}, &Memo::dateKey);
        return start;
    });
}

} // namespace

class TestRandomActions : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A bounded run for CI; scripts/random-actions.sh sets RC_PARAMS for long runs.
        if (qEnvironmentVariableIsEmpty("RC_PARAMS"))
            qputenv("RC_PARAMS", "max_success=500 verbose_progress=0");
    }
    void randomWalks();
    void sequences_data();
    void sequences();
    void simulatedYear();
};

void TestRandomActions::randomWalks()
{
    const bool passed = rc::check("the program does what the user expects, whatever the user clicks", [] {
        const Start start = *startGen();
        Walk walk(start);
        // Walks of up to 40 steps (REKUDA31_WALK_STEPS) from the first run on, not once the size has grown.
        const int length = qEnvironmentVariableIntValue("REKUDA31_WALK_STEPS");
        const Model initial(start);
        const auto steps = *rc::gen::resize(
            length > 0 ? length : 40, rc::state::gen::commands(initial, rc::state::gen::execOneOfWithArgs<UserStep>()));
        rc::state::runAll(steps, initial, walk);
    });
    QVERIFY(passed);
}

// A fixed sequence: steps by name, separated by "; ", checked as in a walk, and "? part: what the user sees" checks.
void TestRandomActions::sequences_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("steps");
    const auto row = [](const QString &name, const QStringList &memos, const char *when, const QString &steps) {
        QTest::newRow(name.toUtf8()) << memos << QString::fromLatin1(when) << steps;
    };
    const QString oneOff = memoLine(0, 15, 25, 12, 2026, u"歯医者"_s);
    const QString morning = memoLine(0, 7, 0, 0, 0, u"朝"_s);
    const QString meeting = memoLine(30, 14, 25, 12, 2026, u"会議"_s, 1);
    const QString newMemo = u"tray: メモ設定; setting: メモ; text: type \"会議\"; text: ＯＫ; "_s;

    // The fields step within their ranges; a set stores what the window showed.
    row("日+ twice from 28 February", {}, "2026-02-28 09:00:30",
        "tray: メモ設定; setting: 日+; ? set: 2026/2/29 9:0 w0; setting: 日+; ? set: 2026/2/1 9:0 w0");
    row("年- at the present year, 年+ at the largest", {}, "32766-03-01 09:00:30",
        "tray: メモ設定; setting: 年-; ? set: 32766/3/1 9:0 w0; setting: 年+; setting: 年+; ? set: 32767/3/1 9:0 w0");
    // The present minute is past: the warning, and everything kept for a retry.
    const QString refused = u"setting: 設定; past-time warning: OK; setting: メモ"_s;
    row("past: the present minute at second 59", {}, "2026-12-25 10:15:59", newMemo + refused);
    row("past: 23:59 of the day before", {}, "2026-12-25 00:00:05",
        newMemo + "setting: 日-; setting: 時-; setting: 分-; " + refused);
    // An edit put back under an alarm leaves the alarm with its memo; the refused end says so once.
    row("put-back under an alarm", {morning, oneOff}, "2026-12-25 14:59:50",
        "tray: メモ編集; list: select line 0; list: 編集; setting: メモ; clock +15 s; next step's saves fail; "
        "tray: 終了, then a new start; ? alarm: 歯医者 / 2026 12 25 15 0 - / due; alarm: double-click the memo; "
        "? file: 1|0,7,0,0,0,\"朝\",0,0|");
    // Every occasion once: dismissed in its first second, it is done, even when the clock goes back across it.
    row("every morning", {morning}, "2026-12-24 06:59:59",
        "clock +1 s; ? alarm: 朝 / - - - 7 0 毎日 / due; alarm: double-click the memo; clock +1 s; ? alarm: none; "
        "clock jumps 1 min back; clock +70 s; ? alarm: none");
    QStringList busy;
    QString inTurn = u"clock +2 s; "_s;
    for (const QString &text : {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}) {
        busy << memoLine(0, 9, 0, 0, 0, text);
        inTurn += u"? alarm: %1 / - - - 9 0 毎日 / due; alarm: double-click the memo; clock +1 s; "_s.arg(text);
    }
    row("five every-day memos of one minute", busy, "2026-12-25 08:59:58", inTurn + "clock +70 s; ? alarm: none");
    row("last year's 31 December on 1 January", {"30,23,31,12,2026,\"年末\",0,0"}, "2027-01-01 10:00:00",
        "? alarm: 年末 / 2026 12 31 23 30 - / late");
    // Held off while the list editor is open: late, once it closes, with its sound.
    row("a one-off's minute passed in the list editor", {meeting}, "2026-12-25 14:29:58",
        "tray: メモ編集; clock +70 s; ? alarm: none; ? sound: , beeps 0; list: 編集終了; clock +1 s; "
        "? alarm: 会議 / 2026 12 25 14 30 - / late; ? sound: close, play rekuda31.wav, beeps 1");

    // Faults walks rarely reach. An edit put back under its past-time warning leaves nothing to set a second time.
    const QString editToThePast
        = QStringLiteral("tray: メモ編集; list: select line 0; list: 編集; setting: 日-; "
                         "setting: 設定; tray: メモ編集; list: 編集終了; past-time warning: OK");
    row("put-back, then the warning's OK and メモ", {oneOff}, "2026-12-25 14:30:00",
        editToThePast + "; ? setting: 2026/12/24 15:0 0 0 0 ・・・・・・・ メモ キャンセル; setting: メモ");
    // Boxes left ticked by the last set do not change the kind of a memo taken for editing.
    row("an every-month memo edited after an every-day set", {"0,10,25,0,0,\"家賃\",0,0"}, "2026-12-25 14:30:00",
        newMemo + "setting: 毎日; setting: 設定; tray: メモ編集; list: select line 1; list: 編集");
    // A set that cannot be stored says so and loses nothing.
    QStringList full;
    for (int i = 0; i < 21; ++i)
        full << memoLine(i, 16, 25, 12, 2026, u"m%1"_s.arg(i));
    // A memo out for editing that another program's memos left no room for: the first end says so and stays.
    row("an end with the table filled by another program", full.mid(0, 20), "2026-12-25 14:30:00",
        "tray: メモ編集; list: select line 0; list: 編集; another program adds a memo at 1; "
        "another program adds a memo at 1; tray: 終了, then a new start; tray: 終了, then a new start");
    row("set with a full table", full, "2026-12-25 14:30:00",
        editToThePast + "; setting: メモ; text: type \"会議\"; text: ＯＫ; setting: 年+; setting: 設定");
}

void TestRandomActions::sequences()
{
    QFETCH(QStringList, memos);
    QFETCH(QString, when);
    QFETCH(QString, steps);
    Start start;
    start.file = !memos.isEmpty();
    for (const QString &line : memos) {
        const QStringList f = line.section(u'"', 0, 0).split(u','), tail = line.section(u'"', 2).split(u',');
        start.memos << Memo {qint16(f[0].toInt()), qint16(f[1].toInt()), qint16(f[2].toInt()), qint16(f[3].toInt()),
            qint16(f[4].toInt()), line.section(u'"', 1, 1), qint16(tail[1].toInt()), qint16(tail[2].toInt())};
    }
    const QStringList at = when.split(QRegularExpression(u"[- :]"_s)); // years beyond 9999 too
    start.when = QDateTime(QDate(at[0].toInt(), at[1].toInt(), at[2].toInt()), QTime::fromString(at.mid(3).join(u':')));
    try {
        Walk walk(start);
        for (const QString &step : steps.split(QLatin1String("; "))) {
            if (!step.startsWith(u'?')) {
                walk.perform(step);
                continue;
            }
            const QString part = step.mid(2).section(u':', 0, 0);
            const QString expected = step.section(QLatin1String(": "), 1);
            QVERIFY2(walk.observe(part) == expected,
                qPrintable(u"after steps %1\n%2: \"%3\", expected \"%4\""_s.arg(
                    walk.log.join(QLatin1String(", ")), part, walk.observe(part), expected)));
        }
    } catch (const rc::detail::CaseResult &result) {
        QFAIL(result.description.c_str());
    }
}

// A whole year on the fake clock, two ticks a minute, with memos of every kind, some sharing a minute.
void TestRandomActions::simulatedYear()
{
    TestProgram program;
    const QDate first(2027, 1, 1);
    program.writeDataFile(
        dataFileOf({"0,7,0,0,0,\"daily\",0,0", "0,7,0,0,0,\"daily too\",0,0", "15,8,0,0,0,\"mon-fri\",0,34",
            "30,18,0,0,0,\"weekend\",0,65", "0,10,31,0,0,\"31st\",0,0", "59,23,15,0,0,\"15th\",0,0",
            "0,10,0,0,0,\"fri\",0,32", "0,9,31,12,2026,\"last year\",0,0", "0,9,14,3,2027,\"once\",0,0"}));
    program.clock->set(QDateTime(first, QTime(0, 0)));
    QVERIFY(program.start());
    const auto firing
        = [](const QDateTime &at, const QString &text) { return at.toString(u"yyyy-MM-dd hh:mm:ss "_s) + text; };
    QStringList fired;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        for (int minute = 0; minute < 24 * 60; ++minute) {
            const QDateTime start(day, QTime(minute / 60, minute % 60));
            // The alarm stays up through its minute; the user dismisses it once the minute's chances are over.
            QString seen;
            for (const int second : {0, 30}) {
                program.clock->set(start.addSecs(second));
                program.tick();
                if (forms().Display.shown() && seen.isEmpty())
                    seen = firing(program.clock->now(), memoBook().at(memoBook().shownSlot()).text)
                        + (forms().Display().background() == DisplayForm::lateColour() ? " late" : "");
            }
            if (!seen.isEmpty()) {
                fired << seen;
                forms().Display().Label1_DblClick();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        }
    }

    // Last year's one-off at the start, late; of two memos in one minute the second follows, late.
    QStringList expected {firing(QDateTime(first, QTime(0, 0)), u"last year late"_s)};
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        const int weekday = day.dayOfWeek();
        expected << firing(QDateTime(day, QTime(7, 0)), u"daily"_s);
        expected << firing(QDateTime(day, QTime(7, 1)), u"daily too late"_s);
        if (weekday == Qt::Monday || weekday == Qt::Friday)
            expected << firing(QDateTime(day, QTime(8, 15)), u"mon-fri"_s);
        if (day == QDate(2027, 3, 14))
            expected << firing(QDateTime(day, QTime(9, 0)), u"once"_s);
        if (day.day() == 31)
            expected << firing(QDateTime(day, QTime(10, 0)), u"31st"_s);
        if (weekday == Qt::Friday)
            expected << firing(QDateTime(day, QTime(10, day.day() == 31)), day.day() == 31 ? "fri late" : "fri");
        if (weekday == Qt::Saturday || weekday == Qt::Sunday)
            expected << firing(QDateTime(day, QTime(18, 30)), u"weekend"_s);
        if (day.day() == 15)
            expected << firing(QDateTime(day, QTime(23, 59)), u"15th"_s);
    }
    QCOMPARE(fired, expected);
}

QTEST_MAIN(TestRandomActions)
#include "tst_random_actions.moc"
