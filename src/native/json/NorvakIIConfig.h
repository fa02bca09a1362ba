#ifndef NORVAKIICONFIG_H
#define NORVAKIICONFIG_H

#include <QList>
#include <QScopedPointer>
#include <QSharedPointer>
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

private:
    QScopedPointer<NorvakIIConfigPrivate> d;
};

#endif
