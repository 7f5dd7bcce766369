#include "systeminformation.h"

#include <QFile>
#include <QList>
#include <QSettings>
#include <QSysInfo>

namespace {

// The first processor's block sits at the start of /proc/cpuinfo; a
// machine with hundreds of cores must not make us read them all.
constexpr qint64 cpuInfoReadLimit = 64 * 1024;

QByteArray cpuInfoValue(const QList<QByteArray> &lines, const QByteArray &key)
{
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != key)
            continue;
        QByteArray value = line.mid(colon + 1);
        if (value.startsWith(' '))
            value.remove(0, 1);
        return value;
    }
    return QByteArray();
}

#ifdef Q_OS_WIN
QString windowsVersionName()
{
    const QString version = QSysInfo::productVersion();
    if (version == QLatin1String("7"))
        return QStringLiteral("Windows 7");
    if (version == QLatin1String("vista"))
        return QStringLiteral("Windows Vista");
    if (version == QLatin1String("2003"))
        return QStringLiteral("Windows 2003");
    if (version == QLatin1String("xp"))
        return QStringLiteral("Windows XP");
    if (version == QLatin1String("2000"))
        return QStringLiteral("Windows 2000");
    return QStringLiteral("Windows Other");
}
#endif

} // namespace

ProcessorDescription processorFromCpuInfo(const QByteArray &cpuInfo)
{
    // Only the first block, up to the first empty line, describes processor 0.
    QList<QByteArray> lines;
    for (const QByteArray &line : cpuInfo.split('\n')) {
        if (line.trimmed().isEmpty()) {
            if (lines.isEmpty())
                continue;
            break;
        }
        lines.append(line);
    }

    QStringList identifier;
    const QByteArray vendor = cpuInfoValue(lines, "vendor_id");
    if (!vendor.isEmpty())
        identifier.append(QString::fromLocal8Bit(vendor));
    const struct
    {
        const char *key;
        const char *label;
    } numbers[] = {{"cpu family", "Family "}, {"model", "Model "}, {"stepping", "Stepping "}};
    for (const auto &number : numbers) {
        const QByteArray value = cpuInfoValue(lines, number.key);
        if (!value.isEmpty())
            identifier.append(QLatin1String(number.label) + QString::fromLocal8Bit(value));
    }
    return {QString::fromLocal8Bit(cpuInfoValue(lines, "model name")),
            identifier.join(QLatin1Char(' '))};
}

QString systemInformationText(const QString &os, const QString &system, const QString &arch,
                              const ProcessorDescription &processor)
{
    const QString processorBlock = QStringLiteral("CPU Info:\n") + processor.name
                                   + QLatin1Char('\n') + processor.identifier + QLatin1Char('\n');
    return QStringLiteral("\n\nSystem Information:") + QStringLiteral("\nOS: ") + os
           + QStringLiteral("\nSystem version: ") + system + QStringLiteral("\nArchitecture: ")
           + arch + QStringLiteral("\nHardware profile:\n") + processorBlock;
}

QString systemInformation()
{
    QString os = QStringLiteral("Other");
    QString system = QStringLiteral("Unknown");
    QString arch = QStringLiteral("Unknown");
    ProcessorDescription processor;
#ifdef Q_OS_WIN
    arch = QSysInfo::WordSize == 64 ? QStringLiteral("64 bit") : QStringLiteral("32 bit");
    os = QStringLiteral("Windows");
    system = windowsVersionName();
    const QSettings registry(
        QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\"),
        QSettings::NativeFormat);
    processor.name = registry.value(QStringLiteral("ProcessorNameString"), QString()).toString();
    processor.identifier = registry.value(QStringLiteral("Identifier"), QString()).toString();
#else
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuInfo.open(QIODevice::ReadOnly))
        processor = processorFromCpuInfo(cpuInfo.read(cpuInfoReadLimit));
#endif
    return systemInformationText(os, system, arch, processor);
}
