#ifndef ADAPTERCONFIG_H
#define ADAPTERCONFIG_H

#include <QScopedPointer>
#include <QSharedPointer>

#include "CnfNative.h"
#include "cnf_export.h"

class CnfController;
class CnfProgram;
class AdapterConfigPrivate;

// The adapter of controllers configured through a communication adapter:
// a line-oriented text in the Windows-1251 code page, "BEGIN:" … "END.",
// stamped with an "MD4=" checksum line.
class CNF_EXPORT AdapterConfig : public CnfNative
{
public:
    AdapterConfig();
    AdapterConfig(const AdapterConfig& other);
    AdapterConfig(AdapterConfig&& other) noexcept;
    AdapterConfig& operator=(const AdapterConfig& other);
    AdapterConfig& operator=(AdapterConfig&& other) noexcept;
    ~AdapterConfig() override;

    // Keeps `data` and tells whether it holds a "BEGIN:" line followed by an "END." line.
    bool load(const QByteArray& data) override;
    using CnfNative::load;
    // True when the "MD4=" line matches the item lines, or when there is no such line.
    bool checkCRC() override;
    // The whole text configuration of `controller`; empty on failure, with lastError() set.
    QByteArray save(CnfController& controller) override;
    // Clears `controller` and fills it from the loaded text; false with lastError() set on failure.
    bool createController(CnfController& controller) override;
    // Does nothing: the text format has no defaults to put in.
    void initController(CnfController& controller) override;
    // The 62-byte record of `program` (or of the first program), carrying phase numbers; empty on failure.
    QByteArray createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program) override;
    // Always "adapter".
    QString version() override;

private:
    QScopedPointer<AdapterConfigPrivate> d;
};

#endif
