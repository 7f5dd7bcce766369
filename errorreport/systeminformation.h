#ifndef PAYVANE_SYSTEMINFORMATION_H
#define PAYVANE_SYSTEMINFORMATION_H

#include <QByteArray>
#include <QString>

// The first processor of a machine, as the error report names it.
struct ProcessorDescription
{
    QString name;       // for example "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"
    QString identifier; // for example "GenuineIntel Family 6 Model 142 Stepping 10"
};

// The first processor of a Linux /proc/cpuinfo text: "model name" as the
// name, and "vendor_id", "cpu family", "model" and "stepping" as one
// identifier line ("<vendor> Family <f> Model <m> Stepping <s>", leaving out
// what the text lacks). Values are taken as they stand after ": ". Empty
// fields where the text has none (an ARM machine has no "model name").
[[nodiscard]] ProcessorDescription processorFromCpuInfo(const QByteArray &cpuInfo);

// The description appended to a dump: two line feeds, then the lines
// "System Information:", "OS: <os>", "System version: <system>",
// "Architecture: <arch>", "Hardware profile:", "CPU Info:", the processor's
// name and its identifier, each ended by one line feed. Values go in as
// they are, without trimming.
[[nodiscard]] QString systemInformationText(const QString &os, const QString &system,
                                            const QString &arch,
                                            const ProcessorDescription &processor);

// The description of this machine. On Windows the version and the
// registry's processor key; elsewhere "Other", "Unknown", "Unknown" and, on
// Linux, the processor from /proc/cpuinfo.
[[nodiscard]] QString systemInformation();

#endif // PAYVANE_SYSTEMINFORMATION_H
