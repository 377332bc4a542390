#pragma once

#include "store/data_file.h"
#include "store/memo.h"

#include <QDateTime>
#include <QObject>

#include <optional>

// The memo book: the memo table and everything the program keeps about it,
// with the operations the windows change it by. Each operation writes the
// data file itself, so the file always mirrors the table, and announces the
// change, so that whatever shows the memos can follow.
//
// Where form1's variables went: DataMaxNumber is count(), SetFlg armed(),
// DispNo shownSlot(), FileName fileName() and SundFile soundFile().
class Clock;

class MemoBook : public QObject
{
    Q_OBJECT
public:
    MemoBook(Files &files, const Codec &codec, Messages &messages, const Clock &clock);

    // What the due check keeps of a memo's occasions, in memory only: a
    // memo falls due at its occasions from the minute it came into the table
    // (the start, for the memos read then; its 設定) on, and each occasion
    // once: dismissing it marks it and every earlier one presented. Times are
    // the wall clock's, as UTC, so that an hour a daylight-saving change
    // repeats does not bring an occasion back.
    struct Occasions
    {
        QDateTime from;
        QDateTime presentedUpTo;
    };
    const Occasions &occasions(int slot) const { return m_occasions.at(slot); }

    // The data file and the wave file live in folder; a wave file beside the
    // program plays when folder has none.
    void setFolder(const QString &folder, const QString &programFolder = {});
    const QString &fileName() const { return m_fileName; }
    QString soundFile() const;
    // A data file of the program's folder comes into a data folder just made.
    void adoptLeftBehind(const QString &programFolder, bool folderClosed);

    // Start-up: reads the data file, given two seconds when it reads as
    // damaged; the due check is armed when memos came.
    data_file::LoadResult load();

    const MemoTable &memos() const { return m_memos; }
    int count() const { return int(m_memos.size()); }
    const Memo &at(int slot) const { return m_memos.at(slot); }

    // Another program (an editor, a sync tool, a script) may change the data
    // file while this one runs; the table follows it. On the tick a file that
    // vanished or reads as damaged is given two seconds to come right, in case
    // the other program is still writing it; then the table follows the
    // vanished file, and a damaged one is moved aside and the table written.
    // Every operation below follows the file first, waiting for it as long,
    // so that no change is written over without having been read. A memo read
    // again equal in all eight fields to one in the table is that memo: its
    // occasions, its alarm and its place in the list stay with it.
    void followFileOnTick();
    void followFileNow() { follow(true); }
    // Stays with its memo through every change, for as long as it is in the table.
    quint64 idAt(int slot) const { return m_ids.at(slot); }
    int slotOfId(quint64 id) const { return int(m_ids.indexOf(id)); }

    // The due check runs only while armed.
    bool armed() const { return m_armed; }
    void arm() { m_armed = true; }

    // The memo the alarm window was presented for: its slot follows it as
    // memos come and go (-1 once it is gone), so the window shows, and its
    // dismissal removes, that memo and no other.
    int shownSlot() const { return m_shown; }
    const Memo &shownMemo() const { return m_shownMemo; }
    void setShownSlot(int slot);

    // "設定" (FileWrite): the memo joins the table in date order, after those
    // of its minute, replacing a memo that was out for editing; the due check
    // is armed and the file rewritten. false, changing nothing, when all 21
    // slots are in use.
    bool set(const Memo &memo);
    // Whether a memo may be set now: 20 memos at most, one more while a memo
    // is out for editing (it is then replaced), never past the 21 slots.
    bool roomToSet() const;

    // The list editor's "削除": the file is rewritten, left empty when no memo remains.
    void remove(int slot);
    // The alarm's dismissal of the memo's occasion: a one-off memo leaves the
    // table and the file is rewritten, or deleted with the last memo, which
    // also disarms the check; a repeating memo stays, its occasion presented.
    void dismiss(int slot, const QDateTime &occasion);

    // The list editor's "編集": the memo leaves the table and the file until
    // it is set again, or put back. Nothing, when the memo is no longer there.
    std::optional<Memo> takeForEdit(int slot);
    const std::optional<Memo> &memoOutForEditing() const { return m_outForEditing; }
    // Puts the memo out for editing back where it was taken from, as far as
    // date order allows; false when none is out or no slot is free.
    bool putBack();
    // The desktop session asks for its data: the file gets the memo out for
    // editing as well, so that it survives a session that ends without a
    // word, while the edit goes on.
    void saveForSession();

    // While held, a failed write is not told: the caller tells it once.
    void holdMessages(bool held) { m_store.holdMessages(held); }
    const QString &lastError() const { return m_store.lastError(); }
    // The last write or deletion failed: the file is behind the table.
    bool unsaved() const { return m_store.unsaved(); }
    // Writes and deletions that succeeded so far.
    int saves() const { return m_store.saves(); }
    // Before the program ends: a memo out for editing goes back, and the
    // table is written again if its last save failed.
    void settleBeforeEnd();

    // A memo from a script (`rekuda31 add`, the session bus): placed as set()
    // places it, but a memo out for editing stays out, and counts against the
    // 20 as in the windows. Returns the new memo's slot, or nothing, changing
    // nothing, when there is no room.
    std::optional<int> addFromScript(const Memo &memo);
    bool roomToAddFromScript() const;
    // A script's removal.
    void removeFromScript(int slot);

signals:
    void changed();

private:
    // Where the memo out for editing goes back.
    int placeOfMemoOutForEditing() const;
    // Adds the memo in date order and writes the file; its slot.
    int add(const Memo &memo);
    // Every insertion and removal goes here: the alarm's slot and the
    // occasions follow the memos.
    void insertAt(int slot, const Memo &memo, const Occasions &occasions, quint64 id);
    void removeAt(int slot);
    // The present minute, from which a memo coming into the table falls due.
    QDateTime thisMinute() const;
    // Takes in what another program wrote; for each slot before, its slot now
    // (-1 for a memo gone).
    QList<int> follow(bool beforeWrite);
    // The slot a memo the caller named by its slot has now, after following
    // the file; -1 when there is none.
    int followToWrite(int slot);
    void takeIn(const MemoTable &memos, QList<int> &slotNow);
    // A change the disk refused is not lost to another program's write.
    MemoTable withUnsavedChanges(MemoTable theirs) const;
    // Writes the table; with deleteWhenEmpty no memo means no file, else an empty one.
    void save(bool deleteWhenEmpty = false);

    data_file::Store m_store;
    QString m_fileName;
    QString m_soundFile;
    QString m_programSoundFile;
    MemoTable m_memos;
    bool m_armed = false;
    int m_shown = -1;
    Memo m_shownMemo;
    QList<Occasions> m_occasions; // slot by slot, beside the table
    std::optional<Memo> m_outForEditing;
    Occasions m_outForEditingOccasions;
    quint64 m_outForEditingId = 0;
    int m_takenFrom = 0;
    // The session's save put the memo out for editing into the file as well.
    bool m_fileHoldsMemoOut = false;
    QList<quint64> m_ids; // slot by slot, beside the table
    quint64 m_lastId = 0;
    int m_unsettledTicks = 0; // ticks that found the file vanished or damaged
    const Clock &m_clock;
};
