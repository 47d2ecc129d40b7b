#pragma once

#include <QIcon>

/// The file list's small pictures, drawn at run time: 0 waiting, 1 failed, 2 succeeded,
/// 3 sorted descending, 4 sorted ascending. An index outside 0..4 gives a null icon.
/// UI thread (needs the GUI application).
QIcon StatusImage(int index);
