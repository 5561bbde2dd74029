#include "SortedTextList.h"

#include <QLocale>

SortedTextList::SortedTextList() : collator_(QLocale::system())
{
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(false);
}

qsizetype SortedTextList::lowerBound(const QString& text) const
{
    qsizetype lo = 0;
    qsizetype hi = items_.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (collator_.compare(items_.at(mid), text) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int SortedTextList::indexOf(const QString& text) const
{
    const qsizetype i = lowerBound(text);
    return (i < items_.size() && collator_.compare(items_.at(i), text) == 0) ? int(i) : -1;
}

bool SortedTextList::add(const QString& text)
{
    const qsizetype i = lowerBound(text);
    if (i < items_.size() && collator_.compare(items_.at(i), text) == 0)
        return false;
    items_.insert(i, text);
    return true;
}

bool SortedTextList::remove(const QString& text)
{
    const int i = indexOf(text);
    if (i < 0)
        return false;
    items_.removeAt(i);
    return true;
}
