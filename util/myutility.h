#pragma once

#include <QString>

/// Appends the platform separator ("/") when the path is not empty and does not end in one.
/// Free of shared state: safe on any thread.
QString IncludeBackslash(const QString& path);
