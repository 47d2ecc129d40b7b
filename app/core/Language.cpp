#include "app/core/Language.h"

#include "app/core/FormToolkit.h"
#include "app/core/IniFile.h"
#include "settings/RegistryStore.h"
#include "util/myutility.h"

#include <QFileInfo>
#include <QMetaProperty>
#include <QObject>

namespace {

LangStringTable g_langStrings;
QString g_langFile;

const QString kLineBreak = QStringLiteral("\n");

QString WithLineBreaks(const QString& text) {
    QString result = text;
    return result.replace(QStringLiteral("||"), kLineBreak);
}

QMetaProperty FindQtProperty(const QObject* object, const QString& name) {
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return {};
}

bool InheritsAny(const QObject* object, std::initializer_list<const char*> classes) {
    for (const char* c : classes) {
        if (object->inherits(c))
            return true;
    }
    return false;
}

// The Qt property that a language file's property name stands for on this class.
QString QtNameFor(const QObject* target, const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("caption")) {
        if (InheritsAny(target, {"QAbstractButton", "QLabel", "QAction", "QLineEdit"}))
            return QStringLiteral("text");
        if (InheritsAny(target, {"QGroupBox", "QMenu", "QDockWidget"}))
            return QStringLiteral("title");
        return QStringLiteral("windowTitle");
    }
    if (lower == QLatin1String("text")) {
        if (InheritsAny(target, {"QPlainTextEdit", "QTextEdit"}))
            return QStringLiteral("plainText");
        if (target->inherits("QComboBox"))
            return QStringLiteral("currentText");
        return QStringLiteral("windowTitle");
    }
    if (lower == QLatin1String("hint"))
        return QStringLiteral("toolTip");
    return {};
}

bool WriteByKind(QObject* target, const QMetaProperty& p, const QString& value) {
    if (!p.isValid() || !p.isWritable() || p.isEnumType())
        return false;
    switch (p.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.trimmed().toLongLong(&ok, 10);
        if (!ok)
            return false;
        QVariant converted(number);
        // A number the property cannot hold is a bad value, not a truncated one.
        if (!converted.convert(p.metaType()) || QVariant(converted).toLongLong() != number)
            return false;
        return p.write(target, converted);
    }
    case QMetaType::QString:
        return p.write(target, WithLineBreaks(value));
    case QMetaType::QStringList:
        return p.write(target, SplitQuoted(value, QStringLiteral("||")));
    default:
        return false; // enumerations, Booleans, floats, characters, objects
    }
}

} // namespace

LangStringTable& LangStrings() {
    return g_langStrings;
}

QString LangString(int index) {
    return index >= 0 && index < kLangStringCount ? g_langStrings[index] : QString();
}

QString& LangFile() {
    return g_langFile;
}

void InitializeLanguage() {
    LangFile() = LanguageFileFromRegistry(QStringLiteral("Software\\Quenza\\Reelvane\\Language"));
    LoadLanguageStrings(LangStrings(), kLangStringCount - 1, LangFile(), QStringLiteral("Strings"));
}

QString LanguageFileFromRegistry(const QString& registryPath) {
    QString result = QStringLiteral("English.lng");
    const qsizetype split = registryPath.lastIndexOf(QLatin1Char('\\'));
    const QString key = split < 0 ? QString() : registryPath.left(split);
    const QString valueName = registryPath.mid(split + 1);
    RegistryStore store;
    if (!key.isEmpty() && store.Load() && store.HasKey(key)) {
        // An absent value, or one that is not text, reads as an empty text.
        const std::optional<RegistryValue> value = store.Value(key, valueName);
        result = value && value->type == RegistryValue::Type::Text ? value->text : QString();
    }
    if (result.right(4).toLower() != QLatin1String(".lng"))
        result += QStringLiteral(".lng");
    result = ModuleFolderFile(result);
    if (!QFileInfo(result).isFile())
        result = ModuleFolderFile(QStringLiteral("English.lng"));
    return result;
}

bool LoadLanguageStrings(std::span<QString> table, int lastIndex, const QString& fileName,
                         const QString& section) {
    const IniFile ini(fileName);
    const int last = std::min<qsizetype>(lastIndex, qsizetype(table.size()) - 1);
    for (int i = 0; i <= last; ++i) {
        const QString text = ini.ReadString(section, QString::number(i));
        if (!text.isEmpty())
            table[i] = WithLineBreaks(text);
    }
    return true;
}

bool ApplyLanguageToForm(QObject* form, const QString& fileName) {
    if (!form)
        return true;
    const IniFile ini(fileName);
    const QString fontSection = QStringLiteral("Font");
    const int size = ini.ReadInteger(fontSection, QStringLiteral("Size"), -1);
    const int bidi = ini.ReadInteger(fontSection, QStringLiteral("BiDiMode"), 0);
    FormFont font;
    font.sizePt = size > 0 ? size : 0;
    font.name = ini.ReadString(fontSection, QStringLiteral("Name"));
    font.charset = CharsetFromName(ini.ReadString(fontSection, QStringLiteral("CharSet")));
    font.bidiMode = bidi >= 0 && bidi <= 3 ? bidi : -1;
    if (FormToolkit* toolkit = CurrentFormToolkit())
        toolkit->ApplyFormFont(form, font);

    const QStringList lines = ini.SectionLines(form->objectName());
    for (const QString& line : lines) {
        const QStringList assignment = SplitQuoted(line, QStringLiteral("="));
        if (assignment.size() != 2)
            continue;
        const QString value = assignment.at(1);
        const QStringList path = SplitQuoted(assignment.at(0).trimmed(), QStringLiteral("."));
        if (path.size() != 2)
            continue;
        const QString componentName = path.at(0).trimmed();
        const QString propertyName = path.at(1).trimmed();
        QObject* target = nullptr;
        if (componentName.isEmpty() ||
            componentName.compare(form->objectName(), Qt::CaseInsensitive) == 0) {
            target = form;
        } else {
            const QList<QObject*> children = form->findChildren<QObject*>();
            for (QObject* child : children) {
                if (child->objectName().compare(componentName, Qt::CaseInsensitive) == 0) {
                    target = child;
                    break;
                }
            }
        }
        if (target && !propertyName.isEmpty())
            SetPropertyByName(target, propertyName, value);
    }
    return true;
}

bool SetPropertyByName(QObject* component, const QString& propertyName, const QString& value) {
    if (!component || propertyName.isEmpty())
        return false;
    const QMetaProperty direct = FindQtProperty(component, propertyName);
    if (direct.isValid())
        return WriteByKind(component, direct, value);

    const QString lower = propertyName.toLower();
    if (lower == QLatin1String("items") || lower == QLatin1String("lines")) {
        FormToolkit* toolkit = CurrentFormToolkit();
        return toolkit &&
               toolkit->SetListItems(component, SplitQuoted(value, QStringLiteral("||")));
    }
    if (lower == QLatin1String("caption") &&
        !InheritsAny(component, {"QAbstractButton", "QLabel", "QAction", "QLineEdit", "QGroupBox",
                                 "QMenu", "QDockWidget"})) {
        FormToolkit* toolkit = CurrentFormToolkit();
        if (toolkit && toolkit->SetPageCaption(component, WithLineBreaks(value)))
            return true;
    }
    const QString qtName = QtNameFor(component, propertyName);
    if (qtName.isEmpty())
        return false;
    return WriteByKind(component, FindQtProperty(component, qtName), value);
}

QStringList SplitQuoted(const QString& text, const QString& separator, QChar escape,
                        const QString& quotes) {
    QStringList list;
    QString current;
    bool inQuote = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == escape) {
            if (++i < text.size())
                current += text.at(i);
        } else if (quotes.contains(c)) {
            inQuote = !inQuote;
        } else if (inQuote) {
            current += c;
        } else if (!separator.isEmpty() && QStringView(text).mid(i).startsWith(separator)) {
            list.append(current);
            current.clear();
            i += separator.size() - 1;
        } else {
            current += c;
        }
    }
    list.append(current);
    return list;
}

int CharsetFromName(const QString& name) {
    static const std::pair<const char*, int> kCharsets[] = {
        {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
        {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
        {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
        {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
        {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
        {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
        {"OEM_CHARSET", 255},
    };
    QString upper = name;
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - ('a' - 'A'));
    }
    if (!upper.contains(QLatin1String("_CHARSET")))
        upper += QStringLiteral("_CHARSET");
    for (const auto& [charsetName, value] : kCharsets) {
        if (upper == QLatin1String(charsetName))
            return value;
    }
    return 1;
}
