#ifndef CNFFORMAT_H
#define CNFFORMAT_H

#include <QFlags>
#include <QSharedPointer>
#include <QString>

#include "cnf_export.h"

class CnfNative;

// The description of one configuration format the library knows: its name on
// the command line, the "type" and "version" codes it stamps on a
// controller, what it can do and the limits a controller of it must keep.
// The formats themselves are listed by CnfFormatRegistry; a default
// constructed CnfFormat is invalid and stands for "no such format".
class CNF_EXPORT CnfFormat
{
public:
    enum Capability {
        Detect = 0x1, // recognised among unknown bytes
        Read = 0x2, // fills a controller
        Write = 0x4, // writes a controller
        DynamicPrograms = 0x8, // builds the image of one program for a running controller
        Checksum = 0x10, // files carry an integrity value (checksum, digest)
    };
    Q_DECLARE_FLAGS(Capabilities, Capability)

    // The layout document that decodes the format's raw program records.
    enum RecordLayout {
        NorvakLayout, // the 3.x layout of the controller's "version"
        AdapterLayout, // the layout of the communication adapter
        NoLayout, // the format keeps no raw program records
    };

    // What a controller of the format may hold; reported by CnfController::getMax*.
    struct Limits
    {
        int phases = 65535;
        int programs = 65535;
        int dayCards = 65535;
        int specialDays = 65535;
        int dayCardItems = 65535; // records of one daily card
        int devices = 65535;
        int signalGroups = 65535;
    };

    using Factory = QSharedPointer<CnfNative> (*)();

    CnfFormat() = default;
    // A format entry; `description` is a source text translated in the context "CnfFormat".
    CnfFormat(const QString& name, const char* description, const QString& typeCode, const QString& versionCode,
              Capabilities capabilities, Factory factory, RecordLayout recordLayout, const Limits& limits);

    bool isValid() const { return !m_name.isEmpty(); }
    // Whether the format is a native one (has a "type" code), as opposed to the project document.
    bool isNative() const { return !m_typeCode.isEmpty(); }
    bool can(Capability capability) const { return m_capabilities.testFlag(capability); }
    // Whether this build has an adapter for the format.
    bool hasAdapter() const { return m_factory != nullptr; }

    // "project", "3.18", "norvakii", ...
    QString name() const { return m_name; }
    // A short translated description for people, e.g. "firmware 3.18 image".
    QString description() const;
    // The controller's "type" code; empty for the project document.
    QString typeCode() const { return m_typeCode; }
    // The controller's "version" code; empty when the format has none.
    QString versionCode() const { return m_versionCode; }
    Capabilities capabilities() const { return m_capabilities; }
    RecordLayout recordLayout() const { return m_recordLayout; }
    Limits limits() const { return m_limits; }
    // A fresh adapter of the format; null for the project document and for a
    // type this build has no adapter for.
    QSharedPointer<CnfNative> createAdapter() const;

private:
    QString m_name;
    const char* m_description = nullptr;
    QString m_typeCode;
    QString m_versionCode;
    Capabilities m_capabilities;
    Factory m_factory = nullptr;
    RecordLayout m_recordLayout = NorvakLayout;
    Limits m_limits;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CnfFormat::Capabilities)

#endif
