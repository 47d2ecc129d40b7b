#pragma once
// Ordered list of texts (duplicates allowed) with a case-insensitive IndexOf. Holds the
// engine's error texts, its Standard-MPEG parameter names and values and its profile
// catalogues; chain wrappers refer to the engine's lists without owning them.
// Not thread-safe: a list is filled on the owning thread and only read during a run.

#include <QString>
#include <QStringList>

class TKXWideStringList {
public:
    TKXWideStringList() = default;
    explicit TKXWideStringList(QStringList items)
        : items_(std::move(items)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.isEmpty(); }

    // Appends and returns the new item's index.
    int Add(const QString& text) {
        items_.append(text);
        return Count() - 1;
    }
    void Clear() { items_.clear(); }
    void Delete(int index) {
        if (index >= 0 && index < Count())
            items_.removeAt(index);
    }

    // Item at index; an empty text for an index outside the list.
    QString Get(int index) const {
        return index >= 0 && index < Count() ? items_[index] : QString();
    }
    QString operator[](int index) const { return Get(index); }
    void Set(int index, const QString& text) {
        if (index >= 0 && index < Count())
            items_[index] = text;
    }

    // First index whose text equals name ignoring letter case; -1 when absent.
    int IndexOf(const QString& name) const {
        for (int i = 0; i < Count(); ++i)
            if (items_[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    // Replaces the contents by the lines of text (split at CR LF, LF or CR). A trailing line
    // break does not add an empty last line.
    void SetText(const QString& text) {
        QString normalized = text;
        normalized.replace("\r\n", "\n").replace('\r', '\n');
        items_ = normalized.split('\n');
        if (!items_.isEmpty() && items_.last().isEmpty() && normalized.endsWith('\n'))
            items_.removeLast();
        if (text.isEmpty())
            items_.clear();
    }

    const QStringList& Strings() const { return items_; }

private:
    QStringList items_;
};
