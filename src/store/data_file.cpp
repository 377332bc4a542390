#include "store/data_file.h"

#include "platform/codec.h"
#include "platform/files.h"
#include "platform/services.h"

#include <QCoreApplication>

#include <functional>
#include <limits>
#include <optional>

namespace data_file {

QString storableText(const QString &text, const Codec &codec)
{
    QString result = text;
    result.replace(QLatin1Char('"'), QChar(0xFF02));
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    result.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return codec.encodable(result);
}

QByteArray serialize(const MemoTable &table, const Codec &codec)
{
    QString out = QString::number(table.size()) + QLatin1String("\r\n");
    for (const Memo &m : table) {
        const auto num = [](qint16 v) { return QString::number(v); };
        // Plain concatenation: a memo text may itself contain "%1".
        out += num(m.min) + u',' + num(m.hour) + u',' + num(m.days) + u',' + num(m.month) + u',' + num(m.year)
            + QLatin1String(",\"") + m.text + QLatin1String("\",") + num(m.sound) + u',' + num(m.week)
            + QLatin1String("\r\n");
    }
    return codec.encode(out);
}

namespace {

// Reads items as a sequential-input statement does: items are separated by
// commas or line ends, blanks around an item are skipped, and a quoted item
// runs to the next double quote, across line ends.
class ItemReader
{
public:
    explicit ItemReader(const QString &text)
        : m_text(text)
    { }

    std::optional<QString> next()
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            return std::nullopt;
        QString item;
        if (m_text.at(m_pos) == QLatin1Char('"')) {
            const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos + 1);
            if (close < 0)
                return std::nullopt;
            item = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            skipBlanks();
            // Anything between the closing quote and the separator is dropped.
            while (m_pos < m_text.size() && !isSeparator(m_text.at(m_pos)))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && !isSeparator(m_text.at(m_pos)))
                ++m_pos;
            item = m_text.mid(start, m_pos - start).trimmed();
        }
        consumeSeparator();
        return item;
    }

    std::optional<qint16> number()
    {
        const std::optional<QString> item = next();
        if (!item)
            return std::nullopt;
        bool ok = false;
        const int value = item->toInt(&ok);
        if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
            return std::nullopt;
        return static_cast<qint16>(value);
    }

    // Whether nothing but blanks and line ends is left: anything else is a
    // record the count line does not name.
    bool atEnd() const
    {
        for (qsizetype at = m_pos; at < m_text.size(); ++at) {
            const QChar c = m_text.at(at);
            if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
                return false;
        }
        return true;
    }

private:
    static bool isSeparator(QChar c)
    {
        return c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && (m_text.at(m_pos) == QLatin1Char(' ') || m_text.at(m_pos) == QLatin1Char('\t')))
            ++m_pos;
    }

    void consumeSeparator()
    {
        if (m_pos >= m_text.size())
            return;
        if (m_text.at(m_pos) == QLatin1Char(',')) {
            ++m_pos;
        } else if (m_text.at(m_pos) == QLatin1Char('\r')) {
            ++m_pos;
            if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('\n'))
                ++m_pos;
        } else if (m_text.at(m_pos) == QLatin1Char('\n')) {
            ++m_pos;
        }
    }

    const QString &m_text;
    qsizetype m_pos = 0;
};

// The file is left alone when this build cannot convert its encoding.
QString codecMissing(const Codec &codec)
{
    return codec.available() ? QString() : QStringLiteral("文字コード windows-31j (コードページ 932) がありません。");
}

} // namespace

std::optional<MemoTable> parse(const QByteArray &bytes, const Codec &codec)
{
    // An end-of-file mark (Ctrl-Z), as old editors leave, ends the file; the
    // code page would make it another control character.
    QByteArray data = bytes;
    while (!data.isEmpty() && QByteArrayView("\x1a\r\n \t").contains(data.back()))
        data.chop(1);
    QString text;
    // Undecodable bytes are kept as replacement characters rather than losing
    // every memo of the file.
    codec.decode(data, &text);
    ItemReader reader(text);

    const std::optional<qint16> n = reader.number();
    if (!n || *n < 0 || *n > kSlots)
        return std::nullopt;
    MemoTable table;
    for (int i = 0; i < *n; ++i) {
        const auto min = reader.number();
        const auto hour = reader.number();
        const auto days = reader.number();
        const auto month = reader.number();
        const auto year = reader.number();
        const auto memoText = reader.next();
        const auto sound = reader.number();
        const auto week = reader.number();
        if (!min || !hour || !days || !month || !year || !memoText || !sound || !week)
            return std::nullopt;
        // Values the windows never produce (hour 24, month 13...) are loaded
        // as they stand: such a memo simply never falls due. A hand-edited
        // file may hold text the writer could not write back.
        table.append({*min, *hour, *days, *month, *year, storableText(*memoText, codec), *sound, *week});
    }
    // A count line that says less than the file holds would drop the rest
    // at the next save.
    if (!reader.atEnd())
        return std::nullopt;
    return table;
}

Store::Store(Files &files, const Codec &codec, Messages &messages)
    : m_files(files)
    , m_codec(codec)
    , m_messages(messages)
{ }

std::optional<MemoTable> Store::memosOf(const std::optional<QByteArray> &bytes) const
{
    if (!bytes)
        return std::nullopt;
    return bytes->isEmpty() ? MemoTable() : parse(*bytes, m_codec);
}

LoadResult Store::load(const QString &path, MemoTable &table, const std::function<void()> &pause)
{
    table.clear();
    m_seen.reset();
    m_seenUnreadable = false;
    if (!m_files.exists(path))
        return LoadResult::Missing;
    std::optional<QByteArray> bytes = m_files.read(path);
    std::optional<MemoTable> memos = memosOf(bytes);
    // Another program may be halfway through writing it.
    for (int tries = 0; !memos && pause && tries < 20; ++tries) {
        pause();
        memos = memosOf(bytes = m_files.read(path));
    }
    if (!memos) {
        // Starting empty without a word would look as if every memo were gone.
        moveAsideAndTell(path, bytes, QStringLiteral("メモなしで起動します。"));
        return LoadResult::Damaged;
    }
    m_seen = bytes;
    table = *memos;
    return table.isEmpty() ? LoadResult::Empty : LoadResult::Loaded;
}

Store::Outside Store::look(const QString &path, MemoTable &table)
{
    m_looked.reset();
    if (!m_files.exists(path))
        return m_seen ? Outside::Vanished : Outside::Unchanged;
    m_looked = m_files.read(path);
    if (m_looked ? m_looked == m_seen : m_seenUnreadable)
        return Outside::Unchanged;
    // Emptied, as a program starting to write it leaves it for a moment.
    if (m_looked && m_looked->isEmpty() && m_seen && !m_seen->isEmpty())
        return Outside::Vanished;
    const std::optional<MemoTable> memos = memosOf(m_looked);
    if (!memos)
        return Outside::Damaged;
    table = *memos;
    return Outside::Changed;
}

MemoTable Store::seenMemos() const
{
    return memosOf(m_seen).value_or(MemoTable());
}

void Store::setAside(const QString &path)
{
    moveAsideAndTell(path, m_looked, QStringLiteral("メモは今の内容で保存し直します。"));
}

void Store::moveAsideAndTell(const QString &path, const std::optional<QByteArray> &bytes, const QString &then)
{
    const QString aside = m_files.moveAside(path);
    m_messages.error(QStringLiteral("rekuda31"),
        aside.isEmpty()
            ? (QStringLiteral("データファイル %1 を読めませんでした。") + then).arg(path)
            : (QStringLiteral("データファイル %1 を読めなかったため、%2 に移しました。") + then).arg(path, aside));
    // A file that could not be moved is told once, not at every look.
    m_seen = aside.isEmpty() ? bytes : std::nullopt;
    m_seenUnreadable = aside.isEmpty() && !bytes;
}

void Store::adopt(const QString &from, const QString &path, bool folderClosed)
{
    if (!m_files.exists(from))
        return;
    const std::optional<QByteArray> bytes = folderClosed ? m_files.readOwn(from) : std::nullopt;
    QString text;
    if (!folderClosed)
        text = QStringLiteral("%1 は他のユーザーも書き込めるフォルダーにあるため、メモを読み込みませんでした。"
                              "メモは %2 に保存します。");
    else if (!bytes)
        text = QStringLiteral("%1 はあなたの通常のファイルではないため、メモを読み込みませんでした。"
                              "メモは %2 に保存します。");
    else if (replace(path, *bytes))
        text = QStringLiteral(
            "%1 のメモを %2 に写しました。これからのメモはこちらに保存します（元のファイルはそのままです）。");
    if (!text.isEmpty())
        m_messages.error(QStringLiteral("rekuda31"), text.arg(from, path));
}

bool Store::write(const QString &path, const MemoTable &table)
{
    return replace(path, serialize(table, m_codec));
}

bool Store::writeOrEmpty(const QString &path, const MemoTable &table)
{
    return replace(path, table.isEmpty() ? QByteArray() : serialize(table, m_codec));
}

bool Store::remove(const QString &path)
{
    QString error = codecMissing(m_codec);
    const bool done = error.isEmpty() && m_files.remove(path, &error);
    if (done)
        m_seen.reset(), m_seenUnreadable = false;
    return settle(done, QStringLiteral("データファイル %1 を削除できませんでした。\n%2"), path, error);
}

bool Store::replace(const QString &path, const QByteArray &bytes)
{
    QString error = codecMissing(m_codec);
    const bool done = error.isEmpty() && m_files.replace(path, bytes, &error);
    if (done)
        m_seen = bytes, m_seenUnreadable = false;
    return settle(done, QStringLiteral("データファイル %1 に書き込めませんでした。\n%2"), path, error);
}

bool Store::settle(bool done, const QString &failure, const QString &path, const QString &error)
{
    m_unsaved = !done;
    if (done)
        ++m_saves;
    else
        m_lastError = error;
    if (!done && !m_held)
        m_messages.error(QStringLiteral("rekuda31"), failure.arg(path, error));
    return done;
}

} // namespace data_file
