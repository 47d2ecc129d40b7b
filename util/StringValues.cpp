#include "util/StringValues.h"

void TStringValues::Add(const QString& name, const QString& value) {
    m_lines.append(name);
    m_lines.append(value);
}

void TStringValues::Clear() {
    m_lines.clear();
}

int TStringValues::Count() const {
    return static_cast<int>(m_lines.size() / 2);
}

QString TStringValues::GetName(int i) const {
    // A name without its value line does not count as a pair.
    const qsizetype line = 2 * qsizetype(i);
    return i >= 0 && line < m_lines.size() - 1 ? m_lines.at(line) : QString();
}

QString TStringValues::GetValue(int i) const {
    const qsizetype line = 2 * qsizetype(i) + 1;
    return i >= 0 && line < m_lines.size() ? m_lines.at(line) : QString();
}

void TStringValues::SetValue(int i, const QString& value) {
    const qsizetype line = 2 * qsizetype(i) + 1;
    if (i >= 0 && line < m_lines.size())
        m_lines[line] = value;
}
