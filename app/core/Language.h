#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <span>

class QObject;

/// The message table: 451 texts, indices 0 to 450, empty until LoadLanguageStrings fills them.
inline constexpr int kLangStringCount = 451;
using LangStringTable = std::array<QString, kLangStringCount>;

/// Process-wide message table and language file, filled once at start-up on the UI thread
/// (InitializeLanguage) and only read afterwards.
LangStringTable& LangStrings();
/// Entry @p index of LangStrings(), or an empty text outside 0..450.
QString LangString(int index);
QString& LangFile();

/// Start-up steps: LangFile() := LanguageFileFromRegistry("Software\Quenza\Reelvane\Language"),
/// then the "Strings" section into LangStrings(). Runs before the single-instance check.
void InitializeLanguage();

/// The language file named by the text value at @p registryPath ("key\value name") of the
/// per-user store, with ".lng" appended unless it ends so (case ignored), in the program's data
/// folder (ModuleFolderFile). When that file does not exist, or the store cannot be read,
/// ModuleFolderFile("English.lng"), present or not.
QString LanguageFileFromRegistry(const QString& registryPath);

/// Reads keys "0" to @p lastIndex of @p section into @p table; "||" becomes a line break
/// ("\n"). Missing or empty values leave their entries unchanged; a missing file changes
/// nothing. Indices beyond the table are not read. Always true.
bool LoadLanguageStrings(std::span<QString> table, int lastIndex, const QString& fileName,
                         const QString& section);

/// Applies the language file's "Font" section and the section named after @p form's
/// objectName to the form: each line "component.property=value" sets one property of the form
/// (empty component or the form's own name, case ignored) or of a child object of that name.
/// Lines that do not split into exactly two parts, unknown names and unusable values are
/// skipped; creating the form always goes on. Always true.
bool ApplyLanguageToForm(QObject* form, const QString& fileName);

/// Sets one property by its name in a language file. Qt property names match directly (case
/// ignored); the names of the language files map onto Qt by class: Caption (text, title or
/// window title), Text, Hint (tool tip), Items and Lines (rows, via the FormToolkit or a
/// QStringList property). Integers take decimal text; texts get "||" as line breaks; string
/// lists take the items of SplitQuoted(value, "||"). Other kinds, unknown names and bad numbers
/// change nothing and give false.
bool SetPropertyByName(QObject* component, const QString& propertyName, const QString& value);

/// Splits @p text at every @p separator outside quotes: a quote character toggles quoting and is
/// dropped, @p escape takes the next character literally (also inside quotes; at the very end
/// it adds nothing). n separators outside quotes give n + 1 items, empty ones included.
QStringList SplitQuoted(const QString& text, const QString& separator,
                        QChar escape = QLatin1Char('\\'),
                        const QString& quotes = QStringLiteral("\""));

/// The GDI character-set byte of @p name (any case, with or without "_CHARSET"), or 1
/// (DEFAULT_CHARSET) when it names none of the 19 standard sets.
int CharsetFromName(const QString& name);
