// Random walks over everything a user can do, on the real windows, checked after every step. Catches: a memo lost
// or set twice (put-backs, refused sets, cancelled edits, exits and session saves amid an edit), a data file out of
// step with the table, memos out of date order, fields not showing the memo being set, an alarm showing or
// dismissing another memo than its own, a program that ends unasked. Fixed sequences pin what a walk cannot judge:
// the values the fields step to, the bytes a set writes, the list's lines, the alarm's rows and colours, past-time
// refusals and hold-offs. A simulated year catches a memo that fires on the wrong day, minute or weekday (month
// ends, leap rules, weekday masks), fires twice, shows as late on time, or comes back after its dismissal.
// RC_PARAMS="seed=N" replays a walk; scripts/random-actions.sh runs long ones.
#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/edit_form.h"
#include "entry/form1.h"
#include "entry/memo_form.h"
#include "notices/keikoku1_form.h"
#include "notices/keikoku2_form.h"
#include "notices/ver_form.h"
#include "platform/cp932_codec.h"
#include "shell/icons_form.h"
#include "store/data_file.h"

#include <QtTest>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <functional>
#include <map>
#include <random>

namespace {

const Cp932Codec kCodec;

// Texts as users type them: Japanese, commas, quotes, line breaks, half-width
// kana, the NEC and IBM extensions of code page 932.
const QStringList kTexts {QStringLiteral("会議"), QStringLiteral("歯医者 10:30"), QStringLiteral("a,b,c"),
    QStringLiteral("\"引用\"の話"), QStringLiteral("改行\nあり"), QStringLiteral("①髙"), QStringLiteral("ｶﾅ"),
    QStringLiteral("~\\"), QString()};

// One memo line of a generated data file, from a number. Mostly memos the windows make, near the walk's start; some
// hold values no window makes, which load and simply never fall due.
QString generatedMemo(int n, int tag)
{
    std::mt19937 r(static_cast<unsigned>(n));
    const auto pick = [&r](int low, int high) { return std::uniform_int_distribution<int>(low, high)(r); };
    int f[6] = {pick(0, 59), pick(12, 16), pick(24, 26), 12, 2026, 0}; // min, hour, day, month, year, week
    const int kind = pick(0, 6);
    if (kind == 0) // every month
        f[3] = f[4] = 0;
    if (kind == 1 || kind == 2 || kind == 4) // every day, weekly
        f[2] = f[3] = f[4] = 0;
    if (kind == 2)
        f[5] = pick(1, 127);
    if (kind == 3) { // hour 24, minute 60, day 40, month 13
        const int field = pick(0, 3);
        f[field == 0 ? 1 : field == 1 ? 0 : field] = (const int[]) {24, 60, 40, 13}[field];
    }
    if (kind == 4) // weekday masks beyond the seven days
        f[5] = pick(0, 1) ? 200 : -3;
    QString text = QStringLiteral("<%1>").arg(tag) + kTexts.at(pick(0, int(kTexts.size()) - 1));
    text.replace(QLatin1Char('"'), QChar(0xFF02)); // a file cannot hold a quote inside a text
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return memoLine(f[0], f[1], f[2], f[3], f[4], text, pick(0, 1), f[5]);
}

// The start of a walk: the data file and the moment the program starts.
struct Start
{
    QByteArray file; // empty: no file
    QStringList texts; // of the memos in the file, as stored
    QDateTime when;
};

void setMemos(Start &start, const QStringList &lines)
{
    start.file = dataFileOf(lines);
    for (const QString &line : lines)
        start.texts << line.section(u'"', 1, 1);
}

// How a failing walk's start is printed.
void showValue(const Start &start, std::ostream &os)
{
    QString text = QStringLiteral("no data file");
    if (!start.file.isEmpty())
        kCodec.decode(start.file, &text);
    os << "program starts at " << start.when.toString(Qt::ISODate).toStdString() << " with:\n" << text.toStdString();
}

QString lf(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// Whether the user can reach a control: its window is on screen and the control is shown and enabled in it.
bool reachable(const QWidget *control)
{
    return control && control->window()->isVisible() && control->isVisibleTo(control->window()) && control->isEnabled();
}

// The setting window as the user sees it: year/month/day (a field's value, "-" when hidden, "?" when only part of it
// shows), hour:minute, Check1 to Check3 (value, "x" when disabled), the weekdays ticked, and the buttons shown.
QString settingWindow()
{
    const Form1 &f = form1();
    const auto field = [](const QLabel *value, std::initializer_list<const QWidget *> rest) {
        int shown = value->isVisible();
        for (const QWidget *widget : rest)
            shown += widget->isVisible();
        return shown == 0 ? QStringLiteral("-") : shown == int(rest.size()) + 1 ? value->text() : QStringLiteral("?");
    };
    QString s = field(f.Label15, {f.Command12, f.Command13, f.Label6[1]}) + u'/'
        + field(f.Label14, {f.Command10, f.Command11, f.Label7[1]}) + u'/'
        + field(f.Label13, {f.Command8, f.Command9, f.Label8[1]}) + u' ' + field(f.Label12, {}) + u':'
        + field(f.Label11, {});
    for (const QCheckBox *box : {f.Check1, f.Check2, f.Check3})
        s += u' ' + QString::number(value(box)) + (box->isEnabled() ? QString() : QStringLiteral("x"));
    s += u' ';
    for (const QCheckBox *box : {f.Check4, f.Check5, f.Check6, f.Check7, f.Check8, f.Check9, f.Check10})
        s += value(box) ? box->text() : QStringLiteral("・");
    for (const QPushButton *button : {f.Command3, f.Command2, f.Command1})
        s += button->isVisible() ? u' ' + button->text() : QString();
    return s;
}

} // namespace

// The program under test and what the user expects of it. The expectation is kept from the user's side: which memos
// they set, deleted and dismissed, and what the text box holds for the memo in hand.
class Walk
{
public:
    explicit Walk(const Start &start)
    {
        m_program = std::make_unique<TestProgram>();
        if (!start.file.isEmpty())
            m_program->writeDataFile(start.file);
        const QString killedSave = m_program->dataPath() + QStringLiteral(".tmp-k1LL3d"); // a temporary a crash left
        RC_ASSERT(writeBytes(killedSave, "1\r\n"));
        m_program->clock->set(start.when);
        RC_ASSERT(m_program->start());
        RC_ASSERT(!QFile::exists(killedSave));
        m_program->tick(); // the clock labels are written within the first second
        m_startFile = m_program->dataFile();
        // Every memo of the file is loaded, odd values too.
        for (const QString &text : start.texts)
            m_expected[text] += 1;
        check();
    }

    // Runs the action numbered `choice` among those the user can take now.
    void step(int choice, int arg)
    {
        std::vector<Action> actions = available(arg);
        int total = 0;
        for (const Action &a : actions)
            total += a.weight;
        int pickAt = choice % total;
        for (const Action &a : actions) {
            if (pickAt < a.weight)
                return run(a);
            pickAt -= a.weight;
        }
    }

    // Runs the action of that name, which must be available now.
    void perform(const QString &name)
    {
        for (int arg = 0; arg < 200; ++arg) {
            for (const Action &a : available(arg)) {
                if (a.name == name)
                    return run(a);
            }
        }
        fail(QStringLiteral("not available: ") + name);
    }

    // What the user sees of one part of the program, for fixed sequences.
    QString observe(const QString &what) const;

    QStringList log;

private:
    struct Action
    {
        QString name;
        int weight;
        std::function<void()> run;
        // Ends the program; a fresh start follows in the same step.
        enum Ending { No, UnlessUnsaved, Always } ends = No;
    };

    void run(const Action &action)
    {
        log << action.name;
        // The signal's end cannot wait for a disk that refuses every write.
        const bool failing = m_failNext && action.ends != Action::Always;
        m_failNext = false;
        m_program->files->failWrites = failing;
        const int writesBefore = m_program->files->writes, beepsBefore = m_program->beeper->beeps;
        const int messagesBefore = int(m_program->messages->shown.size());
        action.run();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_program->files->failWrites = false;
        const bool wrote = m_program->files->writes > writesBefore;
        if (failing && wrote) {
            // The user must hear of a change that did not reach the disk.
            if (int(m_program->messages->shown.size()) == messagesBefore)
                fail(QStringLiteral("a save failed without a message"));
            m_fileStale = true;
        } else if (wrote) {
            m_fileStale = false;
            m_endRefused = false;
        }
        if (action.ends != Action::No) {
            const bool ended = m_program->quits + m_program->terminations != 0, unsaved = failing && wrote;
            if (!ended && !unsaved)
                fail(QStringLiteral("the program did not end"));
            // Only an end the user repeats after being told loses the unwritten change.
            if (ended && unsaved && !m_endRefused)
                fail(QStringLiteral("ended without its last change and without a word"));
            // 終了 takes the icon away and rings the bell as it goes.
            if (m_program->quits && action.ends == Action::UnlessUnsaved
                && (m_program->tray->present || m_program->beeper->beeps == beepsBefore))
                fail(QStringLiteral("終了 left its icon or made no sound"));
            m_endRefused = !ended; // refused for a change that could not be written
            if (ended)
                restart();
            for (int i = 0; ended && unsaved && i <= memoBook().count(); ++i) // what the disk kept
                i == 0 ? m_expected.clear() : void(m_expected[memoBook().at(i - 1).text] += 1);
            if (!ended && m_editing) // a memo in hand went back into the table first
                forgetMemoInHand();
        }
        check();
    }

    void restart()
    {
        RC_ASSERT(m_program->restart());
        m_program->tick();
        forgetMemoInHand();
        m_fileStale = false;
        m_endRefused = false;
    }

    void forgetMemoInHand()
    {
        m_userText.clear();
        m_editing.reset();
        m_spent = false;
    }

    [[noreturn]] void fail(const QString &what) const
    {
        QString steps;
        for (int i = 0; i < log.size(); ++i)
            steps += QStringLiteral("\n  %1. %2").arg(i + 1).arg(log.at(i));
        RC_FAIL((what + QStringLiteral("\nsteps:") + steps).toStdString());
    }

    std::vector<Action> available(int arg);

    void setClicked();
    void check();

    std::unique_ptr<TestProgram> m_program;
    QByteArray m_startFile;
    // Memo text -> how often the user set it and has not removed it.
    std::map<QString, int> m_expected;
    // What the text box holds for the memo in hand, as far as the user knows.
    QString m_userText;
    // The text of the memo the user is changing, from "編集" to its "設定".
    std::optional<QString> m_editing;
    // The text in hand has been set; the box may keep it or be emptied.
    bool m_spent = false;
    bool m_failNext = false;
    bool m_fileStale = false;
    // An end was refused for an unwritten change, and nothing was saved since.
    bool m_endRefused = false;
    int m_typed = 0;
};

std::vector<Walk::Action> Walk::available(int arg)
{
    std::vector<Action> out;
    out.push_back({QStringLiteral("tray: メモ設定"), 6, [this] {
                       const bool opens = !forms().Display.shown() && !forms().Edit.shown();
                       icons().memoset->trigger();
                       // A new memo starts empty; an edit in hand goes back to the table.
                       if (opens)
                           forgetMemoInHand();
                   }});
    if (icons().memoedit->isVisible()) {
        out.push_back({QStringLiteral("tray: メモ編集"), 6, [this] {
                           const bool opens = !forms().Display.shown();
                           icons().memoedit->trigger();
                           // The edit in hand is back in the list the user now sees.
                           if (opens && m_editing)
                               forgetMemoInHand();
                       }});
    }
    out.push_back({QStringLiteral("tray: バージョン情報"), 1, [] { icons().dspver->trigger(); }});
    out.push_back({QStringLiteral("tray: 日時の設定"), 1, [] { icons().timadjst->trigger(); }});
    out.push_back(
        {QStringLiteral("tray: 終了, then a new start"), 1, [] { icons().memofin->trigger(); }, Action::UnlessUnsaved});
    const int seconds = 1 + arg % 150;
    out.push_back(
        {QStringLiteral("clock +%1 s").arg(seconds), 6, [this, seconds] { m_program->advance(seconds * 1000LL); }});
    const int minutes = 1 + (arg * 37) % (3 * 24 * 60);
    out.push_back({QStringLiteral("clock jumps %1 min ahead").arg(minutes), 2, [this, minutes] {
                       m_program->clock->advance(minutes * 60'000LL);
                       m_program->tick();
                   }});
    const int back = 1 + (arg * 13) % (2 * 24 * 60);
    out.push_back({QStringLiteral("clock jumps %1 min back").arg(back), 1, [this, back] {
                       m_program->clock->advance(-back * 60'000LL);
                       m_program->tick();
                   }});
    out.push_back({QStringLiteral("next step's saves fail"), 1, [this] { m_failNext = true; }});
#if QT_CONFIG(sessionmanager)
    out.push_back({QStringLiteral("session-save request"), 1, [] {
                       // Nothing but the request's sender is used; the manager is never touched.
                       alignas(QSessionManager) static char manager[sizeof(QSessionManager)];
                       emit qGuiApp->commitDataRequest(*reinterpret_cast<QSessionManager *>(manager));
                   }});
#endif
    out.push_back({QStringLiteral("SIGTERM, then a new start"), 1,
        [this] {
            // The signal ends the event loop: aboutToQuit, then the process ends.
            RC_ASSERT(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
            m_program->quits += 1;
        },
        Action::Always});
    // A user with a window open mostly works in it: walks then go deep into
    // setting, typing and editing instead of starting over from the tray.
    const Forms &f = forms();
    if (f.form1.shown() || f.MEMO.shown() || f.Edit.shown() || f.keikoku1.shown() || f.keikoku2.shown()) {
        for (Action &a : out)
            a.weight = std::max(1, a.weight / 3);
    }
    if (forms().form1.shown()) {
        Form1 &f = form1();
        const std::pair<QAbstractButton *, const char *> controls[]
            = {{f.Command4, "分+"}, {f.Command5, "分-"}, {f.Command6, "時+"}, {f.Command7, "時-"}, {f.Command8, "日+"},
                {f.Command9, "日-"}, {f.Command10, "月+"}, {f.Command11, "月-"}, {f.Command12, "年+"},
                {f.Command13, "年-"}, {f.Check1, "音を鳴らす"}, {f.Check2, "毎月"}, {f.Check3, "毎日"},
                {f.Check4, "日曜"}, {f.Check5, "月曜"}, {f.Check6, "火曜"}, {f.Check7, "水曜"}, {f.Check8, "木曜"},
                {f.Check9, "金曜"}, {f.Check10, "土曜"}, {f.Command2, "メモ"}, {f.Command1, "キャンセル"}};
        for (const auto &[control, caption] : controls) {
            if (reachable(control)) {
                // Check boxes are hit on their indicator, buttons in the middle.
                const QPoint at
                    = qobject_cast<QCheckBox *>(control) ? QPoint(6, control->height() / 2) : control->rect().center();
                out.push_back({QStringLiteral("setting: ") + QString::fromUtf8(caption), control == f.Command2 ? 6 : 2,
                    [control, at] { QTest::mouseClick(control, Qt::LeftButton, {}, at); }});
            }
        }
        if (reachable(f.Command3))
            out.push_back({QStringLiteral("setting: 設定"), 12, [this] { setClicked(); }});
        out.push_back({QStringLiteral("setting: title-bar close"), 1, [] { form1().close(); }});
    }
    if (forms().MEMO.shown()) {
        // Every typed piece carries a number of its own, so no two memos the user sets share a text by chance.
        const QString words = kTexts.at(arg % kTexts.size());
        out.push_back({QStringLiteral("text: type \"%1\"").arg(QString(words).replace(u'\n', QStringLiteral("⏎"))), 6,
            [this, words] {
                MEMO().Text1->insertPlainText(QStringLiteral("[%1]").arg(++m_typed) + words);
                m_userText = MEMO().Text1->text();
                m_spent = false;
            }});
        out.push_back({QStringLiteral("text: erase all"), 1, [this] {
                           MEMO().Text1->selectAll();
                           QTest::keyClick(MEMO().Text1, Qt::Key_Delete);
                           m_userText = MEMO().Text1->text();
                           m_spent = false;
                       }});
        if (reachable(MEMO().Command1))
            out.push_back(
                {QStringLiteral("text: ＯＫ"), 6, [] { QTest::mouseClick(MEMO().Command1, Qt::LeftButton); }});
        const auto cancelled = [this] {
            // A new memo's text goes with the window; an edit keeps the memo's own text.
            m_userText = m_editing ? lf(*m_editing) : QString();
            m_spent = false;
        };
        out.push_back({QStringLiteral("text: キャンセル"), 2, [cancelled] {
                           QTest::mouseClick(MEMO().Command2, Qt::LeftButton);
                           cancelled();
                       }});
        out.push_back({QStringLiteral("text: title-bar close"), 1, [cancelled] {
                           MEMO().close();
                           cancelled();
                       }});
    }
    if (forms().Edit.shown()) {
        QListWidget *list = Edit().List1;
        if (list->count() > 0) {
            const int row = arg % list->count();
            out.push_back({QStringLiteral("list: select line %1").arg(row), 6, [list, row] {
                               QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                   list->visualItemRect(list->item(row)).center());
                           }});
        }
        out.push_back({QStringLiteral("list: 編集"), 6, [this] {
                           const int slot = Edit().selectedSlot();
                           QTest::mouseClick(Edit().Command1, Qt::LeftButton);
                           if (slot >= 0 && memoBook().memoOutForEditing()) {
                               m_editing = memoBook().memoOutForEditing()->text;
                               m_userText = lf(*m_editing);
                               m_spent = false;
                           }
                       }});
        out.push_back({QStringLiteral("list: 削除"), 3, [this] {
                           const int slot = Edit().selectedSlot();
                           const QString text = slot >= 0 ? memoBook().at(slot).text : QString();
                           QTest::mouseClick(Edit().Command2, Qt::LeftButton);
                           if (slot >= 0)
                               m_expected[text] -= 1;
                       }});
        out.push_back(
            {QStringLiteral("list: 編集終了"), 2, [] { QTest::mouseClick(Edit().Command3, Qt::LeftButton); }});
        out.push_back({QStringLiteral("list: title-bar close"), 1, [] { Edit().close(); }});
    }
    const std::pair<const char *, Form *> notices[]
        = {{"past-time warning", forms().keikoku1.shown() ? &keikoku1() : nullptr},
            {"table-full warning", forms().keikoku2.shown() ? &keikoku2() : nullptr},
            {"version", forms().Ver.shown() ? &Ver() : nullptr}};
    for (const auto &[name, notice] : notices) {
        if (!notice)
            continue;
        out.push_back({QString::fromUtf8(name) + QStringLiteral(": OK"), 4, [notice] {
                           QTest::mouseClick(
                               notice->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
                       }});
        out.push_back(
            {QString::fromUtf8(name) + QStringLiteral(": title-bar close"), 1, [notice] { notice->close(); }});
    }
    if (forms().Display.shown()) {
        out.push_back({QStringLiteral("alarm: double-click the memo"), 8, [this] {
                           const Memo &memo = memoBook().at(memoBook().shownSlot());
                           const QString text = memo.text;
                           const bool oneOff = memo.year != 0;
                           QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton);
                           if (oneOff)
                               m_expected[text] -= 1;
                       }});
        out.push_back({QStringLiteral("alarm: a minute on screen"), 2, [] { forms().Display().Timer1_Timer(); }});
        out.push_back({QStringLiteral("alarm: double-click the margin, then a new start"), 1,
            [] { QTest::mouseDClick(&forms().Display(), Qt::LeftButton, {}, QPoint(3, 100)); }, Action::UnlessUnsaved});
    }
    return out;
}

// "設定": either the memo in hand is stored (replacing the memo being
// changed), or the user is told why not. Nothing else.
void Walk::setClicked()
{
    Form1 &f = form1();
    const QByteArray tableBefore = data_file::serialize(memoBook().memos(), kCodec);
    const bool pendingBefore = memoBook().memoOutForEditing().has_value();
    const int messagesBefore = int(m_program->messages->shown.size());
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    const bool changed = data_file::serialize(memoBook().memos(), kCodec) != tableBefore
        || memoBook().memoOutForEditing().has_value() != pendingBefore;
    if (changed) {
        // A memo is set once; only new typing or an edit makes another.
        if (m_spent && !m_editing)
            fail(QStringLiteral("the same memo was set a second time"));
        if (m_editing)
            m_expected[*m_editing] -= 1;
        m_expected[data_file::storableText(m_userText, kCodec)] += 1;
        m_editing.reset();
        m_spent = true;
        return;
    }
    const bool told = forms().keikoku1.shown() || forms().keikoku2.shown()
        || int(m_program->messages->shown.size()) > messagesBefore;
    if (!form1().isVisible() && !told)
        fail(QStringLiteral("設定 closed the window, stored nothing and said nothing"));
}

void Walk::check()
{
    Form1 &f = form1();
    if (m_program->quits + m_program->terminations != 0)
        fail(QStringLiteral("the program ended"));
    const MemoBook &book = memoBook();
    if (book.count() > kSlots)
        fail(QStringLiteral("count out of range: %1").arg(book.count()));

    // Every memo the user set is there exactly as often as they set it: in the table, or out for editing.
    std::map<QString, int> held, expected;
    for (const Memo &memo : book.memos())
        held[memo.text] += 1;
    if (book.memoOutForEditing())
        held[book.memoOutForEditing()->text] += 1;
    for (const auto &[text, n] : m_expected) {
        if (n != 0)
            expected[text] = n;
    }
    if (held != expected) {
        const auto list = [](const std::map<QString, int> &memos) {
            QString out;
            for (const auto &[text, n] : memos)
                out += n ? QStringLiteral("\n  %1x \"%2\"").arg(n).arg(lf(text)) : QString();
            return out;
        };
        fail(QStringLiteral("the user set:") + list(expected) + QStringLiteral("\nthe program holds:") + list(held));
    }

    // The setting window's value fields show the memo being set.
    if (forms().form1.shown()) {
        const std::pair<const QLabel *, qint16> fields[] = {{f.Label15, f.draft.SetYear}, {f.Label14, f.draft.SetMonth},
            {f.Label13, f.draft.SetDays}, {f.Label12, f.draft.SetHure}, {f.Label11, f.draft.SetMin}};
        for (const auto &[label, value] : fields) {
            if (label->isVisibleTo(&f) && label->text() != QString::number(value))
                fail(QStringLiteral("a field shows %1, the memo being set holds %2").arg(label->text()).arg(value));
        }
    }

    for (int i = 1; i < book.count(); ++i) {
        if (book.at(i).dateKey() < book.at(i - 1).dateKey())
            fail(QStringLiteral("slot %1 sorts before slot %2").arg(i).arg(i - 1));
    }

    // The text box holds what the user typed, or the memo being changed.
    const QString inBox = forms().MEMO.loaded() ? MEMO().Text1->text() : QString();
    if (inBox != m_userText && !(m_spent && inBox.isEmpty()))
        fail(QStringLiteral("the text box holds \"%1\", the user expects \"%2\"").arg(lf(inBox), lf(m_userText)));

    // The file mirrors the table; with an edit in hand it may already hold the memo, as a session save leaves it.
    if (!m_fileStale) {
        const QByteArray file = m_program->dataFile();
        const QByteArray table = data_file::serialize(book.memos(), kCodec);
        bool same = file == table || (book.count() == 0 && (file == "<missing>" || file.isEmpty()));
        for (int at = 0; !same && book.memoOutForEditing() && at <= book.count(); ++at) {
            MemoTable withEdit = book.memos();
            withEdit.insert(at, *book.memoOutForEditing());
            same = file == data_file::serialize(withEdit, kCodec);
        }
        if (!same)
            fail(QStringLiteral("the data file differs from the table"));
    }

    // The alarm shows a memo of the table, as the table holds it now.
    if (forms().Display.shown()) {
        const int slot = book.shownSlot();
        if (slot < 0 || slot >= book.count())
            fail(QStringLiteral("the alarm shows slot %1 of %2").arg(slot).arg(book.count()));
        const DisplayForm &d = forms().Display();
        const Memo &memo = book.at(slot);
        if (d.Label1->text() != lf(memo.text) || d.Label3->text().toInt() != memo.hour
            || d.Label2->text().toInt() != memo.min)
            fail(QStringLiteral("the alarm shows another text or time than its memo's"));
    }

    // The list editor's lines are the table's memos, slot by slot.
    if (forms().Edit.shown()) {
        QStringList lines;
        for (const Memo &memo : book.memos())
            lines << EditForm::listLine(memo);
        if (observe(QStringLiteral("list")) != lines.join(QLatin1String(" | ")))
            fail(QStringLiteral("the list editor's lines are not the table's slots"));
    }
}

QString Walk::observe(const QString &what) const
{
    const Forms &f = forms();
    QStringList seen;
    if (what == QLatin1String("file")) {
        const QByteArray bytes = m_program->dataFile();
        if (bytes == m_startFile)
            return QStringLiteral("as at start");
        QString text;
        kCodec.decode(bytes, &text);
        return text.replace(QLatin1String("\r\n"), QLatin1String("|"));
    }
    if (what == QLatin1String("setting")) // year/month/day hour:minute (fields shown), boxes, buttons
        return settingWindow();
    const Form1 &m = form1();
    if (what == QLatin1String("set")) // the variables the next 設定 stores
        return QString::asprintf("%d/%d/%d %d:%d w%d", m.draft.SetYear, m.draft.SetMonth, m.draft.SetDays,
            m.draft.SetHure, m.draft.SetMin, m.draft.WeekFlag);
    if (what == QLatin1String("text")) // the text box, and whether ＯＫ is offered
        return lf(MEMO().Text1->text()) + (reachable(MEMO().Command1) ? QStringLiteral(" [ＯＫ]") : QString());
    if (what == QLatin1String("list")) {
        for (int i = 0; i < Edit().List1->count(); ++i)
            seen << Edit().List1->item(i)->text();
        return seen.join(QLatin1String(" | "));
    }
    if (what == QLatin1String("alarm")) { // text / year month day hour minute kind / colour
        if (!f.Display.shown())
            return QStringLiteral("none");
        DisplayForm &d = forms().Display();
        const QColor colour = d.background();
        if (!d.Label1->autoFillBackground() || d.Label1->palette().color(QPalette::Window) != colour)
            return QStringLiteral("the text's background is not the window's");
        for (const QLabel *label : {d.Label11, d.Label5, d.Label4, d.Label3, d.Label2, d.Label17})
            seen << (label->isVisibleTo(&d) ? label->text() : QStringLiteral("-"));
        return lf(d.Label1->text()) + QStringLiteral(" / ") + seen.join(u' ') + QStringLiteral(" / ")
            + (colour == DisplayForm::dueColour()         ? QStringLiteral("due")
                    : colour == DisplayForm::lateColour() ? QStringLiteral("late")
                                                          : colour.name());
    }
    if (what == QLatin1String("sound")) // what the due memos asked of the speakers so far
        return m_program->sound->calls.join(QLatin1String(", ")).remove(m_program->folder.path() + u'/')
            + QStringLiteral(", beeps %1").arg(m_program->beeper->beeps);
    if (what == QLatin1String("windows")) { // on screen, but the splash
        for (const QWidget *window : QApplication::topLevelWidgets())
            seen << (window->isVisible() && window->objectName() != QLatin1String("Title") ? window->objectName()
                                                                                           : QString());
        seen.removeAll(QString());
        seen.sort();
        return seen.join(u' ');
    }
    return QStringLiteral("nothing called ") + what;
}

namespace {

using Model = std::tuple<>; // the walk keeps its own expectations

// One user action: `choice` picks among the actions available at that moment.
struct UserStep : rc::state::Command<Model, Walk>
{
    int choice = *rc::gen::inRange(0, 1 << 16);
    int arg = *rc::gen::inRange(0, 1 << 16);

    void run(const Model &, Walk &walk) const override { walk.step(choice, arg); }
    void show(std::ostream &os) const override { os << "step(" << choice << ", " << arg << ")"; }
};

rc::Gen<Start> startGen()
{
    return rc::gen::exec([] {
        Start start;
        start.when = QDateTime(QDate(2026, 12, 25), QTime(14, *rc::gen::inRange(20, 40), *rc::gen::inRange(0, 60)));
        const int kind = *rc::gen::inRange(0, 20);
        if (kind == 0)
            return start; // no file: a first start
        // Up to a full table, and now and then one memo beyond the capacity.
        const int count = kind < 4 ? *rc::gen::inRange(19, 22) : *rc::gen::inRange(1, 6);
        const auto seeds = *rc::gen::container<std::vector<int>>(count, rc::gen::inRange(0, 1 << 20));
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << generatedMemo(seeds[static_cast<std::size_t>(i)], i);
        // A file keeps its memos in date order.
        std::stable_sort(lines.begin(), lines.end(), [](const QString &a, const QString &b) {
            const auto k = [](const QString &line) {
                const QStringList f = line.split(u',');
                return std::tuple(f[4].toInt(), f[3].toInt(), f[2].toInt(), f[1].toInt(), f[0].toInt());
            };
            return k(a) < k(b);
        });
        setMemos(start, lines);
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
    const bool passed = rc::check("no memo lost, whatever the user clicks", [] {
        const Start start = *startGen();
        Walk walk(start);
        // Walks of up to 40 steps (REKUDA31_WALK_STEPS) from the first run on, not once the size has grown.
        const int length = qEnvironmentVariableIntValue("REKUDA31_WALK_STEPS");
        const auto steps = *rc::gen::resize(length > 0 ? length : 40,
            rc::state::gen::commands(Model {}, rc::state::gen::execOneOfWithArgs<UserStep>()));
        rc::state::runAll(steps, Model {}, walk);
    });
    QVERIFY(passed);
}

// A fixed sequence: the walk's steps by name, separated by "; ", checked after
// every step as in a random walk, and "? part: what the user sees" checks.
void TestRandomActions::sequences_data()
{
    QTest::addColumn<QStringList>("memos");
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("steps");
    const auto row = [](const QString &name, const QStringList &memos, const char *when, const QString &steps) {
        QTest::newRow(name.toUtf8()) << memos << QString::fromLatin1(when) << steps;
    };
    const QString oneOff = memoLine(0, 15, 25, 12, 2026, QStringLiteral("歯医者"));
    const QString morning = memoLine(0, 7, 0, 0, 0, QStringLiteral("朝"));
    const QString meeting = memoLine(30, 14, 25, 12, 2026, QStringLiteral("会議"), 1);
    const QString newMemo = QStringLiteral("tray: メモ設定; setting: メモ; text: type \"会議\"; text: ＯＫ; ");

    // The fields step within their ranges; a set stores what the window showed.
    row("分+ at minute 58 and 59", {}, "2026-05-10 10:58:30",
        "tray: メモ設定; setting: 分+; ? set: 2026/5/10 10:59 w0; setting: 分+; "
        "? setting: 2026/5/10 10:0 0 0 0 ・・・・・・・ メモ キャンセル");
    row("日+ twice from 28 February", {}, "2026-02-28 09:00:30",
        "tray: メモ設定; setting: 日+; ? set: 2026/2/29 9:0 w0; setting: 日+; ? set: 2026/2/1 9:0 w0");
    row("年- at the present year, 年+ at the largest", {}, "32766-03-01 09:00:30",
        "tray: メモ設定; setting: 年-; ? set: 32766/3/1 9:0 w0; setting: 年+; setting: 年+; ? set: 32767/3/1 9:0 w0");
    // A new memo goes after those of its minute, a repeating one before every one-off.
    row("one-off with sound in the next minute, set at second 59", {meeting}, "2026-12-25 14:29:59",
        newMemo
            + "setting: 音を鳴らす; setting: 分+; setting: 設定; ? windows: ; ? file: "
              "2|30,14,25,12,2026,\"会議\",1,0|30,14,25,12,2026,\"[1]会議\",1,0|");
    row("0:00 of the next year", {}, "2026-12-31 23:59:50",
        newMemo
            + "setting: 年+; setting: 月+; setting: 日+; setting: 時+; setting: 分+; setting: 設定; "
              "? file: 1|0,0,1,1,2027,\"[1]会議\",0,0|");
    row("every month on the 26th", {}, "2026-12-25 14:29:58",
        newMemo
            + "setting: 毎月; setting: 日+; ? setting: -/-/26 14:29 0 1 0 ・・・・・・・ 設定 メモ キャンセル; "
              "setting: 設定; "
              "? file: 1|29,14,26,0,0,\"[1]会議\",0,0|");
    row("every day at an hour already past, two lines", {meeting}, "2026-12-25 14:29:58",
        "tray: メモ設定; setting: 毎日; setting: 時-; setting: メモ; text: type \"改行⏎あり\"; text: ＯＫ; "
        "setting: 設定; ? file: 2|29,13,0,0,0,\"[1]改行|あり\",0,0|30,14,25,12,2026,\"会議\",1,0|");
    row("weekly on Monday and Wednesday", {}, "2026-12-25 14:29:58",
        newMemo
            + "setting: 水曜; setting: 月曜; setting: 音を鳴らす; ? setting: -/-/- 14:29 1 0x 0x ・月・水・・・ 設定 "
              "メモ キャンセル; "
              "setting: 設定; ? file: 1|29,14,0,0,0,\"[1]会議\",1,10|");
    // The present minute is past: the warning, and everything kept for a retry.
    const QString refused
        = QStringLiteral("setting: 設定; ? windows: keikoku1; ? file: as at start; past-time warning: OK; "
                         "? windows: form1; setting: メモ; ? text: [1]会議 [ＯＫ]");
    row("past: the present minute at second 59", {}, "2026-12-25 10:15:59", newMemo + refused);
    row("past: 23:59 of the day before", {}, "2026-12-25 00:00:05",
        newMemo + "setting: 日-; setting: 時-; setting: 分-; " + refused);
    // ＯＫ waits for a change; typed and erased is one, and an empty memo may be set.
    row("an empty memo", {}, "2026-12-25 14:29:10",
        "tray: メモ設定; setting: 分+; setting: メモ; text: erase all; ? text: ; text: type \"ｶﾅ\"; ? text: [1]ｶﾅ "
        "[ＯＫ]; "
        "text: erase all; ? text:  [ＯＫ]; text: ＯＫ; ? windows: form1; setting: 設定; ? file: "
        "1|30,14,25,12,2026,\"\",0,0|");

    // The list editor's lines, and each kind taken out arranged for it.
    row("list lines",
        {"0,0,0,0,0,\"\",0,127", "5,9,0,0,0,\"月\",0,2", "5,9,0,0,0,\"土\",0,64", "30,18,0,0,0,\"週末\",0,65",
            "0,10,25,0,0,\"家賃\",0,0", "45,13,15,1,2000,\"ABC\",0,0"},
        "2026-12-25 14:30:00",
        "tray: メモ編集; ? list: (日)(月)(火)(水)(木)(金)(土) 0時0分　 | (月)9時5分　月 | (土) 9時5分　土 | "
        "(日)(土) 18時30分　週末 | 毎月　25日10時0分　家賃 | 2000年1月15日13時45分　ABC");
    const QStringList kinds {"5,9,0,0,0,\"ゴミ\",1,10", "0,12,0,0,0,\"昼\",0,0", "30,18,25,0,0,\"家賃\",0,0",
        "45,13,15,1,2027,\"歯医者\",1,0"};
    // Boxes ticked for an earlier memo must not leak into the memo taken out.
    const char *earlier[] = {"", "setting: 日曜; setting: 土曜; ", "", "setting: 毎日; "};
    const char *arranged[] = {"-/-/- 9:5 1 1x 1x ・月・水・・・", "-/-/- 12:0 0 1x 1 ・・・・・・・",
        "-/-/25 18:30 0 1 0 ・・・・・・・", "2027/1/15 13:45 1 0 0 ・・・・・・・"};
    for (int line = 0; line < 4; ++line) {
        row(QString::fromUtf8(arranged[line]), kinds, "2026-12-25 14:29:10",
            QStringLiteral("tray: メモ設定; %1setting: キャンセル; tray: メモ編集; list: select line %2; list: 編集; "
                           "? setting: %3 設定 メモ; setting: title-bar close; ? windows: MEMO form1; setting: 設定; "
                           "? file: as at start")
                .arg(QString::fromUtf8(earlier[line]))
                .arg(line)
                .arg(QString::fromUtf8(arranged[line])));
    }
    // Unticking the last weekday brings back every date field.
    row("a weekday ticked and unticked", {}, "2026-12-25 14:29:10",
        "tray: メモ設定; setting: 月曜; ? setting: -/-/- 14:29 0 0x 0x ・月・・・・・ メモ キャンセル; setting: 月曜; "
        "? setting: 2026/12/25 14:29 0 0 0 ・・・・・・・ メモ キャンセル");
    row("the last memo deleted", {oneOff}, "2026-12-25 14:29:10",
        "tray: メモ編集; list: select line 0; list: 削除; ? file: ; ? list: ");

    // The alarm's row by kind, its colour a minute on, its dismissal, and the list editor kept closed meanwhile.
    const char *alarms[][2]
        = {{"5,9,30,12,2026,\"x\",0,0", "2026 12 30 9 5 -"}, {"5,9,0,0,0,\"x\",0,8", "- - - 9 5 (水)"},
            {"5,9,0,0,0,\"x\",0,0", "- - - 9 5 毎日"}, {"5,9,30,0,0,\"x\",0,0", "- - 30 9 5 毎月"}};
    for (const auto &[memo, shown] : alarms) {
        row(QString::fromUtf8(shown), {QString::fromUtf8(memo)}, "2026-12-30 09:05:00",
            QStringLiteral("? alarm: x / %1 / due; alarm: a minute on screen; ? alarm: x / %1 / late; tray: メモ編集; "
                           "? windows: Display; alarm: double-click the memo; ? alarm: none")
                .arg(QString::fromUtf8(shown)));
    }
    row("the only one-off dismissed", {oneOff}, "2026-12-25 15:00:00",
        "alarm: double-click the memo; ? file: <missing>");
    // A repeating memo dismissed in the first seconds of its minute comes back until its third second.
    row("every morning", {morning}, "2026-12-24 06:59:59",
        QStringLiteral("clock +1 s; ? alarm: 朝 / - - - 7 0 毎日 / due; alarm: double-click the memo; ").repeated(3)
            + "clock +1 s; ? alarm: none");
    // Held off while a window is open or another memo is up: late, once it ends.
    for (const char *open : {"tray: メモ設定; clock +70 s; ? alarm: none; ? sound: , beeps 0; setting: キャンセル",
             "tray: メモ編集; clock +70 s; ? alarm: none; list: 編集終了"}) {
        row(QString::fromUtf8(open).left(9), {meeting}, "2026-12-25 14:29:58",
            QString::fromUtf8(open)
                + "; clock +1 s; ? alarm: 会議 / 2026 12 25 14 30 - / late; ? sound: close, play rekuda31.wav, beeps "
                  "1");
    }
    row("two due together", {memoLine(29, 14, 25, 12, 2026, QStringLiteral("前")), meeting}, "2026-12-25 14:30:00",
        "? alarm: 前 / 2026 12 25 14 29 - / due; clock +65 s; ? alarm: 前 / 2026 12 25 14 29 - / due; "
        "alarm: double-click the memo; clock +1 s; ? alarm: 会議 / 2026 12 25 14 30 - / late");

    // Faults walks rarely reach. An edit put back while its past-time warning
    // is open leaves nothing from which the memo can be set a second time.
    const QString editToThePast
        = QStringLiteral("tray: メモ編集; list: select line 0; list: 編集; setting: 日-; "
                         "setting: 設定; tray: メモ編集; list: 編集終了; past-time warning: OK");
    row("put-back, then the warning's OK and メモ", {oneOff}, "2026-12-25 14:30:00",
        editToThePast + "; ? setting: 2026/12/24 15:0 0 0 0 ・・・・・・・ メモ キャンセル; setting: メモ");
    // A set that cannot be stored says so and loses nothing.
    QStringList full;
    for (int i = 0; i < 21; ++i)
        full << memoLine(i, 16, 25, 12, 2026, QStringLiteral("m%1").arg(i));
    row("set with a full table", full, "2026-12-25 14:30:00",
        editToThePast + "; setting: メモ; text: type \"会議\"; text: ＯＫ; setting: 年+; setting: 設定");
}

void TestRandomActions::sequences()
{
    QFETCH(QStringList, memos);
    QFETCH(QString, when);
    QFETCH(QString, steps);
    Start start;
    if (!memos.isEmpty())
        setMemos(start, memos);
    const QStringList at = when.split(QRegularExpression(QStringLiteral("[- :]"))); // years beyond 9999 too
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
                qPrintable(QStringLiteral("after steps %1\n%2: \"%3\", expected \"%4\"")
                               .arg(walk.log.join(QLatin1String(", ")), part, walk.observe(part), expected)));
        }
    } catch (const rc::detail::CaseResult &result) {
        QFAIL(result.description.c_str());
    }
}

// A whole year on the fake clock, the first five seconds of every minute, with memos of every kind.
void TestRandomActions::simulatedYear()
{
    TestProgram program;
    const QDate first(2027, 1, 1);
    program.writeDataFile(dataFileOf({"0,7,0,0,0,\"daily\",0,0", "15,8,0,0,0,\"mon-fri\",0,34",
        "30,18,0,0,0,\"weekend\",0,65", "0,10,31,0,0,\"31st\",0,0", "59,23,15,0,0,\"15th\",0,0",
        "0,9,31,12,2026,\"last year\",0,0", "0,9,14,3,2027,\"once\",0,0"}));
    program.clock->set(QDateTime(first, QTime(0, 0)));
    QVERIFY(program.start());
    const auto firing = [](const QDateTime &at, const QString &text) {
        return at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + text;
    };
    QStringList fired;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        for (int minute = 0; minute < 24 * 60; ++minute) {
            const QDateTime start(day, QTime(minute / 60, minute % 60));
            // The alarm stays up through its minute, holding the check off;
            // the user dismisses it once the minute's chances are over.
            QString seen;
            for (int second = 0; second < 5; ++second) {
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

    QStringList expected;
    for (QDate day = first; day.year() == 2027; day = day.addDays(1)) {
        const int weekday = day.dayOfWeek();
        expected << firing(QDateTime(day, QTime(7, 0)), QStringLiteral("daily"));
        if (weekday == Qt::Monday || weekday == Qt::Friday)
            expected << firing(QDateTime(day, QTime(8, 15)), QStringLiteral("mon-fri"));
        if (day == QDate(2027, 3, 14))
            expected << firing(QDateTime(day, QTime(9, 0)), QStringLiteral("once"));
        if (day.day() == 31)
            expected << firing(QDateTime(day, QTime(10, 0)), QStringLiteral("31st"));
        if (weekday == Qt::Saturday || weekday == Qt::Sunday)
            expected << firing(QDateTime(day, QTime(18, 30)), QStringLiteral("weekend"));
        if (day.day() == 15)
            expected << firing(QDateTime(day, QTime(23, 59)), QStringLiteral("15th"));
    }
    QCOMPARE(fired, expected);
    // The one-off memo went with its dismissal; last year's stays, unfired.
    QCOMPARE(memoBook().count(), 6);
}

QTEST_MAIN(TestRandomActions)
#include "tst_random_actions.moc"
