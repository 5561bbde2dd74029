#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <utility>
#include <vector>

// Writes version blocks in the layout Windows' resource compiler gives them. The build uses it
// to put the program's own block into the program file; the tests use it to make sample files.
namespace verinfo {

struct BlockNode {
    QString key;
    bool isText = false;
    QByteArray value; // as stored; a text value is UTF-16LE with its NUL
    std::vector<BlockNode> children;
};

BlockNode textValue(const QString& key, const QString& text);
BlockNode binaryValue(const QString& key, const QByteArray& bytes);
BlockNode group(const QString& key, std::vector<BlockNode> children);

QByteArray serializeBlock(const BlockNode& node);

struct VersionFacts {
    std::array<quint16, 4> fileVersion = {};
    std::array<quint16, 4> productVersion = {};
    quint32 fileOs = 0;
    quint16 language = 0x0809;
    quint16 codePage = 1252;
    std::vector<std::pair<QString, QString>> strings; // name, value
};

// VS_FIXEDFILEINFO for a program file.
QByteArray fixedFileInfo(const VersionFacts& facts);
// A whole VS_VERSIONINFO tree: fixed information, one string table and the translation.
BlockNode versionInfo(const VersionFacts& facts);

// "1.2.3.4" into its four numbers; missing parts are 0, and so is a number too large.
std::array<quint16, 4> versionNumbers(const QString& text);

} // namespace verinfo
