#pragma once
#include <QString>
#include <QtGlobal>

#include <optional>

// Names of the languages and code pages that version resources commonly declare, for systems
// that cannot name them for us.
namespace verinfo {

// The name of a Windows language identifier; none for one the table does not know.
std::optional<QString> knownLanguageName(quint32 languageId);

// The name of a code page in the form Windows gives it ("1252  (ANSI - Latin I)"); none for one
// the table does not know. Code page 0, the ANSI code page, is Windows-1252 here.
std::optional<QString> knownCodePageName(quint32 codePage);

// For a code page nothing could name: "Unicode" for the UTF-16 code pages, else its number.
QString fallbackCodePageName(quint32 codePage);

} // namespace verinfo
