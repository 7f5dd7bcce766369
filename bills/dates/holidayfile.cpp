#include "holidayfile.h"

#include "boundedread.h"
#include "eventstore.h"
#include "regularfile.h"

#include <QDataStream>
#include <QFile>

#include <cstring>

namespace {

constexpr char Magic[] = "PVHD";
constexpr quint32 Version = 1;
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_5_15;
// A holidays file is small: 100,000 holidays with long names stay far below.
constexpr qint64 MaximumFileSize = 64LL * 1024 * 1024;

} // namespace

QByteArray HolidayFile::toBytes() const
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(StreamVersion);
    stream.writeRawData(Magic, 4);
    stream << Version << quint32(sources.size());
    for (const Source &source : sources) {
        stream << source.path << source.size << source.modified << quint32(source.holidays.size());
        for (const HolidaySet::Holiday &holiday : source.holidays)
            stream << qint32(holiday.day) << holiday.name;
    }
    return bytes;
}

bool HolidayFile::fromBytes(const QByteArray &bytes, HolidayFile *file)
{
    file->sources.clear();
    QDataStream stream(bytes);
    stream.setVersion(StreamVersion);
    char magic[4];
    quint32 version = 0;
    quint32 sourceCount = 0;
    if (stream.readRawData(magic, 4) != 4 || memcmp(magic, Magic, 4) != 0)
        return false;
    stream >> version >> sourceCount;
    if (stream.status() != QDataStream::Ok || version != Version || sourceCount > quint32(MaximumSources))
        return false;
    HolidayFile read;
    qint64 total = 0;
    for (quint32 i = 0; i < sourceCount; ++i) {
        Source source;
        quint32 count = 0;
        readBoundedString(stream, source.path);
        stream >> source.size >> source.modified >> count;
        total += count;
        if (stream.status() != QDataStream::Ok || total > MaximumHolidays)
            return false;
        source.holidays.reserve(qsizetype(count));
        for (quint32 j = 0; j < count; ++j) {
            qint32 day = 0;
            QString name;
            stream >> day;
            readBoundedString(stream, name);
            if (stream.status() != QDataStream::Ok)
                return false;
            source.holidays.append({day, name.left(MaximumNameLength)});
        }
        read.sources.append(std::move(source));
    }
    if (!stream.atEnd())
        return false;
    *file = std::move(read);
    return true;
}

HolidaySet HolidayFile::holidaySet() const
{
    QList<HolidaySet::Holiday> all;
    for (const Source &source : sources)
        all.append(source.holidays);
    return HolidaySet(std::move(all));
}

HolidayFile HolidayFile::readFromDataFolder()
{
    HolidayFile file;
    QFile device(holidaysFilePath());
    if (!device.exists() || !openRegularFileForReading(device) || device.size() > MaximumFileSize)
        return file;
    if (!fromBytes(device.read(MaximumFileSize + 1), &file))
        file.sources.clear();
    return file;
}

bool HolidayFile::writeToDataFolder(QString *errorString) const
{
    return writeFileEntry(toBytes(), holidaysFilePath(), errorString);
}

void installHolidaysFromDataFolder()
{
    const HolidayFile file = HolidayFile::readFromDataFolder();
    HolidaySet::install(std::make_shared<const HolidaySet>(file.holidaySet()));
}
