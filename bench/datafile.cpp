// Loads and saves the largest data files: 20 memos of 100,000 kanji each,
// and 21 memos filling the size limit of the reader. Prints the median of
// five loads and of five saves for each, in milliseconds, and of five looks
// for another program's change, as every tick of the running program makes one.
#include "platform/cp932_codec.h"
#include "platform/posix_files.h"
#include "platform/services.h"
#include "store/data_file.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class PrintedMessages : public Messages
{
public:
    void error(const QString &title, const QString &text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        failed = true;
    }
    bool failed = false;
};

template <class Step> double medianMs(Step step)
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool measure(const char *name, int memos, qsizetype kanji)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rekuda31.dat"));
    PosixFiles files;
    Cp932Codec codec;
    PrintedMessages messages;
    data_file::Store store(files, codec, messages);
    MemoTable table(memos);
    for (int i = 0; i < memos; ++i) {
        table[i].hour = qint16(i % 24);
        table[i].text = QString(kanji, QStringLiteral("漢字日本語時計予定会議電話").at(i % 12));
    }
    const double save = medianMs([&] { store.write(path, table); });
    MemoTable loaded;
    bool loadedAll = true;
    const double load = medianMs([&] {
        loadedAll = store.load(path, loaded) == data_file::LoadResult::Loaded && loaded.size() == memos && loadedAll;
    });
    MemoTable unread;
    const double look
        = medianMs([&] { loadedAll = store.look(path, unread) == data_file::Store::Outside::Unchanged && loadedAll; });
    const qint64 size = QFileInfo(path).size();
    std::printf("%-34s %8.1f MiB   load %7.1f ms   save %7.1f ms   look %7.2f ms%s\n", name, double(size) / (1 << 20),
        load, save, look, loadedAll && !messages.failed ? "" : "   FAILED");
    return loadedAll && !messages.failed;
}

} // namespace

int main()
{
    // 21 memos of this many kanji (two bytes each) come just under the limit.
    const qsizetype atLimit = (PosixFiles::kSizeLimit - 21 * 64) / 21 / 2;
    const bool ok
        = measure("20 memos x 100,000 kanji", 20, 100000) && measure("21 memos at the size limit", 21, atLimit);
    return ok ? 0 : 1;
}
