#pragma once

#include <QString>

/// Lower-cases ASCII letters A to Z only, then trims blanks and control characters at both
/// ends. Free of shared state: safe on any thread.
QString NormalizedLower(const QString& text);
