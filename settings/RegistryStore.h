#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// One stored value: a 32-bit integer, a text or binary bytes.
struct RegistryValue {
    enum class Type { Dword, Text, Binary };

    Type type = Type::Text;
    quint32 dword = 0;
    QString text;
    QByteArray bytes;

    static RegistryValue FromDword(quint32 value);
    static RegistryValue FromText(const QString& value);
    static RegistryValue FromBinary(const QByteArray& value);
    bool operator==(const RegistryValue& other) const;
};

/// The per-user key/value store that stands in for the registry: keys are paths such as
/// "Software\Quenza\Reelvane\Setting", each holding named values of the three types. Key paths
/// and value names are matched without regard to ASCII letter case and keep the case they were
/// first written with.
///
/// The store is one text file, one line per key header or value, so that a damaged line costs
/// only that value: Load() skips lines it cannot read and keeps the rest. Save() replaces the
/// file atomically (written to a temporary file, synced, then renamed) with mode 0600, so a crash
/// or a full disk leaves the previous file intact.
///
/// Not thread-safe; the settings use it from the UI thread.
class RegistryStore {
public:
    /// The store file: <generic config location, i.e. $XDG_CONFIG_HOME or ~/.config>
    /// /Quenza/Reelvane.registry. Read anew on every call, so tests can point XDG_CONFIG_HOME
    /// elsewhere.
    static QString DefaultFilePath();

    explicit RegistryStore(QString filePath = DefaultFilePath());

    const QString& FilePath() const { return m_filePath; }

    /// Replaces the contents by the file's. A missing file gives an empty store and true; a file
    /// that cannot be read gives false and @p error. Unreadable lines are skipped and counted.
    bool Load(QString* error = nullptr);
    int SkippedLineCount() const { return m_skippedLines; }

    /// Writes the whole store atomically. False and @p error when it could not be written; the
    /// file then keeps its previous contents.
    bool Save(QString* error = nullptr) const;

    /// True when the key or a key below it exists.
    bool HasKey(const QString& key) const;
    void CreateKey(const QString& key);

    std::optional<RegistryValue> Value(const QString& key, const QString& name) const;
    /// Creates the key when needed; replaces a value of the same name. An empty key path, or
    /// one with control characters, stores nothing.
    void SetValue(const QString& key, const QString& name, const RegistryValue& value);
    QStringList ValueNames(const QString& key) const;

    /// The text form of the store, as Save() writes it.
    QByteArray Serialize() const;

private:
    struct NamedValue {
        QString name;
        RegistryValue value;
    };
    struct Key {
        QString path;
        QList<NamedValue> values;
    };

    const Key* FindKey(const QString& path) const;
    Key& EnsureKey(const QString& path);
    void Parse(const QByteArray& data);

    QString m_filePath;
    QList<Key> m_keys;
    int m_skippedLines = 0;
};
