#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

/// Kinds of persistent properties, after the types Q_PROPERTY declarations use.
enum class PropertyKind {
    Integer,     // int, uint, short: stored as a 32-bit integer
    Char,        // QChar, char: stored as a 32-bit integer
    Enumeration, // bool and enums: stored as a 32-bit integer (false 0, true 1)
    Set,         // flags: copied, never stored
    Float,       // double, float: stored as text with "." as decimal point
    String,      // QString, QByteArray: stored as text
    Int64,       // qint64, quint64: stored as decimal text
    StringList,  // QStringList: stored as binary, every line followed by CR LF
    Other,       // anything else: neither stored nor copied
};

// Property walker over the Qt properties of any object, in declaration order with the base
// classes first. Entry 0 is QObject's objectName, which the walker calls "Name".
int PropertyCount(const QObject* object);
QString PropertyName(const QObject* object, int index);
/// Kind of the named property (name matched without regard to case); Other when it is missing.
PropertyKind PropertyKindOf(const QObject* object, const QString& name);
QVariant PropertyValue(const QObject* object, const QString& name);
bool SetPropertyValue(QObject* object, const QString& name, const QVariant& value);
/// Copies every property of @p source except "Name" to the property of the same name and kind
/// of @p destination: ordinal kinds, floats, strings and string lists (the lines are taken
/// over). 64-bit integers and other kinds are not copied.
void CopyProperties(const QObject* source, QObject* destination);

/// A settings object whose properties persist in one key of the per-user RegistryStore: one
/// value per Q_PROPERTY, named like the property. A subclass declares Q_PROPERTYs (with a
/// getter and a storing setter each) and nothing else; load, save and copy walk the property
/// table.
///
/// Subclass destructors must call SaveBeforeDestruction() first: by the time this base
/// destructor runs, the subclass's properties are gone.
///
/// Used on the UI thread only.
class TBaseSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(QString RegistryKey READ RegistryKey WRITE SetRegistryKey)
    Q_PROPERTY(bool AutoLoad READ AutoLoad WRITE SetAutoLoad)

public:
    explicit TBaseSettings(QObject* owner = nullptr);
    ~TBaseSettings() override;

    int Tag() const { return m_tag; }
    void SetTag(int value) { m_tag = value; }
    const QString& RegistryKey() const { return m_registryKey; }
    void SetRegistryKey(const QString& value) { m_registryKey = value; }
    bool AutoLoad() const { return m_autoLoad; }
    void SetAutoLoad(bool value) { m_autoLoad = value; }

    /// "RegistryKey", "AutoLoad", "Name", "Tag": never loaded or saved (case ignored).
    const QStringList& ExcludedNames() const { return m_excludedNames; }
    bool IsExcluded(const QString& name) const;

    /// Writes every property not excluded into RegistryKey (the key is created when missing).
    /// Does nothing when RegistryKey is empty. Problems go to the log and LastProblems().
    virtual void SaveToRegistry();
    /// Reads every property not excluded that the key holds with the right type; values of the
    /// wrong type or that do not parse are skipped and the property keeps its value. Creates
    /// the key when missing. Does nothing when RegistryKey is empty.
    virtual void LoadFromRegistry();
    /// After construction from a description: loads when AutoLoad is set.
    void Loaded();

    /// Copies all properties but "Name" from @p source when it is of this class or derived from
    /// it; otherwise false with "Cannot assign a <source class> to a <this class>".
    bool Assign(const QObject* source, QString* error = nullptr);

    /// Problems of the last load or save: unreadable store, skipped values, failed write.
    const QStringList& LastProblems() const { return m_problems; }

protected:
    /// Saves once when AutoLoad is set; subclass destructors call it first.
    void SaveBeforeDestruction();

private:
    void Report(const QString& problem);

    int m_tag = 0;
    QString m_registryKey;
    bool m_autoLoad = true;
    bool m_savedForDestruction = false;
    QStringList m_excludedNames;
    QStringList m_problems;
};
