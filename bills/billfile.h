#ifndef PAYVANE_BILLFILE_H
#define PAYVANE_BILLFILE_H

#include "event.h"
#include "eventstore.h"

#include <QDateTime>
#include <QString>

// The user's bill file as a window uses it: read once when the window is
// built, written back when it closes.
//
// A file that is there but could not be read completely (damaged, or not
// readable at all) is never replaced as it is: before the first save it is
// kept aside, renamed beside itself with a name that says what it is and
// when ("events.damaged-2026-12-07-155800.evt"). Renaming needs no read
// access and keeps every byte. When it cannot be kept aside, saving is
// refused.
class BillFile
{
public:
    explicit BillFile(const QString &path = eventsFilePath());

    // Reads the file; the caller owns the records. Removes what interrupted
    // saves of this file left behind first.
    [[nodiscard]] EventList load();

    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] BillFileState state() const { return m_state; }
    // Why the file was not read completely; empty when it was.
    [[nodiscard]] QString problem() const { return m_problem; }

    // Whether the file must be kept aside before it may be replaced.
    [[nodiscard]] bool needsKeeping() const;
    // Keeps the file aside now (see above); `now` names the copy. True when
    // nothing needed keeping or it was kept; false with the reason in
    // *errorString otherwise.
    bool keepAside(const QDateTime &now = QDateTime::currentDateTime(), QString *errorString = nullptr);
    // Where the file was kept; empty while it was not.
    [[nodiscard]] QString keptPath() const { return m_keptPath; }

    // Writes the bills; keeps the file aside first when needed and refuses
    // when that fails. The reason in *errorString on failure.
    [[nodiscard]] bool save(const EventList &events, QString *errorString = nullptr);

    // The one sentence that tells the user what happened to the file: empty
    // unless it was not read completely.
    [[nodiscard]] QString notice() const;

    // The name under which a file is kept aside at `now`.
    [[nodiscard]] static QString keptPathFor(const QString &path, const QDateTime &now);
    // Removes temporary files that an interrupted save of `path` left beside
    // it; the number removed.
    static int removeSaveLeftovers(const QString &path);

private:
    QString m_path;
    BillFileState m_state = BillFileState::Missing;
    QString m_problem;
    QString m_keptPath;
    QString m_keepError;
};

#endif // PAYVANE_BILLFILE_H
