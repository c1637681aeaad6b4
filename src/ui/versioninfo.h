#pragma once

#include <QObject>
#include <QString>

#include <array>

namespace tovra {

enum class TVersionType {
    vtCompanyName,
    vtFileDescription,
    vtFileVersion,
    vtInternalName,
    vtLegalCopyright,
    vtLegalTradeMark,
    vtOriginalFileName,
    vtProductName,
    vtProductVersion,
    vtComments,
};

// Reads the program's version strings once, when created, from the version table built into the
// executable (a string table for language 0409, code page 04E4, under the same keys a Windows
// version resource uses). A build without the table, or a table of another language or code
// page, gives empty texts.
class TrpVersionInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString CompanyName READ CompanyName CONSTANT)
    Q_PROPERTY(QString FileDescription READ FileDescription CONSTANT)
    Q_PROPERTY(QString FileVersion READ FileVersion CONSTANT)
    Q_PROPERTY(QString InternalName READ InternalName CONSTANT)
    Q_PROPERTY(QString LegalCopyright READ LegalCopyright CONSTANT)
    Q_PROPERTY(QString LegalTradeMark READ LegalTradeMark CONSTANT)
    Q_PROPERTY(QString OriginalFileName READ OriginalFileName CONSTANT)
    Q_PROPERTY(QString ProductName READ ProductName CONSTANT)
    Q_PROPERTY(QString ProductVersion READ ProductVersion CONSTANT)
    Q_PROPERTY(QString Comments READ Comments CONSTANT)
public:
    static constexpr const char *BuiltInTable = ":/tovra/versioninfo.txt";

    explicit TrpVersionInfo(QObject *owner = nullptr, const QString &tablePath = QString::fromLatin1(BuiltInTable));

    QString CompanyName() const { return GetVersionString(TVersionType::vtCompanyName); }
    QString FileDescription() const { return GetVersionString(TVersionType::vtFileDescription); }
    QString FileVersion() const { return GetVersionString(TVersionType::vtFileVersion); }
    QString InternalName() const { return GetVersionString(TVersionType::vtInternalName); }
    QString LegalCopyright() const { return GetVersionString(TVersionType::vtLegalCopyright); }
    QString LegalTradeMark() const { return GetVersionString(TVersionType::vtLegalTradeMark); }
    QString OriginalFileName() const { return GetVersionString(TVersionType::vtOriginalFileName); }
    QString ProductName() const { return GetVersionString(TVersionType::vtProductName); }
    QString ProductVersion() const { return GetVersionString(TVersionType::vtProductVersion); }
    QString Comments() const { return GetVersionString(TVersionType::vtComments); }

protected:
    virtual QString GetVersionString(TVersionType item) const;
    virtual void ReadVersionInfo(const QString &tablePath);

private:
    std::array<QString, 10> FVersionInfo;
};

} // namespace tovra
