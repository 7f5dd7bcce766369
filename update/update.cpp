#include "update.h"

Update *Update::getUpdater()
{
    // Intentionally never deleted: the updater outlives every window.
    static Update *const updater = new Update;
    return updater;
}

void Update::autoCheck()
{
    // No-op: the check against the server is not implemented in this version.
}

Update::Update() = default;
