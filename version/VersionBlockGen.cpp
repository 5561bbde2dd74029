// Build step: turns a program's version facts into a C source file that places the version block
// in the program file's version section.
//
//   quelta_version_gen <facts file> <output .c file>
//
// The facts file has one fact per line:
//   version 1.0.0.1
//   translation 0809 04E4
//   string CompanyName Orvane
#include "VersionBlockWriter.h"
#include "VersionSection.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString& text)
{
    std::fprintf(stderr, "quelta_version_gen: %s\n", qPrintable(text));
    return 1;
}

bool readFacts(const QString& fileName, verinfo::VersionFacts& facts, QString& error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1").arg(fileName);
        return false;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString line = in.readLine();
        const QString kind = line.section(u' ', 0, 0);
        const QString rest = line.section(u' ', 1);
        if (line.trimmed().isEmpty())
            continue;
        if (kind == u"version") {
            facts.fileVersion = verinfo::versionNumbers(rest.trimmed());
            facts.productVersion = facts.fileVersion;
        } else if (kind == u"translation") {
            bool languageOk = false;
            bool codePageOk = false;
            facts.language = rest.section(u' ', 0, 0).toUShort(&languageOk, 16);
            facts.codePage = rest.section(u' ', 1, 1).toUShort(&codePageOk, 16);
            if (!languageOk || !codePageOk) {
                error = QStringLiteral("%1:%2: bad translation").arg(fileName).arg(number);
                return false;
            }
        } else if (kind == u"string" && !rest.section(u' ', 0, 0).isEmpty()) {
            facts.strings.emplace_back(rest.section(u' ', 0, 0), rest.section(u' ', 1));
        } else {
            error = QStringLiteral("%1:%2: unknown fact").arg(fileName).arg(number);
            return false;
        }
    }
    return true;
}

QByteArray cSource(const QByteArray& block)
{
    QByteArray out = "/* Written by quelta_version_gen; do not edit. */\n"
                     "/* 'used' keeps the block from the compiler, 'retain' from the linker's --gc-sections. */\n"
                     "#ifdef __has_attribute\n"
                     "#if __has_attribute(retain)\n"
                     "#define QUELTA_VERSION_KEEP __attribute__((retain))\n"
                     "#endif\n"
                     "#endif\n"
                     "#ifndef QUELTA_VERSION_KEEP\n"
                     "#define QUELTA_VERSION_KEEP\n"
                     "#endif\n";
    out += "QUELTA_VERSION_KEEP __attribute__((section(\"" + QByteArray(verinfo::kVersionSectionName) +
           "\"), used, aligned(4)))\n";
    out += "static const unsigned char quelta_version_block[" + QByteArray::number(block.size()) + "] = {";
    for (qsizetype i = 0; i < block.size(); ++i) {
        out += i % 16 == 0 ? "\n    " : " ";
        out += "0x" + QByteArray::number(static_cast<unsigned char>(block[i]), 16).rightJustified(2, '0') + ",";
    }
    out += "\n};\n";
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return fail(QStringLiteral("usage: quelta_version_gen <facts file> <output .c file>"));
    verinfo::VersionFacts facts;
    QString error;
    if (!readFacts(QString::fromLocal8Bit(argv[1]), facts, error))
        return fail(error);
    const QByteArray block = verinfo::serializeBlock(verinfo::versionInfo(facts));
    if (block.size() > 0xFFFF)
        return fail(QStringLiteral("the version block is larger than 65535 bytes"));

    const QString outName = QString::fromLocal8Bit(argv[2]);
    QFile out(outName);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(cSource(block)) < 0 || !out.flush())
        return fail(QStringLiteral("cannot write %1").arg(outName));
    return 0;
}
