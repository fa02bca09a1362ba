#ifndef ZT_LOOMWRITER_H
#define ZT_LOOMWRITER_H

#include <QCoreApplication>
#include <QStringList>
#include <QVariant>

#include "JsonModelWriter.h"

class CnfController;

// Builds the ZT_LOOM document of a CnfController.
//
// The sections the reader consumes are rebuilt from the model, unnamed
// elements getting default names; everything else comes from the
// controller's native data. The switch list is rebuilt from the power
// devices and stored back, together with the controller's number and
// description, only when the document can be written. What the reader would
// refuse is refused here with a message naming the element.
class ZT_LOOMWriter : public JsonModelWriter
{
    Q_DECLARE_TR_FUNCTIONS(ZT_LOOMWriter)

public:
    explicit ZT_LOOMWriter(CnfController& controller);

    // The document of the controller; false, with errorString(), when the
    // model holds what the format cannot carry.
    bool write(QVariantMap* document);

private:
    QVariantMap switches();
    QVariant signalGroups();
    QVariant matrices();
    QStringList keysBeforeType() const;
    void storeNativeData(const QVariantMap& switches);
};

#endif
