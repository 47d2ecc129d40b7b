#include "app/core/IniFile.h"

#include <QFile>
#include <QStringDecoder>

IniFile::IniFile(const QString& fileName) {
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    QByteArray data = file.readAll();
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = QString::fromLatin1(data);

    Section* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            current = nullptr;
            for (Section& s : m_sections) {
                if (s.name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &s;
            }
            if (!current) {
                m_sections.append({name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (current)
            current->lines.append(line);
    }
}

const IniFile::Section* IniFile::Find(const QString& section) const {
    for (const Section& s : m_sections) {
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

bool IniFile::HasSection(const QString& section) const {
    return Find(section) != nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& fallback) const {
    const Section* s = Find(section);
    if (!s)
        return fallback;
    for (const QString& line : s->lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return fallback;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int fallback) const {
    bool ok = false;
    const int value = ReadString(section, key).toInt(&ok, 10);
    return ok ? value : fallback;
}

QStringList IniFile::SectionLines(const QString& section) const {
    const Section* s = Find(section);
    return s ? s->lines : QStringList();
}
