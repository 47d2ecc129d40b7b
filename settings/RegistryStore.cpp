#include "settings/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

RegistryValue RegistryValue::FromDword(quint32 value) {
    RegistryValue v;
    v.type = Type::Dword;
    v.dword = value;
    return v;
}

RegistryValue RegistryValue::FromText(const QString& value) {
    RegistryValue v;
    v.type = Type::Text;
    v.text = value;
    return v;
}

RegistryValue RegistryValue::FromBinary(const QByteArray& value) {
    RegistryValue v;
    v.type = Type::Binary;
    v.bytes = value;
    return v;
}

bool RegistryValue::operator==(const RegistryValue& other) const {
    if (type != other.type)
        return false;
    switch (type) {
    case Type::Dword:
        return dword == other.dword;
    case Type::Text:
        return text == other.text;
    case Type::Binary:
        return bytes == other.bytes;
    }
    return false;
}

namespace {

const char kHeader[] = "; Reelvane per-user settings store. One line per key or value.\n";

QString NormalizedKey(const QString& key) {
    qsizetype begin = 0;
    qsizetype end = key.size();
    while (begin < end && key.at(begin) == QLatin1Char('\\'))
        ++begin;
    while (end > begin && key.at(end - 1) == QLatin1Char('\\'))
        --end;
    return key.mid(begin, end - begin);
}

// Key paths are written unquoted on their header line.
bool IsUsableKey(const QString& key) {
    if (NormalizedKey(key).isEmpty())
        return false;
    for (const QChar c : key) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void AppendQuoted(QByteArray& out, const QString& text) {
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += QByteArray::number(c, 16).rightJustified(2, '0');
        } else {
            out += ch;
        }
    }
    out += '"';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos]; on success pos is just past the closing quote.
std::optional<QString> ReadQuoted(const QByteArray& line, qsizetype& pos) {
    if (pos >= line.size() || line.at(pos) != '"')
        return std::nullopt;
    QByteArray utf8;
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '"') {
            pos = i + 1;
            return QString::fromUtf8(utf8);
        }
        if (c != '\\') {
            utf8 += c;
            continue;
        }
        if (++i >= line.size())
            return std::nullopt;
        const char e = line.at(i);
        if (e == '\\' || e == '"') {
            utf8 += e;
        } else if (e == 'x' && i + 2 < line.size() && HexDigit(line.at(i + 1)) >= 0 &&
                   HexDigit(line.at(i + 2)) >= 0) {
            utf8 += static_cast<char>(HexDigit(line.at(i + 1)) * 16 + HexDigit(line.at(i + 2)));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt; // no closing quote: a cut-off line
}

std::optional<QByteArray> ReadHex(const QByteArray& hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex.at(i));
        const int lo = HexDigit(hex.at(i + 1));
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return bytes;
}

// "dword:" 8 hex digits, "sz:" a quoted text, "hex:" byte count ":" hex digits. Anything short
// of the full form (a line cut off by a crash or an edit) is rejected.
std::optional<RegistryValue> ReadValueData(const QByteArray& data) {
    if (data.startsWith("dword:")) {
        const QByteArray digits = data.mid(6);
        if (digits.size() != 8)
            return std::nullopt;
        bool ok = false;
        const uint value = digits.toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        return RegistryValue::FromDword(value);
    }
    if (data.startsWith("sz:")) {
        const QByteArray quoted = data.mid(3);
        qsizetype pos = 0;
        const std::optional<QString> text = ReadQuoted(quoted, pos);
        if (!text || pos != quoted.size())
            return std::nullopt;
        return RegistryValue::FromText(*text);
    }
    if (data.startsWith("hex:")) {
        const QByteArray rest = data.mid(4);
        const qsizetype colon = rest.indexOf(':');
        if (colon < 0)
            return std::nullopt;
        bool ok = false;
        const qlonglong count = rest.left(colon).toLongLong(&ok);
        const QByteArray hex = rest.mid(colon + 1);
        if (!ok || count < 0 || hex.size() != 2 * count)
            return std::nullopt;
        const std::optional<QByteArray> bytes = ReadHex(hex);
        if (!bytes)
            return std::nullopt;
        return RegistryValue::FromBinary(*bytes);
    }
    return std::nullopt;
}

} // namespace

QString RegistryStore::DefaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quenza/Reelvane.registry");
}

RegistryStore::RegistryStore(QString filePath)
    : m_filePath(std::move(filePath)) {}

bool RegistryStore::Load(QString* error) {
    m_keys.clear();
    m_skippedLines = 0;
    QFile file(m_filePath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    Parse(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    return true;
}

void RegistryStore::Parse(const QByteArray& data) {
    Key* current = nullptr;
    const QList<QByteArray> lines = data.split('\n');
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            current = nullptr;
            if (line.size() < 3 || !line.endsWith(']')) {
                ++m_skippedLines;
                continue;
            }
            const QString path = NormalizedKey(QString::fromUtf8(line.mid(1, line.size() - 2)));
            if (path.isEmpty()) {
                ++m_skippedLines;
                continue;
            }
            current = &EnsureKey(path);
            continue;
        }
        qsizetype pos = 0;
        const std::optional<QString> name = ReadQuoted(line, pos);
        if (!current || !name || pos >= line.size() || line.at(pos) != '=') {
            ++m_skippedLines;
            continue;
        }
        const std::optional<RegistryValue> value = ReadValueData(line.mid(pos + 1));
        if (!value) {
            ++m_skippedLines;
            continue;
        }
        bool replaced = false;
        for (NamedValue& existing : current->values) {
            if (SameName(existing.name, *name)) {
                existing.value = *value;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            current->values.append({*name, *value});
    }
}

QByteArray RegistryStore::Serialize() const {
    QByteArray out(kHeader);
    for (const Key& key : m_keys) {
        out += '[';
        out += key.path.toUtf8();
        out += "]\n";
        for (const NamedValue& v : key.values) {
            AppendQuoted(out, v.name);
            out += '=';
            switch (v.value.type) {
            case RegistryValue::Type::Dword:
                out += "dword:";
                out += QByteArray::number(v.value.dword, 16).rightJustified(8, '0');
                break;
            case RegistryValue::Type::Text:
                out += "sz:";
                AppendQuoted(out, v.value.text);
                break;
            case RegistryValue::Type::Binary:
                out += "hex:";
                out += QByteArray::number(v.value.bytes.size());
                out += ':';
                out += v.value.bytes.toHex();
                break;
            }
            out += '\n';
        }
    }
    return out;
}

bool RegistryStore::Save(QString* error) const {
    const QFileInfo info(m_filePath);
    QDir folder = info.absoluteDir();
    if (!folder.exists()) {
        if (!folder.mkpath(QStringLiteral("."))) {
            if (error)
                *error = QStringLiteral("Cannot create folder %1").arg(folder.path());
            return false;
        }
        QFile::setPermissions(folder.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSaveFile file(m_filePath);
    file.setDirectWriteFallback(false);
    // Unbuffered, so a failing write (disk full, size limit) is seen here; a buffered write
    // error surfacing only at commit() is not reliably reported and would replace the old file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    // The temporary file gets the final mode before any value reaches it.
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray data = Serialize();
    if (file.write(data) != data.size() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(m_filePath, file.errorString());
        file.cancelWriting(); // the temporary file is discarded, the old store stays
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(m_filePath, file.errorString());
        return false;
    }
    return true;
}

const RegistryStore::Key* RegistryStore::FindKey(const QString& path) const {
    const QString wanted = NormalizedKey(path);
    for (const Key& key : m_keys) {
        if (SameName(key.path, wanted))
            return &key;
    }
    return nullptr;
}

RegistryStore::Key& RegistryStore::EnsureKey(const QString& path) {
    const QString wanted = NormalizedKey(path);
    for (Key& key : m_keys) {
        if (SameName(key.path, wanted))
            return key;
    }
    m_keys.append({wanted, {}});
    return m_keys.last();
}

bool RegistryStore::HasKey(const QString& key) const {
    const QString wanted = NormalizedKey(key);
    const QString below = wanted + QLatin1Char('\\');
    for (const Key& k : m_keys) {
        if (SameName(k.path, wanted) || k.path.startsWith(below, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void RegistryStore::CreateKey(const QString& key) {
    if (IsUsableKey(key))
        EnsureKey(key);
}

std::optional<RegistryValue> RegistryStore::Value(const QString& key, const QString& name) const {
    const Key* k = FindKey(key);
    if (!k)
        return std::nullopt;
    for (const NamedValue& v : k->values) {
        if (SameName(v.name, name))
            return v.value;
    }
    return std::nullopt;
}

void RegistryStore::SetValue(const QString& key, const QString& name, const RegistryValue& value) {
    if (!IsUsableKey(key))
        return;
    Key& k = EnsureKey(key);
    for (NamedValue& v : k.values) {
        if (SameName(v.name, name)) {
            v.value = value;
            return;
        }
    }
    k.values.append({name, value});
}

QStringList RegistryStore::ValueNames(const QString& key) const {
    QStringList names;
    if (const Key* k = FindKey(key)) {
        for (const NamedValue& v : k->values)
            names.append(v.name);
    }
    return names;
}
