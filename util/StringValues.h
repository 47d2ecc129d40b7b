#pragma once

#include <QString>
#include <QStringList>

/// Name/value text pairs kept in one list, name of pair i at 2i and its value at 2i + 1. Pairs
/// are only appended or all cleared. Index access is bounds-safe: reads out of range give an
/// empty text and writes out of range do nothing. Used on the UI thread.
class TStringValues {
public:
    void Add(const QString& name, const QString& value);
    void Clear();
    int Count() const;
    QString GetName(int i) const;
    QString GetValue(int i) const;
    void SetValue(int i, const QString& value);

private:
    QStringList m_lines;
};
