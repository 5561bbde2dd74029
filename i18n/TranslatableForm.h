#pragma once
#include <QString>
#include <QStringList>

// A form as its translation component sees it: the texts of its components, by component name.
// Only names of the translation data are ever passed (the captions of the main window and the
// item lists of rgDCS and rgCompatibility), never an excluded component.
class TranslatableForm {
public:
    virtual ~TranslatableForm() = default;
    // A caption may hold a line break ("\n") for the two-line toolbar items.
    virtual void setCaption(const QString& component, const QString& text) = 0;
    // The items of a radio group; always as many as its English items, so the selection stays valid.
    virtual void setItems(const QString& component, const QStringList& items) = 0;
};
