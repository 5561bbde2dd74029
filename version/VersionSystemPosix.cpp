#include "VersionSystem.h"

#ifndef Q_OS_WIN

#include "VersionBlock.h"
#include "VersionErrors.h"
#include "VersionImage.h"
#include "VersionNames.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <algorithm>

namespace verinfo {

namespace {

// Reads only the few pieces the locator asks for, so a large program file is not loaded whole.
class FileSource final : public ByteSource {
public:
    explicit FileSource(QFile& file) : file_(file), size_(quint64(file.size())) {}
    quint64 size() const override { return size_; }
    std::optional<QByteArray> read(quint64 offset, quint64 length) const override
    {
        if (offset > size_ || length > size_ - offset || !file_.seek(qint64(offset)))
            return std::nullopt;
        QByteArray bytes = file_.read(qint64(length));
        if (quint64(bytes.size()) != length)
            return std::nullopt;
        return bytes;
    }

private:
    QFile& file_;
    quint64 size_;
};

LocatedBlock locateInFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.exists())
        return {FileNotFound, {}};
    QFile file(fileName);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return {AccessDenied, {}};
    return locateVersionBlock(FileSource(file));
}

} // namespace

quint32 VersionSystem::fileVersionInfoSize(const QString& fileName, quint32& handle)
{
    handle = 0;
    const LocatedBlock found = locateInFile(fileName);
    if (found.error != NoError) {
        lastError_ = found.error;
        return 0;
    }
    return quint32(found.block.size());
}

bool VersionSystem::fileVersionInfo(const QString& fileName, QByteArray& block)
{
    const LocatedBlock found = locateInFile(fileName);
    if (found.error != NoError) {
        lastError_ = found.error;
        return false;
    }
    // The file may have changed since its size was asked; like the system we fill what fits.
    std::copy_n(found.block.constData(), std::min(found.block.size(), block.size()), block.data());
    if (!parseVersionBlock(block)) {
        lastError_ = InvalidData;
        return false;
    }
    return true;
}

std::optional<QString> VersionSystem::queryText(const QByteArray& block, const QString& subBlock)
{
    const auto root = parseVersionBlock(block);
    const VersionNode* node = root ? findSubBlock(*root, subBlock) : nullptr;
    if (!node) {
        lastError_ = root ? KeyNotFound : InvalidData;
        return std::nullopt;
    }
    return node->text();
}

std::optional<QByteArray> VersionSystem::queryBinary(const QByteArray& block, const QString& subBlock)
{
    const auto root = parseVersionBlock(block);
    const VersionNode* node = root ? findSubBlock(*root, subBlock) : nullptr;
    if (!node) {
        lastError_ = root ? KeyNotFound : InvalidData;
        return std::nullopt;
    }
    return node->value;
}

std::optional<QString> VersionSystem::languageName(quint32 languageId)
{
    auto name = knownLanguageName(languageId);
    if (!name)
        lastError_ = InvalidParameter;
    return name;
}

QString VersionSystem::codePageName(quint32 codePage)
{
    return knownCodePageName(codePage).value_or(fallbackCodePageName(codePage));
}

QString VersionSystem::runningProgramFile() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

quint32 VersionSystem::lastError() const
{
    return lastError_;
}

void VersionSystem::setLastError(quint32 code)
{
    lastError_ = code;
}

QString VersionSystem::errorMessage(quint32 code) const
{
    return verinfo::errorMessage(code);
}

void VersionSystem::showErrorDialog(const QString& text) const
{
    // Without a dialog installed by the program, the message must still be seen somewhere.
    qWarning().noquote() << text;
}

} // namespace verinfo

#endif
