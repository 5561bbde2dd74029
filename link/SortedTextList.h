#pragma once
#include <QCollator>
#include <QStringList>

// A list kept in locale-aware, case-insensitive text order that ignores duplicates:
// versions sort as texts, so "1002" comes before "910" and "0" is always first.
class SortedTextList {
public:
    SortedTextList();

    // Adds text at its place; false (and nothing changes) when an equal entry is present.
    bool add(const QString& text);
    bool remove(const QString& text);
    int indexOf(const QString& text) const;
    bool contains(const QString& text) const { return indexOf(text) >= 0; }
    void clear() { items_.clear(); }

    qsizetype count() const { return items_.size(); }
    bool isEmpty() const { return items_.isEmpty(); }
    const QString& at(qsizetype i) const { return items_.at(i); }
    const QStringList& items() const { return items_; }
    auto begin() const { return items_.cbegin(); }
    auto end() const { return items_.cend(); }

private:
    // Position of the first entry not less than text.
    qsizetype lowerBound(const QString& text) const;

    QStringList items_;
    QCollator collator_;
};
