#pragma once
#include "TranslationData.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// Translation data file, UTF-8 (a leading byte order mark is allowed):
//
//   # a comment            lines starting with '#' and blank lines are skipped
//   [Captions]             starts a table: Captions, Items, DialogTexts or Strings
//   key<TAB>English<TAB>Dutch<TAB>...<TAB>Hungarian
//   [End]                  required last line, so that a file cut short is noticed
//
// Each entry is one line of 17 tab-separated columns: the key and one text per language in
// language order. A text may be empty (English must not be); "\n" is a line break, "\r" a
// carriage return, "\t" a tab and "\\" a backslash. An item list's texts must have as many
// comma-separated items as its English text.
//
// The built-in data and the language file are read by the same reader.

struct ReadError {
    int line = 0;  // 1-based; 0 when the file as a whole is at fault (cannot be read, too large)
    QString reason;

    // "line 12: 5 columns instead of 17 ..." (or just the reason for the whole file)
    QString where() const;
};

struct ReadResult {
    std::optional<TranslationData> data;  // set exactly when error is not
    std::optional<ReadError> error;
};

ReadResult readTranslations(QByteArrayView bytes);
ReadResult readTranslationFile(const QString& path);

// Larger files are refused unread: the real data is a few tens of kilobytes.
inline constexpr qint64 MaxTranslationFileSize = 4 * 1024 * 1024;
