// Fuzz target for the data-file reader. Whatever the bytes, the reader must
// not crash or hang, and a file it accepts must give a table within the
// ranges the program relies on, which writes back and reads back the same.
#include "platform/cp932_codec.h"
#include "store/data_file.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Cp932Codec codec;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    MemoTable table;
    qint16 count = -1;
    if (!data_file::parse(bytes, codec, table, &count)) {
        require(count == -1);
        return 0;
    }
    require(count >= 0 && count <= kSlots);
    for (int i = 0; i < count; ++i) {
        const auto s = static_cast<std::size_t>(i);
        require(table.MemoMin[s] >= 0 && table.MemoMin[s] <= 59);
        require(table.MemoHour[s] >= 0 && table.MemoHour[s] <= 23);
        require(table.MemoDays[s] >= 0 && table.MemoDays[s] <= 31);
        require(table.MemoMonth[s] >= 0 && table.MemoMonth[s] <= 12);
        require(!table.MemoText[s].contains(QLatin1Char('"')));
    }
    const QByteArray written = data_file::serialize(table, count, codec);
    MemoTable again;
    qint16 againCount = -1;
    require(data_file::parse(written, codec, again, &againCount));
    require(againCount == count);
    for (int i = 0; i < count; ++i) {
        const auto s = static_cast<std::size_t>(i);
        require(again.MemoMin[s] == table.MemoMin[s] && again.MemoHour[s] == table.MemoHour[s]
            && again.MemoDays[s] == table.MemoDays[s] && again.MemoMonth[s] == table.MemoMonth[s]
            && again.MemoYear[s] == table.MemoYear[s] && again.MemoText[s] == table.MemoText[s]
            && again.MemoSound[s] == table.MemoSound[s] && again.MemoWeek[s] == table.MemoWeek[s]);
    }
    require(data_file::serialize(again, againCount, codec) == written);
    return 0;
}
