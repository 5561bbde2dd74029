#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// What the version reader asks of the operating system. Windows answers with its version API;
// elsewhere our own parser and tables answer, and the last error is kept here instead of in
// the thread. A failing call sets the last error; a succeeding one leaves it alone.
namespace verinfo {

class VersionSystem {
public:
    // Size of the file's version block, 0 when there is none.
    quint32 fileVersionInfoSize(const QString& fileName, quint32& handle);
    // Fills `block`, already sized by fileVersionInfoSize, from the file.
    bool fileVersionInfo(const QString& fileName, QByteArray& block);
    // The text or the bytes under a sub-block path; none when the path is not in the block.
    std::optional<QString> queryText(const QByteArray& block, const QString& subBlock);
    std::optional<QByteArray> queryBinary(const QByteArray& block, const QString& subBlock);

    std::optional<QString> languageName(quint32 languageId);
    QString codePageName(quint32 codePage);
    QString runningProgramFile() const;

    quint32 lastError() const;
    void setLastError(quint32 code);
    QString errorMessage(quint32 code) const;
    void showErrorDialog(const QString& text) const;

private:
#ifndef Q_OS_WIN
    quint32 lastError_ = 0;
#endif
};

} // namespace verinfo
