#pragma once
#include "VersionSystem.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <stdexcept>

// One entry of a version block's translation table.
struct TLangAndCP {
    quint16 WLanguage = 0;
    quint16 WCodePage = 0;
};

// The twelve standard string values of a version block, in the order of the index table.
enum class VersionItem : int {
    Comments,
    CompanyName,
    FileDescription,
    FileVersion,
    InternalName,
    LegalCopyright,
    LegalTrademarks,
    OriginalFilename,
    ProductName,
    ProductVersion,
    PrivateBuild,
    SpecialBuild,
};

// The item's name in the string table; empty for a value outside the table.
QStringView versionItemKey(VersionItem item);

// Raised by a string read when the version information has no translation table: without one
// there is no string table to look in, and an error text would pass for the value.
class VersionInfoError : public std::runtime_error {
public:
    explicit VersionInfoError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// Reads the version information of a program file. Every string read opens the file's version
// block afresh and releases it before it returns; between reads only the file name and the
// translation of the last read are kept.
class TFileVersionInfo {
public:
    TFileVersionInfo() = default;
    ~TFileVersionInfo() = default;
    TFileVersionInfo(const TFileVersionInfo&) = delete;
    TFileVersionInfo& operator=(const TFileVersionInfo&) = delete;

    QString StrVerFileCP() { return ReadStrVerFileCP(); }
    QString StrVerFileLang() { return ReadStrVerFileLang(); }
    QString StrVerFileComments() { return ReadStrVerFileItem(VersionItem::Comments); }
    QString StrVerFileCompanyName() { return ReadStrVerFileItem(VersionItem::CompanyName); }
    QString StrVerFileDescription() { return ReadStrVerFileItem(VersionItem::FileDescription); }
    QString StrVerFileVersion() { return ReadStrVerFileItem(VersionItem::FileVersion); }
    QString StrVerFileInternalName() { return ReadStrVerFileItem(VersionItem::InternalName); }
    QString StrVerFileCopyright() { return ReadStrVerFileItem(VersionItem::LegalCopyright); }
    QString StrVerFileTrademarks() { return ReadStrVerFileItem(VersionItem::LegalTrademarks); }
    QString StrVerFileOriginalFilename() { return ReadStrVerFileItem(VersionItem::OriginalFilename); }
    QString StrVerFileProductName() { return ReadStrVerFileItem(VersionItem::ProductName); }
    QString StrVerFileProductVersion() { return ReadStrVerFileItem(VersionItem::ProductVersion); }
    QString StrVerFilePrivateBuild() { return ReadStrVerFileItem(VersionItem::PrivateBuild); }
    QString StrVerFileSpecialBuild() { return ReadStrVerFileItem(VersionItem::SpecialBuild); }

    // Code page and language of the translation the last string read used; 0 before any read
    // and after a read that found no version information.
    quint32 VerFileCPID() const { return cpId_; }
    quint32 VerFileLangID() const { return langId_; }

    // The file to read; empty means the running program file.
    QString VerFileName() const;
    void setVerFileName(const QString& fileName);

    // The value of one string item, or the error text when it cannot be read. Raises
    // VersionInfoError when the block has no translation table.
    QString ReadStrVerFileItem(VersionItem item);
    QString ReadStrVerFileLang();
    QString ReadStrVerFileCP();

    // "Error #<code> - <text>" for the last error, empty when there is none. With a message the
    // error is shown in the error dialog instead ("<msg>\rCode: <code>\rDesc: <text>") and the
    // result is empty.
    QString LastErrorText(const QString& msg = {}) const;

    // The program's modal error dialog; without one the system's own is used.
    void setErrorDialog(std::function<void(const QString& text)> dialog) { errorDialog_ = std::move(dialog); }

    // A block is held only while a read runs.
    bool holdsVersionBlock() const { return block_.has_value(); }

private:
    // Releases the block on every way out of a read, a raised error included.
    class BlockRelease {
    public:
        explicit BlockRelease(TFileVersionInfo& reader) : reader_(reader) {}
        ~BlockRelease();
        BlockRelease(const BlockRelease&) = delete;
        BlockRelease& operator=(const BlockRelease&) = delete;

    private:
        TFileVersionInfo& reader_;
    };

    quint32 QueryVerInfoSize();
    bool LoadVerInfoBlock(quint32 size);
    bool LoadTranslation();
    // The error text of a failed step; `fallback` names the failure when the system gave no code.
    QString failureText(quint32 fallback);

    QString fileName_;
    std::optional<QByteArray> block_;
    std::optional<TLangAndCP> translation_;
    quint32 cpId_ = 0;
    quint32 langId_ = 0;
    std::function<void(const QString&)> errorDialog_;
    verinfo::VersionSystem system_;
};
