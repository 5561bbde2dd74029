// A program file whose version information we read for the caption: the locator on the file as
// an ELF or PE image, the block parser on what it finds and on the raw bytes, and the reader
// that the window uses, on the same bytes as a file.
#include "FuzzCheck.h"
#include "FileVerInf.h"
#include "VersionBlock.h"
#include "VersionImage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>

namespace {

// A query names a node by the keys on its way from the root and takes the first child of each
// name (compared without case). Every node that such a path can name is found by it, itself.
bool nameable(const QString& key)
{
    return !key.isEmpty() && !key.contains(u'\\');
}

void checkTree(const verinfo::VersionNode& root, const verinfo::VersionNode& node, const QString& path, int depth)
{
    require(depth < 64, "a version tree deeper than its bytes allow");
    (void)node.text();
    if (!path.isEmpty())
        require(verinfo::findSubBlock(root, path) == &node, "a node is not found by its own path");
    for (std::size_t i = 0; i < node.children.size(); ++i) {
        const verinfo::VersionNode& child = node.children[i];
        bool first = true;
        for (std::size_t k = 0; k < i && first; ++k)
            first = node.children[k].key.compare(child.key, Qt::CaseInsensitive) != 0;
        if (first && nameable(child.key))
            checkTree(root, child, path + u'\\' + child.key, depth + 1);
    }
}

void checkBlock(QByteArrayView bytes)
{
    const std::optional<verinfo::VersionNode> root = verinfo::parseVersionBlock(bytes);
    if (!root)
        return;
    require(verinfo::findSubBlock(*root, u"\\") == &*root, "the root is not found as \\");
    checkTree(*root, *root, QString(), 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, std::size_t size)
{
    static const QTemporaryDir folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    checkBlock(bytes);
    const verinfo::LocatedBlock located = verinfo::locateVersionBlock(verinfo::BufferSource(bytes));
    if (located.error == 0) {
        require(located.block.size() >= 2 && qFromLittleEndian<quint16>(located.block.constData()) == located.block.size(),
                "the located block is not exactly its root's length");
        checkBlock(located.block);
    } else {
        require(located.block.isEmpty(), "an error with a block");
    }

    const QString path = folder.filePath(QStringLiteral("program"));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the program file");
        file.write(bytes);
    }
    TFileVersionInfo info;
    info.setVerFileName(path);
    info.setErrorDialog([](const QString&) {});
    try {
        (void)info.ReadStrVerFileItem(VersionItem(int(size % 12)));
        (void)info.StrVerFileLang();
        (void)info.StrVerFileCP();
    } catch (const VersionInfoError&) {
        // No translation table: the reader says so by raising this.
    }
    require(!info.holdsVersionBlock(), "a read kept the version block");
    return 0;
}
