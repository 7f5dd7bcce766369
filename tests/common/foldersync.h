#ifndef PAYVANE_TESTS_FOLDERSYNC_H
#define PAYVANE_TESTS_FOLDERSYNC_H

#include <billfile.h>
#include <conflictcopies.h>
#include <eventstore.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTest>

#include <optional>

// Two machines that share their bills through a folder a sync program keeps
// equal: the sync program in miniature, and each machine's runs of a window
// through BillFile and the conflict copies' merge, as the main window uses
// them.
namespace foldersync {

inline const QDate FirstDue(2027, 3, 10);

inline std::optional<QByteArray> fileBytes(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

inline bool putFile(const QString &path, const std::optional<QByteArray> &bytes)
{
    if (!bytes)
        return !QFileInfo::exists(path) || QFile::remove(path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(*bytes) == bytes->size();
}

// Two folders kept equal as a sync program keeps them: a file changed (or
// added, or removed) in one folder since the last sync is copied to the
// other; one changed in both, differently, is kept as the newer one in
// both, and the older one becomes a conflict copy named as Syncthing names
// it, after the device that made it ("AAAAAAA" or "BBBBBBB").
class FolderSync
{
public:
    FolderSync(const QString &a, const QString &b) : m_folders{a, b} {}

    void sync(const QDateTime &now)
    {
        QSet<QString> names(m_last.keyBegin(), m_last.keyEnd());
        for (const QString &folder : m_folders) {
            const QStringList files = QDir(folder).entryList(QDir::Files);
            names.unite(QSet<QString>(files.cbegin(), files.cend()));
        }
        for (const QString &name : std::as_const(names))
            syncFile(name, now);
    }

private:
    QString pathIn(int side, const QString &name) const { return QDir(m_folders[side]).filePath(name); }

    void syncFile(const QString &name, const QDateTime &now)
    {
        const std::optional<QByteArray> last = m_last.value(name);
        const std::optional<QByteArray> a = fileBytes(pathIn(0, name));
        const std::optional<QByteArray> b = fileBytes(pathIn(1, name));
        std::optional<QByteArray> result = a;
        if (a == b) {
            result = a;
        } else if (b != last && a == last) {
            result = b;
        } else if (a != last && b != last && a && b) {
            const bool bNewer = QFileInfo(pathIn(1, name)).lastModified() > QFileInfo(pathIn(0, name)).lastModified();
            result = bNewer ? b : a;
            const QFileInfo info(name);
            const QString copy = info.completeBaseName() + QStringLiteral(".sync-conflict-")
                                 + now.toString(QStringLiteral("yyyyMMdd-HHmmss"))
                                 + (bNewer ? QStringLiteral("-AAAAAAA.") : QStringLiteral("-BBBBBBB.")) + info.suffix();
            for (int side : {0, 1})
                QVERIFY(putFile(pathIn(side, copy), bNewer ? a : b));
            m_last.insert(copy, bNewer ? a : b);
        } else if (a != last && b != last) {
            result = a ? a : b; // a change wins over a removal
        }
        for (int side : {0, 1})
            QVERIFY(putFile(pathIn(side, name), result));
        m_last.insert(name, result);
    }

    QString m_folders[2];
    QHash<QString, std::optional<QByteArray>> m_last; // what both folders held after the last sync
};

// One machine: its synced data folder and its own private merge ancestor.
struct Machine
{
    QString folder;
    QString ancestor;

    QString billPath() const { return QDir(folder).filePath(QStringLiteral("events.evt")); }

    BillFile billFile() const
    {
        BillFile file(billPath());
        file.setMergeAncestorPath(ancestor);
        return file;
    }

    // A window's run: the bills read, changed by `edits`, saved.
    void edit(const QStringList &edits) const
    {
        BillFile file = billFile();
        EventList bills = file.load();
        for (const QString &edit : edits)
            apply(edit, bills, file);
        QVERIFY(file.save(bills));
        qDeleteAll(bills);
    }

    // A window's start that merges each conflict copy it finds, saves and
    // sets the copy aside; how many it merged.
    int mergeCopies() const
    {
        BillFile file = billFile();
        EventList bills = file.load();
        int merged = 0;
        for (const QString &copy : conflictCopies(billPath())) {
            QList<qsizetype> fromOurs;
            std::optional<EventList> result = file.mergeCopy(copy, bills, &fromOurs);
            if (!result)
                continue;
            qDeleteAll(bills);
            bills = *result;
            QString kept;
            if (file.save(bills) && setAsideMergedCopy(copy, &kept))
                ++merged;
        }
        qDeleteAll(bills);
        return merged;
    }

    // "add:Phone", "remove:Rent", "days:Rent=7" (the reminder part),
    // "date:Rent=12" (the schedule part: the due date moved by days).
    static void apply(const QString &edit, EventList &bills, BillFile &file)
    {
        const QString verb = edit.section(QLatin1Char(':'), 0, 0);
        const QString name = edit.section(QLatin1Char(':'), 1).section(QLatin1Char('='), 0, 0);
        const int value = edit.section(QLatin1Char('='), 1).toInt();
        if (verb == QLatin1String("add")) {
            bills.append(newBill(name));
            return;
        }
        for (qsizetype k = 0; k < bills.size(); ++k) {
            Event *bill = bills.at(k);
            if (bill->name != name)
                continue;
            if (verb == QLatin1String("remove")) {
                file.recordRemoved(bill);
                delete bills.takeAt(k);
            } else if (verb == QLatin1String("days")) {
                bill->notifyDays = value;
            } else {
                bill->eventDate = FirstDue.addDays(value);
            }
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no bill for %1").arg(edit)));
    }

    static Event *newBill(const QString &name)
    {
        auto *bill = new Event;
        bill->name = name;
        bill->eventDate = FirstDue;
        bill->notify = true;
        bill->notifyDays = 3;
        return bill;
    }

    // Each bill as "name:days:date", in list order.
    QStringList bills() const
    {
        const EventList bills = loadEvents(billPath());
        QStringList texts;
        for (const Event *bill : bills)
            texts << QStringLiteral("%1:%2:%3").arg(bill->name).arg(bill->notifyDays).arg(FirstDue.daysTo(bill->eventDate));
        qDeleteAll(bills);
        return texts;
    }
};

} // namespace foldersync

#endif // PAYVANE_TESTS_FOLDERSYNC_H
