#pragma once
#include "TranslatableForm.h"

#include <map>

// A form that remembers what its translation component set, in the order it came.
class RecordingForm : public TranslatableForm {
public:
    void setCaption(const QString& component, const QString& text) override
    {
        captions[component] = text;
        ++calls;
    }
    void setItems(const QString& component, const QStringList& list) override
    {
        items[component] = list;
        ++calls;
    }
    void clear()
    {
        captions.clear();
        items.clear();
        calls = 0;
    }

    std::map<QString, QString> captions;
    std::map<QString, QStringList> items;
    int calls = 0;
};
