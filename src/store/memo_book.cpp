#include "store/memo_book.h"

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

MemoBook::MemoBook(Files &files, const Codec &codec, Messages &messages)
    : m_store(files, codec, messages)
{ }

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
    emit changed();
    return result;
}

void MemoBook::setShownSlot(int slot)
{
    m_shown = slot >= 0 && slot < count() ? slot : -1;
    m_shownMemo = m_shown >= 0 ? at(slot) : Memo();
}

void MemoBook::insertAt(int slot, const Memo &memo)
{
    m_memos.insert(slot, memo);
    if (m_shown >= slot)
        ++m_shown;
}

void MemoBook::removeAt(int slot)
{
    m_memos.removeAt(slot);
    m_shown = m_shown == slot ? -1 : m_shown > slot ? m_shown - 1 : m_shown;
}

bool MemoBook::roomToSet() const
{
    return (m_outForEditing || count() < DataMax) && count() < kSlots;
}

bool MemoBook::set(const Memo &memo)
{
    m_armed = true;
    if (count() >= kSlots)
        return false;
    Memo stored = memo;
    stored.text = data_file::storableText(memo.text, m_store.codec());
    insertAt(placeForNew(m_memos, stored), stored);
    m_outForEditing.reset();
    m_store.write(m_fileName, m_memos);
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

void MemoBook::dismiss(int slot)
{
    if (slot < 0 || slot >= count() || kindOf(at(slot)) != MemoKind::OneOff)
        return;
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
    insertAt(placeOfMemoOutForEditing(), *m_outForEditing);
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
