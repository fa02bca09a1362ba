#ifndef NORVAKIICONFIG_H
#define NORVAKIICONFIG_H

#include <QList>
#include <QMap>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QStringList>
#include <QVariant>

#include "CnfNative.h"
#include "cnf_export.h"

class CnfController;
class CnfProgram;
class NorvakIIConfigPrivate;

// The adapter of the second-generation controller: a JSON document,
// optionally preceded by a "#jcfg" header line.
class CNF_EXPORT NorvakIIConfig : public CnfNative
{
public:
    NorvakIIConfig();
    NorvakIIConfig(const NorvakIIConfig& other);
    NorvakIIConfig& operator=(const NorvakIIConfig& other);
    ~NorvakIIConfig() override;

    using CnfNative::load;
    bool load(const QByteArray& data) override;
    bool checkCRC() override;
    QByteArray save(CnfController& controller) override;
    bool createController(CnfController& controller) override;
    void initController(CnfController& controller) override;
    QByteArray createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program) override;
    QString version() override;

    // Fills the timeline of `program` from the "sequences" array of a plan:
    // one entry per signal group with its state changes. On a broken entry
    // the program's timeline is left as it was, false is returned and the
    // reason is stored in `error` when given.
    static bool loadTimelineData(CnfController& controller, QSharedPointer<CnfProgram> program,
                                 QList<QVariant> sequences, QString* error = nullptr);

    // The document printed in the layout of the format's key-order file, two
    // blanks per level.
    static QByteArray humanized(QMap<QString, QVariant> document);
    // `data` printed as the section of the document that `section` names
    // (for example {"schedule"}); empty when the key-order file has no such
    // section.
    static QByteArray humanizedSection(QMap<QString, QVariant> data, QStringList section);

private:
    QScopedPointer<NorvakIIConfigPrivate> d;
};

#endif
