#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// Read-only INI text file as language files use it: "[Section]" headers, "key=value" lines,
/// ";" comments. Section and key names are matched without regard to case; the first
/// occurrence wins. A missing or unreadable file reads as empty. UTF-8, with Latin-1 as the
/// fallback for files that are not valid UTF-8.
class IniFile {
public:
    explicit IniFile(const QString& fileName);

    bool HasSection(const QString& section) const;
    /// The value after the first "=", trimmed; @p fallback when the key is absent.
    QString ReadString(const QString& section, const QString& key,
                       const QString& fallback = {}) const;
    /// The value as a decimal integer; @p fallback when absent or not a number.
    int ReadInteger(const QString& section, const QString& key, int fallback) const;
    /// The section's lines as written (comments and blank lines left out).
    QStringList SectionLines(const QString& section) const;

private:
    struct Section {
        QString name;
        QStringList lines;
    };
    const Section* Find(const QString& section) const;

    QList<Section> m_sections;
};
