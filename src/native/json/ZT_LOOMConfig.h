#ifndef ZT_LOOMCONFIG_H
#define ZT_LOOMCONFIG_H

#include <QMap>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QStringList>
#include <QVariant>

#include "CnfNative.h"
#include "cnf_export.h"

class CnfController;
class CnfProgram;
class ZT_LOOMConfigPrivate;

// The adapter of the ZT_LOOM controller family: one JSON document whose root
// "type" is "ZT_LOOM".
class CNF_EXPORT ZT_LOOMConfig : public CnfNative
{
public:
    ZT_LOOMConfig();
    ZT_LOOMConfig(const ZT_LOOMConfig& other);
    ZT_LOOMConfig& operator=(const ZT_LOOMConfig& other);
    ~ZT_LOOMConfig() override;

    using CnfNative::load;
    // Takes a JSON object whose first "type" in the text is the root key
    // with the value "ZT_LOOM"; false without a message for anything else,
    // false with "JSON parse error at %1: %2" for broken JSON.
    bool load(const QByteArray& data) override;
    bool checkCRC() override;
    QByteArray save(CnfController& controller) override;
    bool createController(CnfController& controller) override;
    void initController(CnfController& controller) override;
    // Not supported by this family: always empty, with "Not supported yet".
    QByteArray createDynamicProgram(CnfController& controller, QSharedPointer<CnfProgram> program) override;
    QString version() override;

    // The document printed in the layout of the format's key-order file, two
    // blanks per level; empty, with the reason in `error` when given, when
    // the key-order file cannot be read.
    static QByteArray humanized(QMap<QString, QVariant> document, QString* error = nullptr);
    // `data` printed as the section of the document that `section` names
    // (for example {"scheduler"}); empty when the key-order file has no such
    // section.
    static QByteArray humanizedSection(QMap<QString, QVariant> data, QStringList section);

private:
    QScopedPointer<ZT_LOOMConfigPrivate> d;
};

#endif
