#pragma once

#include "store/memo.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class Codec;
class Files;
class Messages;

// The data file rekuda31.dat: a count line, then one line per memo,
//   min,hour,day,month,year,"text",sound,week
// in code page 932 with CR LF line ends.
namespace data_file {

enum class LoadResult {
    Loaded, // at least one memo
    Empty, // count 0, or a zero-byte file
    Missing, // no file: a first start
    Damaged, // unreadable; the file has been moved aside
};

// The text as the table stores it: every '"' becomes a full-width quotation
// mark, line breaks become CR LF, and characters code page 932 cannot hold are
// mapped or replaced, so that the file always says what the table holds.
QString storableText(const QString &text, const Codec &codec);

// The file's bytes for the table, count line first.
QByteArray serialize(const MemoTable &table, const Codec &codec);

// The memos the bytes hold, or nothing when they are not a data file.
std::optional<MemoTable> parse(const QByteArray &bytes, const Codec &codec);

class Store
{
public:
    Store(Files &files, const Codec &codec, Messages &messages);

    // Reads path into the table, which is left empty unless memos were read.
    // A damaged file is read again after each pause, up to 20 times, as
    // another program may still be writing it; then it is moved aside before
    // anything can overwrite it.
    LoadResult load(const QString &path, MemoTable &table, const std::function<void()> &pause = {});

    // On the start that made the data folder: a data file left in the
    // program's folder is copied to path, once, and never changed; one that
    // others may have put there (the folder is not closed to them) is not.
    // Either way the user is told.
    void adopt(const QString &from, const QString &path, bool folderClosed);

    // What another program did to the file since this store last read or
    // wrote it. Changed fills table with what the file now holds; Vanished
    // (the file gone, or emptied) and Damaged may be a file another program
    // is still writing. Nothing is taken as seen until accept().
    enum class Outside { Unchanged, Changed, Vanished, Damaged };
    Outside look(const QString &path, MemoTable &table);
    // The memos of the file as last read or written.
    MemoTable seenMemos() const;
    // What look() found is what the file holds now.
    void accept() { m_seen = m_looked, m_seenUnreadable = false; }
    // A file found damaged while the program runs is moved aside and the
    // user told; the memos in the program are not touched.
    void setAside(const QString &path);

    // Rewrites the whole file: count line and every memo.
    bool write(const QString &path, const MemoTable &table);
    // As write(), but an empty table leaves a zero-byte file.
    bool writeOrEmpty(const QString &path, const MemoTable &table);
    // Deletes the file; a file that is already gone is fine.
    bool remove(const QString &path);
    const Codec &codec() const { return m_codec; }
    // While held, failures are recorded but not told.
    void holdMessages(bool held) { m_held = held; }
    // Why the last write or deletion failed.
    const QString &lastError() const { return m_lastError; }
    // The last write or deletion failed: the file is behind the table.
    bool unsaved() const { return m_unsaved; }
    // Writes and deletions that succeeded so far.
    int saves() const { return m_saves; }

private:
    // Nothing for bytes that are not a data file; no memos for an empty file.
    std::optional<MemoTable> memosOf(const std::optional<QByteArray> &bytes) const;
    // Moves a damaged file aside and tells the user so, and what happens then.
    void moveAsideAndTell(const QString &path, const std::optional<QByteArray> &bytes, const QString &then);
    bool replace(const QString &path, const QByteArray &bytes);
    // Records how a write or deletion went; a failure is told, with its reason.
    bool settle(bool done, const QString &failure, const QString &path, const QString &error);

    Files &m_files;
    const Codec &m_codec;
    Messages &m_messages;
    // The file's bytes as last read or written; nothing when there is no file.
    std::optional<QByteArray> m_seen, m_looked;
    // The file is there but cannot be read, and was left where it is.
    bool m_seenUnreadable = false;
    bool m_unsaved = false;
    bool m_held = false;
    QString m_lastError;
    int m_saves = 0;
};

} // namespace data_file
