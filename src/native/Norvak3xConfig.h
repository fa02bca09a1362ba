#ifndef NORVAK3XCONFIG_H
#define NORVAK3XCONFIG_H

#include <QScopedPointer>

#include "CnfNative.h"

struct Norvak3xLayout;
class Norvak3xConfigPrivate;

// The adapter of the binary configuration images of firmware 3.x. Every
// version is this one class driven by its own layout description.
class Norvak3xConfig : public CnfNative
{
public:
    ~Norvak3xConfig() override;

    using CnfNative::load;
    bool load(const QByteArray& data) override;
    bool checkCRC() override;
    QByteArray save(CnfController& controller) override;
    bool createController(CnfController& controller) override;
    void initController(CnfController& controller) override;
    QByteArray createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program) override;
    QString version() override;

protected:
    explicit Norvak3xConfig(const Norvak3xLayout& layout);

private:
    Q_DISABLE_COPY(Norvak3xConfig)
    QScopedPointer<Norvak3xConfigPrivate> d;
};

#endif
