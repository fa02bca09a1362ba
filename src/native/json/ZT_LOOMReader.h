#ifndef ZT_LOOMREADER_H
#define ZT_LOOMREADER_H

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QVariant>

#include "JsonModelReader.h"

class CnfController;

// Builds a CnfController from a parsed ZT_LOOM document.
//
// The configuration version is checked first; then the sections are read in
// dependency order (input channels, detectors, groups, stages, matrices,
// plans, scheduler, switches). The first fatal finding stops the reading,
// clears the controller and is kept as the error text. Root keys that no
// section consumes are kept as native data.
class ZT_LOOMReader : private JsonModelReader
{
    Q_DECLARE_TR_FUNCTIONS(ZT_LOOMReader)

public:
    ZT_LOOMReader(const Members& document, CnfController& controller);

    bool read();
    using JsonModelReader::errorString;

private:
    void checkVersion();
    void readInputChannels();
    void readDetectors();
    void readSignalGroups();
    void readMatrices();
    void readScheduler();
    void readSwitches();
    void readSwitch(const Object& item, int position, const Object& defaults);
    void setControllerProperties();

    // The input channel of each detector named by "DIO1", by id and by name.
    QHash<int, int> m_channelById;
    QHash<QString, int> m_channelByName;
};

#endif
