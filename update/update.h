#ifndef PAYVANE_UPDATE_H
#define PAYVANE_UPDATE_H

#include "update_global.h"

#include <QObject>

// The process's one updater. This version only carries the entry points the
// program start calls; it asks no server yet.
class UPDATE_EXPORT Update : public QObject
{
    Q_OBJECT

public:
    // The shared updater, created on first use; lives until the process ends.
    static Update *getUpdater();

    // Requests the automatic update check. Not implemented yet: does nothing.
    void autoCheck();

private:
    Update();
};

#endif // PAYVANE_UPDATE_H
