#pragma once
#include "TranslationData.h"

// The translation data built into the program (translations.sib, embedded as a resource).
const TranslationData& builtinTranslations();

// The two forms that carry a translation component, and the share of the data each owns:
// the main window has the captions, the item lists, the standard dialog texts and the messages
// numbered below 100; the link controller has the messages from 100 on.
enum class FormOwner { MainWindow, LinkController };

bool ownsEntry(FormOwner owner, Table table, const QString& key);

// How an entry of a language file fits the built-in data it would replace.
enum class EntryFit { Fits, UnknownKey, OtherItemCount };
EntryFit fitOfFileEntry(Table table, const TranslationEntry& entry);
TranslationData shareOf(const TranslationData& data, FormOwner owner);
