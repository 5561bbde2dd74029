#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// The version-information block (VS_VERSIONINFO) as a tree of named values. The bytes come from
// files we do not trust, so the parser checks every length against the bytes it was given.
namespace verinfo {

struct VersionNode {
    QString key;
    bool isText = false;
    QByteArray value; // as stored; UTF-16LE for a text value
    std::vector<VersionNode> children;

    // A text value up to its first NUL.
    QString text() const;
};

// The root node of the block, or none when the block is truncated or its lengths contradict
// each other. Bytes after the root's own length are ignored.
std::optional<VersionNode> parseVersionBlock(QByteArrayView block);

// Looks a sub-block up the way VerQueryValueW does: names separated by backslashes, compared
// without regard to case; "\" alone is the root (whose value is the fixed file information).
const VersionNode* findSubBlock(const VersionNode& root, QStringView subBlock);

} // namespace verinfo
