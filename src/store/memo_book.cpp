#include "store/memo_book.h"

#include "platform/clock.h"
#include "platform/codec.h"

#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace {

// A new memo's slot: it moves from the end towards the front past every memo
// that sorts after it, so it comes after those of its own minute. (A file
// edited by hand may hold memos out of order; they keep their slots.)
int placeForNew(const MemoTable &table, const Memo &memo)
{
    int at = int(table.size());
    while (at > 0 && memo.dateKey() < table.at(at - 1).dateKey())
        --at;
    return at;
}

} // namespace

MemoBook::MemoBook(Files &files, const Codec &codec, Messages &messages, const Clock &clock)
    : m_store(files, codec, messages)
    , m_clock(clock)
{ }

QDateTime MemoBook::thisMinute() const
{
    const QDateTime now = m_clock.now();
    return QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()), Qt::UTC);
}

void MemoBook::setFolder(const QString &folder, const QString &programFolder)
{
    m_fileName = folder + QLatin1String("/rekuda31.dat");
    m_soundFile = folder + QLatin1String("/rekuda31.wav");
    m_programSoundFile = programFolder.isEmpty() ? m_soundFile : programFolder + QLatin1String("/rekuda31.wav");
}

QString MemoBook::soundFile() const
{
    return QFileInfo::exists(m_soundFile) ? m_soundFile : m_programSoundFile;
}

void MemoBook::adoptLeftBehind(const QString &programFolder, bool folderClosed)
{
    m_store.adopt(programFolder + QLatin1String("/rekuda31.dat"), m_fileName, folderClosed);
}

data_file::LoadResult MemoBook::load()
{
    const data_file::LoadResult result = m_store.load(m_fileName, m_memos, [this] { m_clock.pause(100); });
    m_armed = result == data_file::LoadResult::Loaded;
    m_occasions = QList<Occasions>(m_memos.size(), Occasions {thisMinute(), {}});
    m_ids.clear();
    for (qsizetype i = 0; i < m_memos.size(); ++i)
        m_ids.append(++m_lastId);
    emit changed();
    return result;
}

void MemoBook::followFileOnTick()
{
    follow(false);
}

QList<int> MemoBook::follow(bool beforeWrite)
{
    using Outside = data_file::Store::Outside;
    QList<int> slotNow(count());
    std::iota(slotNow.begin(), slotNow.end(), 0);
    // Without the code page every file would read as damaged.
    if (!m_store.codec().available())
        return slotNow;
    MemoTable memos;
    Outside seen = m_store.look(m_fileName, memos);
    const auto unsettled = [&seen] { return seen == Outside::Vanished || seen == Outside::Damaged; };
    if (unsettled() && beforeWrite) {
        for (int tries = 0; tries < 20 && unsettled(); ++tries) {
            m_clock.pause(100);
            seen = m_store.look(m_fileName, memos);
        }
    } else if (unsettled()) {
        // Two seconds of ticks, whatever the wall clock does meanwhile.
        if (++m_unsettledTicks <= 2)
            return slotNow;
    }
    m_unsettledTicks = 0;
    if (seen == Outside::Unchanged)
        return slotNow;
    if (seen == Outside::Damaged) {
        m_store.setAside(m_fileName);
        if (!m_memos.isEmpty())
            save();
        return slotNow;
    }
    // The file still holds the memo out for editing, as the session's save
    // left it: it is out, not a new memo.
    if (m_fileHoldsMemoOut && m_outForEditing)
        memos.removeOne(*m_outForEditing);
    const bool unsaved = m_store.unsaved();
    if (unsaved)
        memos = withUnsavedChanges(memos);
    m_store.accept();
    takeIn(memos, slotNow);
    if (unsaved)
        save();
    return slotNow;
}

MemoTable MemoBook::withUnsavedChanges(MemoTable theirs) const
{
    // What the table added and dropped since the file was last read or
    // written goes on top of what the other program wrote.
    MemoTable before = m_store.seenMemos();
    if (m_fileHoldsMemoOut && m_outForEditing)
        before.removeOne(*m_outForEditing);
    MemoTable added;
    for (const Memo &memo : m_memos) {
        if (!before.removeOne(memo))
            added.append(memo);
    }
    for (const Memo &dropped : before)
        theirs.removeOne(dropped);
    for (const Memo &memo : added)
        theirs.insert(placeForNew(theirs, memo), memo);
    return theirs;
}

void MemoBook::takeIn(const MemoTable &memos, QList<int> &slotNow)
{
    QList<Occasions> occasions;
    QList<quint64> ids;
    std::fill(slotNow.begin(), slotNow.end(), -1);
    for (qsizetype i = 0; i < memos.size(); ++i) {
        qsizetype same = 0;
        while (same < m_memos.size() && (slotNow[same] >= 0 || !(m_memos[same] == memos[i])))
            ++same;
        if (same < m_memos.size()) {
            slotNow[same] = int(i);
            occasions.append(m_occasions[same]);
            ids.append(m_ids[same]);
        } else {
            occasions.append(Occasions {thisMinute(), {}});
            ids.append(++m_lastId);
        }
    }
    m_shown = m_shown >= 0 ? slotNow[m_shown] : -1;
    m_memos = memos;
    m_occasions = occasions;
    m_ids = ids;
    if (!m_memos.isEmpty())
        m_armed = true;
    emit changed();
}

int MemoBook::followToWrite(int slot)
{
    if (slot < 0 || slot >= count())
        return -1;
    return follow(true).at(slot);
}

void MemoBook::save(bool deleteWhenEmpty)
{
    const bool done
        = m_memos.isEmpty() && deleteWhenEmpty ? m_store.remove(m_fileName) : m_store.writeOrEmpty(m_fileName, m_memos);
    if (done)
        m_fileHoldsMemoOut = false;
}

void MemoBook::setShownSlot(int slot)
{
    m_shown = slot >= 0 && slot < count() ? slot : -1;
    m_shownMemo = m_shown >= 0 ? at(slot) : Memo();
}

void MemoBook::insertAt(int slot, const Memo &memo, const Occasions &occasions, quint64 id)
{
    m_memos.insert(slot, memo);
    m_occasions.insert(slot, occasions);
    m_ids.insert(slot, id);
    if (m_shown >= slot)
        ++m_shown;
}

void MemoBook::removeAt(int slot)
{
    m_memos.removeAt(slot);
    m_occasions.removeAt(slot);
    m_ids.removeAt(slot);
    m_shown = m_shown == slot ? -1 : m_shown > slot ? m_shown - 1 : m_shown;
}

bool MemoBook::roomToSet() const
{
    return (m_outForEditing || count() < DataMax) && count() < kSlots;
}

int MemoBook::add(const Memo &memo)
{
    Memo stored = memo;
    stored.text = data_file::storableText(memo.text, m_store.codec());
    const int slot = placeForNew(m_memos, stored);
    insertAt(slot, stored, Occasions {thisMinute(), {}}, ++m_lastId);
    save();
    return slot;
}

bool MemoBook::set(const Memo &memo)
{
    follow(true);
    m_armed = true;
    if (count() >= kSlots)
        return false;
    m_outForEditing.reset();
    add(memo);
    emit changed();
    return true;
}

void MemoBook::remove(int slot)
{
    slot = followToWrite(slot);
    if (slot < 0)
        return;
    removeAt(slot);
    save();
    emit changed();
}

void MemoBook::dismiss(int slot, const QDateTime &occasion)
{
    slot = followToWrite(slot);
    if (slot < 0)
        return;
    if (kindOf(at(slot)) != MemoKind::OneOff) {
        m_occasions[slot].presentedUpTo = std::max(m_occasions[slot].presentedUpTo, occasion);
        return;
    }
    removeAt(slot);
    if (m_memos.isEmpty())
        m_armed = false;
    save(true);
    emit changed();
}

std::optional<Memo> MemoBook::takeForEdit(int slot)
{
    slot = followToWrite(slot);
    if (slot < 0)
        return std::nullopt;
    m_outForEditing = m_memos.at(slot);
    m_outForEditingOccasions = m_occasions.at(slot);
    m_outForEditingId = m_ids.at(slot);
    removeAt(slot);
    m_takenFrom = slot;
    save();
    emit changed();
    return m_outForEditing;
}

int MemoBook::placeOfMemoOutForEditing() const
{
    const MemoTable &table = m_memos;
    // Memos that came or went since it was taken may have put its old place
    // out of date order: it goes after every memo that sorts before it and
    // before every memo that sorts after it.
    const auto key = m_outForEditing->dateKey();
    const auto first = std::count_if(table.begin(), table.end(), [&](const Memo &m) { return m.dateKey() < key; });
    const auto last = std::count_if(table.begin(), table.end(), [&](const Memo &m) { return m.dateKey() <= key; });
    return int(std::clamp(qsizetype(m_takenFrom), first, last));
}

bool MemoBook::putBack()
{
    if (!m_outForEditing)
        return false;
    follow(true);
    // While a memo is out for editing the table holds at most 20 memos, so
    // there is always room; without it the memo stays out rather than vanish.
    if (count() >= kSlots)
        return false;
    insertAt(placeOfMemoOutForEditing(), *m_outForEditing, m_outForEditingOccasions, m_outForEditingId);
    m_outForEditing.reset();
    m_armed = true;
    save();
    emit changed();
    return true;
}

void MemoBook::saveForSession()
{
    if (!m_outForEditing)
        return;
    follow(true);
    if (count() < kSlots) {
        MemoTable table = m_memos;
        table.insert(placeOfMemoOutForEditing(), *m_outForEditing);
        if (m_store.write(m_fileName, table))
            m_fileHoldsMemoOut = true;
    }
}

void MemoBook::settleBeforeEnd()
{
    follow(true);
    putBack();
    if (m_store.unsaved())
        save();
}

bool MemoBook::roomToAddFromScript() const
{
    return count() + (m_outForEditing ? 1 : 0) < DataMax;
}

std::optional<int> MemoBook::addFromScript(const Memo &memo)
{
    follow(true);
    if (!roomToAddFromScript())
        return std::nullopt;
    m_armed = true;
    const int slot = add(memo);
    // A memo out for editing stays out; its old place moves along with the memos.
    if (slot <= m_takenFrom)
        ++m_takenFrom;
    emit changed();
    return slot;
}

void MemoBook::removeFromScript(int slot)
{
    slot = followToWrite(slot);
    if (slot < 0)
        return;
    if (slot < m_takenFrom)
        --m_takenFrom;
    removeAt(slot);
    save();
    emit changed();
}
