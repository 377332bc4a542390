// The data-file reader under arbitrary bytes: a libFuzzer target, else a replay of the files in the folder given.
// Catches: a crash, hang or sanitizer report on any input; an accepted file with more memos than the table has slots,
// a text the file cannot hold, or memos that do not write back and read back the same.
#include "platform/cp932_codec.h"
#include "store/data_file.h"

#include <QDirIterator>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Cp932Codec codec;
    const auto require = [](bool condition) { return condition ? void() : std::abort(); };
    const auto table = data_file::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), codec);
    if (!table)
        return 0;
    require(table->size() <= kSlots);
    // A quote in a text, or a character code page 932 lacks, would not read back as written.
    const QByteArray written = data_file::serialize(*table, codec);
    const auto again = data_file::parse(written, codec);
    require(again && *again == *table && data_file::serialize(*again, codec) == written);
    return 0;
}

#ifndef REKUDA31_FUZZ_ENGINE
int main(int argc, char *argv[])
{
    int files = 0;
    for (QDirIterator it(QString::fromLocal8Bit(argc > 1 ? argv[1] : "."), QDir::Files); it.hasNext(); ++files) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
    return files > 0 ? 0 : 1; // an empty folder checks nothing
}
#endif
