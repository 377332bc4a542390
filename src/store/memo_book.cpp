#include "store/memo_book.h"

#include "platform/clock.h"
#include "platform/codec.h"

#include <QFileInfo>

#include <algorithm>

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
    const data_file::LoadResult result = m_store.load(m_fileName, m_memos);
    m_armed = result == data_file::LoadResult::Loaded;
    m_occasions = QList<Occasions>(m_memos.size(), Occasions {thisMinute(), {}});
    emit changed();
    return result;
}

void MemoBook::setShownSlot(int slot)
{
    m_shown = slot >= 0 && slot < count() ? slot : -1;
    m_shownMemo = m_shown >= 0 ? at(slot) : Memo();
}

void MemoBook::insertAt(int slot, const Memo &memo, const Occasions &occasions)
{
    m_memos.insert(slot, memo);
    m_occasions.insert(slot, occasions);
    if (m_shown >= slot)
        ++m_shown;
}

void MemoBook::removeAt(int slot)
{
    m_memos.removeAt(slot);
    m_occasions.removeAt(slot);
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
    insertAt(slot, stored, Occasions {thisMinute(), {}});
    m_store.write(m_fileName, m_memos);
    return slot;
}

bool MemoBook::set(const Memo &memo)
{
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
    if (slot < 0 || slot >= count())
        return;
    removeAt(slot);
    m_store.writeOrEmpty(m_fileName, m_memos);
    emit changed();
}

void MemoBook::dismiss(int slot, const QDateTime &occasion)
{
    if (slot < 0 || slot >= count())
        return;
    if (kindOf(at(slot)) != MemoKind::OneOff) {
        m_occasions[slot].presentedUpTo = std::max(m_occasions[slot].presentedUpTo, occasion);
        return;
    }
    removeAt(slot);
    if (!m_memos.isEmpty()) {
        m_store.write(m_fileName, m_memos);
    } else {
        m_armed = false;
        m_store.remove(m_fileName);
    }
    emit changed();
}

Memo MemoBook::takeForEdit(int slot)
{
    m_outForEditing = m_memos.at(slot);
    m_outForEditingOccasions = m_occasions.at(slot);
    removeAt(slot);
    m_takenFrom = slot;
    m_store.writeOrEmpty(m_fileName, m_memos);
    emit changed();
    return *m_outForEditing;
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
    // While a memo is out for editing the table holds at most 20 memos, so
    // there is always room; without it the memo stays out rather than vanish.
    if (!m_outForEditing || count() >= kSlots)
        return false;
    insertAt(placeOfMemoOutForEditing(), *m_outForEditing, m_outForEditingOccasions);
    m_outForEditing.reset();
    m_armed = true;
    m_store.write(m_fileName, m_memos);
    emit changed();
    return true;
}

void MemoBook::saveForSession()
{
    if (m_outForEditing && count() < kSlots) {
        MemoTable table = m_memos;
        table.insert(placeOfMemoOutForEditing(), *m_outForEditing);
        m_store.write(m_fileName, table);
    }
}

void MemoBook::settleBeforeEnd()
{
    putBack();
    if (m_store.unsaved())
        m_store.writeOrEmpty(m_fileName, m_memos);
}

bool MemoBook::roomToAddFromScript() const
{
    return count() + (m_outForEditing ? 1 : 0) < DataMax;
}

std::optional<int> MemoBook::addFromScript(const Memo &memo)
{
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
    if (slot < 0 || slot >= count())
        return;
    if (slot < m_takenFrom)
        --m_takenFrom;
    remove(slot);
}
