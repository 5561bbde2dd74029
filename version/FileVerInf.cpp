#include "FileVerInf.h"

#include "VersionErrors.h"

#include <QtEndian>

#include <array>

namespace {

constexpr std::array<QStringView, 12> kItemKeys = {
    u"Comments",         u"CompanyName", u"FileDescription", u"FileVersion",
    u"InternalName",     u"LegalCopyright", u"LegalTrademarks", u"OriginalFilename",
    u"ProductName",      u"ProductVersion", u"PrivateBuild",   u"SpecialBuild",
};

} // namespace

QStringView versionItemKey(VersionItem item)
{
    const auto index = static_cast<std::size_t>(item);
    return index < kItemKeys.size() ? kItemKeys[index] : QStringView();
}

TFileVersionInfo::BlockRelease::~BlockRelease()
{
    reader_.translation_.reset();
    reader_.block_.reset();
}

QString TFileVersionInfo::VerFileName() const
{
    return fileName_.isEmpty() ? system_.runningProgramFile() : fileName_;
}

void TFileVersionInfo::setVerFileName(const QString& fileName)
{
    if (fileName != fileName_)
        fileName_ = fileName;
}

quint32 TFileVersionInfo::QueryVerInfoSize()
{
    quint32 ignoredHandle = 0;
    return system_.fileVersionInfoSize(VerFileName(), ignoredHandle);
}

bool TFileVersionInfo::LoadVerInfoBlock(quint32 size)
{
    block_.emplace(qsizetype(size), '\0');
    return system_.fileVersionInfo(VerFileName(), *block_);
}

bool TFileVersionInfo::LoadTranslation()
{
    translation_.reset();
    const auto table = system_.queryBinary(*block_, QStringLiteral("\\VarFileInfo\\Translation"));
    // A table shorter than one entry has no first entry to read.
    if (!table || table->size() < 4) {
        system_.setLastError(verinfo::NoTranslation);
        return false;
    }
    translation_ = TLangAndCP{qFromLittleEndian<quint16>(table->constData()),
                              qFromLittleEndian<quint16>(table->constData() + 2)};
    langId_ = translation_->WLanguage;
    cpId_ = translation_->WCodePage;
    return true;
}

QString TFileVersionInfo::failureText(quint32 fallback)
{
    if (system_.lastError() == verinfo::NoError)
        system_.setLastError(fallback);
    return LastErrorText();
}

QString TFileVersionInfo::ReadStrVerFileItem(VersionItem item)
{
    cpId_ = 0;
    langId_ = 0;
    system_.setLastError(verinfo::NoError);
    const QStringView key = versionItemKey(item);
    if (key.isEmpty())
        return failureText(verinfo::InvalidParameter);

    const quint32 size = QueryVerInfoSize();
    if (size == 0)
        return failureText(verinfo::NoVersionInfo);

    const BlockRelease release(*this);
    if (!LoadVerInfoBlock(size))
        return failureText(verinfo::InvalidData);
    if (!LoadTranslation())
        throw VersionInfoError(LastErrorText());

    const QString path = QString::asprintf("\\StringFileInfo\\%04X%04X\\", unsigned(translation_->WLanguage),
                                           unsigned(translation_->WCodePage)) + key.toString();
    const auto value = system_.queryText(*block_, path);
    if (!value)
        return failureText(verinfo::KeyNotFound);
    return *value;
}

QString TFileVersionInfo::ReadStrVerFileLang()
{
    system_.setLastError(verinfo::NoError);
    const auto name = system_.languageName(langId_);
    return name ? *name : failureText(verinfo::InvalidParameter);
}

QString TFileVersionInfo::ReadStrVerFileCP()
{
    return system_.codePageName(cpId_);
}

QString TFileVersionInfo::LastErrorText(const QString& msg) const
{
    const quint32 code = system_.lastError();
    if (code == verinfo::NoError)
        return {};
    const QString text = system_.errorMessage(code);
    const QString number = QString::number(code);
    if (msg.isEmpty())
        return QStringLiteral("Error #%1 - %2").arg(number, text);
    const QString dialogText = QStringLiteral("%1\rCode: %2\rDesc: %3").arg(msg, number, text);
    if (errorDialog_)
        errorDialog_(dialogText);
    else
        system_.showErrorDialog(dialogText);
    return {};
}
