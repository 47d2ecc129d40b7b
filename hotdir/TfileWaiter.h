#pragma once

#include <QString>

/// One candidate file of a watched folder while it is checked for completeness.
/// Guarded by the monitor's waiting lock.
struct TfileWaiter {
    QString FileName;    ///< full path as built from the change record
    qint64 LastSize = 0; ///< bytes at the previous check
    int StableCount = 0; ///< consecutive good checks so far
};
