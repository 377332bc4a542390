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

    // Start-up: reads the data file; the due check is armed when memos came.
    data_file::LoadResult load();

    const MemoTable &memos() const { return m_memos; }
    int count() const { return int(m_memos.size()); }
    const Memo &at(int slot) const { return m_memos.at(slot); }

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
    // it is set again, or put back.
    Memo takeForEdit(int slot);
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
    void insertAt(int slot, const Memo &memo, const Occasions &occasions);
    void removeAt(int slot);
    // The present minute, from which a memo coming into the table falls due.
    QDateTime thisMinute() const;

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
    int m_takenFrom = 0;
    const Clock &m_clock;
};
