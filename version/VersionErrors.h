#pragma once
#include <QString>
#include <QtGlobal>

namespace verinfo {

// The reader's error codes. They carry the numbers Windows gives the same failures, so a code
// means the same on every platform and Windows can describe ours with its own message text.
enum ErrorCode : quint32 {
    NoError = 0,
    FileNotFound = 2,
    AccessDenied = 5,
    InvalidData = 13,
    ReadFault = 30,
    InvalidParameter = 87,
    BadExeFormat = 193,
    NoVersionInfo = 1812,
    ResourceTypeNotFound = 1813,
    KeyNotFound = 1814,
    NoTranslation = 1815,
};

// Our text for a code; empty for a code the table does not know.
QString errorMessage(quint32 code);

} // namespace verinfo
