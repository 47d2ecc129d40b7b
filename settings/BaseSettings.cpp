#include "settings/BaseSettings.h"

#include "settings/RegistryStore.h"

#include <QDebug>
#include <QLocale>
#include <QMetaProperty>

namespace {

const QString kNameEntry = QStringLiteral("Name");
const char kObjectName[] = "objectName";

// The meta property behind a walker name, matched without regard to case.
QMetaProperty FindProperty(const QObject* object, const QString& name) {
    if (!object)
        return {};
    const QMetaObject* meta = object->metaObject();
    if (name.compare(kNameEntry, Qt::CaseInsensitive) == 0)
        return meta->property(meta->indexOfProperty(kObjectName));
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return {};
}

PropertyKind KindOf(const QMetaProperty& p) {
    if (!p.isValid())
        return PropertyKind::Other;
    if (p.isFlagType())
        return PropertyKind::Set;
    if (p.isEnumType())
        return PropertyKind::Enumeration;
    switch (p.metaType().id()) {
    case QMetaType::Bool:
        return PropertyKind::Enumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        return PropertyKind::Integer;
    case QMetaType::QChar:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return PropertyKind::Char;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return PropertyKind::Int64;
    case QMetaType::Double:
    case QMetaType::Float:
        return PropertyKind::Float;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return PropertyKind::String;
    case QMetaType::QStringList:
        return PropertyKind::StringList;
    default:
        return PropertyKind::Other;
    }
}

QByteArray StringListBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

// Lines end at CR LF, CR or LF; a final line break does not start another line.
QStringList StringListFromBytes(const QByteArray& bytes) {
    QStringList lines;
    const QString text = QString::fromUtf8(bytes);
    QString current;
    bool pending = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(current);
            current.clear();
            pending = false;
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending)
        lines.append(current);
    return lines;
}

// The stored form of a property value; nullopt for kinds that are not stored.
std::optional<RegistryValue> ToRegistry(const QMetaProperty& p, const QVariant& value) {
    switch (KindOf(p)) {
    case PropertyKind::Integer:
    case PropertyKind::Enumeration:
        return RegistryValue::FromDword(static_cast<quint32>(value.toInt()));
    case PropertyKind::Char:
        return RegistryValue::FromDword(p.metaType().id() == QMetaType::QChar
                                            ? value.toChar().unicode()
                                            : static_cast<quint32>(value.toInt()));
    case PropertyKind::Float:
        return RegistryValue::FromText(
            QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
    case PropertyKind::String:
        return RegistryValue::FromText(value.toString());
    case PropertyKind::Int64:
        return RegistryValue::FromText(p.metaType().id() == QMetaType::ULongLong ||
                                               p.metaType().id() == QMetaType::ULong
                                           ? QString::number(value.toULongLong())
                                           : QString::number(value.toLongLong()));
    case PropertyKind::StringList:
        return RegistryValue::FromBinary(StringListBytes(value.toStringList()));
    case PropertyKind::Set:
    case PropertyKind::Other:
        break;
    }
    return std::nullopt;
}

// The property value for a stored value, or nullopt (with @p why) when type or text do not fit.
std::optional<QVariant> FromRegistry(const QMetaProperty& p, const RegistryValue& stored,
                                     QString& why) {
    const PropertyKind kind = KindOf(p);
    auto expect = [&](RegistryValue::Type type) {
        if (stored.type == type)
            return true;
        why = QStringLiteral("stored with the wrong type");
        return false;
    };
    switch (kind) {
    case PropertyKind::Integer:
    case PropertyKind::Enumeration:
    case PropertyKind::Char: {
        if (!expect(RegistryValue::Type::Dword))
            return std::nullopt;
        const qint32 ordinal = static_cast<qint32>(stored.dword);
        if (p.metaType().id() == QMetaType::Bool)
            return QVariant(ordinal != 0);
        if (p.metaType().id() == QMetaType::QChar)
            return QVariant(QChar(static_cast<char16_t>(stored.dword)));
        if (p.metaType().id() == QMetaType::UInt)
            return QVariant(static_cast<uint>(stored.dword));
        return QVariant(ordinal);
    }
    case PropertyKind::Float: {
        if (!expect(RegistryValue::Type::Text))
            return std::nullopt;
        bool ok = false;
        const double v = QLocale::c().toDouble(stored.text.trimmed(), &ok);
        if (!ok) {
            why = QStringLiteral("not a number: \"%1\"").arg(stored.text);
            return std::nullopt;
        }
        return QVariant(v);
    }
    case PropertyKind::String:
        if (!expect(RegistryValue::Type::Text))
            return std::nullopt;
        return QVariant(stored.text);
    case PropertyKind::Int64: {
        if (!expect(RegistryValue::Type::Text))
            return std::nullopt;
        bool ok = false;
        QVariant v;
        if (p.metaType().id() == QMetaType::ULongLong || p.metaType().id() == QMetaType::ULong)
            v = QVariant(stored.text.trimmed().toULongLong(&ok));
        else
            v = QVariant(stored.text.trimmed().toLongLong(&ok));
        if (!ok) {
            why = QStringLiteral("not a 64-bit integer: \"%1\"").arg(stored.text);
            return std::nullopt;
        }
        return v;
    }
    case PropertyKind::StringList:
        if (!expect(RegistryValue::Type::Binary))
            return std::nullopt;
        return QVariant(StringListFromBytes(stored.bytes));
    case PropertyKind::Set:
    case PropertyKind::Other:
        break;
    }
    why = QStringLiteral("kind is not stored");
    return std::nullopt;
}

} // namespace

int PropertyCount(const QObject* object) {
    return object ? object->metaObject()->propertyCount() : 0;
}

QString PropertyName(const QObject* object, int index) {
    if (!object || index < 0 || index >= PropertyCount(object))
        return {};
    const QString name = QString::fromLatin1(object->metaObject()->property(index).name());
    return name == QLatin1String(kObjectName) ? kNameEntry : name;
}

PropertyKind PropertyKindOf(const QObject* object, const QString& name) {
    return KindOf(FindProperty(object, name));
}

QVariant PropertyValue(const QObject* object, const QString& name) {
    const QMetaProperty p = FindProperty(object, name);
    return p.isValid() ? p.read(object) : QVariant();
}

bool SetPropertyValue(QObject* object, const QString& name, const QVariant& value) {
    const QMetaProperty p = FindProperty(object, name);
    return p.isValid() && p.isWritable() && p.write(object, value);
}

void CopyProperties(const QObject* source, QObject* destination) {
    if (!source || !destination)
        return;
    for (int i = 0; i < PropertyCount(source); ++i) {
        const QString name = PropertyName(source, i);
        if (name.compare(kNameEntry, Qt::CaseInsensitive) == 0)
            continue;
        const QMetaProperty from = source->metaObject()->property(i);
        const QMetaProperty to = FindProperty(destination, name);
        if (!to.isValid() || !to.isWritable() || KindOf(from) != KindOf(to))
            continue;
        switch (KindOf(from)) {
        case PropertyKind::Integer:
        case PropertyKind::Char:
        case PropertyKind::Enumeration:
        case PropertyKind::Set:
        case PropertyKind::Float:
        case PropertyKind::String:
        case PropertyKind::StringList:
            to.write(destination, from.read(source));
            break;
        case PropertyKind::Int64:
        case PropertyKind::Other:
            break;
        }
    }
}

TBaseSettings::TBaseSettings(QObject* owner)
    : QObject(owner)
    , m_excludedNames{QStringLiteral("RegistryKey"), QStringLiteral("AutoLoad"),
                      QStringLiteral("Name"), QStringLiteral("Tag")} {}

TBaseSettings::~TBaseSettings() {
    SaveBeforeDestruction();
}

void TBaseSettings::SaveBeforeDestruction() {
    if (m_savedForDestruction)
        return;
    m_savedForDestruction = true;
    if (m_autoLoad)
        SaveToRegistry();
}

bool TBaseSettings::IsExcluded(const QString& name) const {
    return m_excludedNames.contains(name, Qt::CaseInsensitive);
}

void TBaseSettings::Report(const QString& problem) {
    m_problems.append(problem);
    qWarning().noquote() << "Settings" << m_registryKey << ":" << problem;
}

void TBaseSettings::LoadFromRegistry() {
    m_problems.clear();
    if (m_registryKey.isEmpty())
        return;
    RegistryStore store;
    QString error;
    if (!store.Load(&error)) {
        Report(error);
        return;
    }
    if (store.SkippedLineCount() > 0)
        Report(QStringLiteral("%1 unreadable line(s) in %2 skipped")
                   .arg(store.SkippedLineCount())
                   .arg(store.FilePath()));
    if (!store.HasKey(m_registryKey)) {
        store.CreateKey(m_registryKey);
        if (!store.Save(&error))
            Report(error);
    }
    for (int i = 0; i < PropertyCount(this); ++i) {
        const QString name = PropertyName(this, i);
        if (IsExcluded(name))
            continue;
        const std::optional<RegistryValue> stored = store.Value(m_registryKey, name);
        if (!stored)
            continue;
        const QMetaProperty p = metaObject()->property(i);
        QString why;
        const std::optional<QVariant> value = FromRegistry(p, *stored, why);
        if (!value) {
            if (KindOf(p) != PropertyKind::Set && KindOf(p) != PropertyKind::Other)
                Report(QStringLiteral("value %1 skipped: %2").arg(name, why));
            continue;
        }
        if (!p.isWritable() || !p.write(this, *value))
            Report(QStringLiteral("value %1 could not be set").arg(name));
    }
}

void TBaseSettings::SaveToRegistry() {
    m_problems.clear();
    if (m_registryKey.isEmpty())
        return;
    RegistryStore store;
    QString error;
    // Other keys share the file; when it cannot be read, writing would lose them.
    if (!store.Load(&error)) {
        Report(error + QStringLiteral("; nothing saved"));
        return;
    }
    store.CreateKey(m_registryKey);
    for (int i = 0; i < PropertyCount(this); ++i) {
        const QString name = PropertyName(this, i);
        if (IsExcluded(name))
            continue;
        const QMetaProperty p = metaObject()->property(i);
        if (const std::optional<RegistryValue> value = ToRegistry(p, p.read(this)))
            store.SetValue(m_registryKey, name, *value);
    }
    if (!store.Save(&error))
        Report(error);
}

void TBaseSettings::Loaded() {
    if (m_autoLoad)
        LoadFromRegistry();
}

bool TBaseSettings::Assign(const QObject* source, QString* error) {
    if (source && source->metaObject()->inherits(metaObject())) {
        CopyProperties(source, this);
        return true;
    }
    if (error)
        *error = QStringLiteral("Cannot assign a %1 to a %2")
                     .arg(source ? QString::fromLatin1(source->metaObject()->className())
                                 : QStringLiteral("nil"),
                          QString::fromLatin1(metaObject()->className()));
    return false;
}
