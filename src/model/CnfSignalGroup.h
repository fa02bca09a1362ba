#ifndef CNFSIGNALGROUP_H
#define CNFSIGNALGROUP_H

#include <QList>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QWeakPointer>

#include "CnfInterstate.h"
#include "CnfSGTimes.h"
#include "cnf_export.h"

class CnfPowerDevice;

// A set of signal heads that always show the same aspect. Timing overrides
// ("amber", "redAmber", "greenBlink", "extGreen1", "extGreen2", "extRed")
// are dynamic properties.
class CNF_EXPORT CnfSignalGroup : public QObject
{
public:
    // Any non-negative value is a type; the values above TypeNotSet have no
    // name of their own.
    enum Type : int {
        Transport = 0,
        Pedestrian = 1,
        Arrow = 2,
        Table = 3,
        AlwaysOn = 4,
        Tram = 5,
        TypeNotSet = 6,
    };

    enum ColorState {
        Green = 0,
        GreenBlink = 1,
        Amber = 2,
        Red = 3,
        RedAmber = 4,
        NoColor = 5,
    };

    enum SGState {
        StayRed = 0,
        StayGreen = 1,
        Clearing = 2,
        Entering = 3,
    };

    CnfSignalGroup();
    ~CnfSignalGroup() override;

    Type getType() const { return type; }
    // Changes the type; a type without yellow clears the yellow timings of
    // the group's own entries and of a copy of its intergreen record.
    void setType(Type t);

    // Effective timings in seconds for an intergreen variant: the group's
    // own entry, its record, its properties or its default group's.
    int yellow(int variant) const;
    int redYellow(int variant) const;
    int greenBlink(int variant) const;
    // Extension timings in seconds.
    int extGreen1() const;
    int extGreen2() const;
    int extRed() const;

    QSharedPointer<CnfSignalGroup> defaultSignalGroup() const;
    // The template whose timings this group inherits (spelled "Defaul").
    void setDefaulSignalGroup(QSharedPointer<CnfSignalGroup> g);

    // Text for display.
    QString friendlyName() const;

    // Adds the device unless the same object is assigned.
    void assignDevice(QSharedPointer<CnfPowerDevice> d);
    // Removes every reference to the same device object.
    void unassignDevice(QSharedPointer<CnfPowerDevice> d);

    // The text code, or when `human` the (short, when `brief`) translated label;
    // unknown types give codes that string2Type reads back.
    static QString type2String(Type t, bool human, bool brief);
    // The type of a text code, compared exactly; TypeNotSet when unknown.
    static Type string2Type(const QString& code);
    static QString colorState2String(ColorState s);
    static ColorState string2ColorState(const QString& code);

    int id = 0;
    QString name;
    QSharedPointer<CnfInterstate> interstate;
    QMap<int, CnfSGTimes> variantTimes;
    QList<QSharedPointer<CnfPowerDevice>> devices;
    QList<int> detectors;
    Type type = TypeNotSet;

private:
    Q_DISABLE_COPY(CnfSignalGroup)

    // A group may be its own template (the listed default group of a
    // controller); that link is held weakly so that it cannot keep the group
    // alive.
    QSharedPointer<CnfSignalGroup> m_defaultGroup;
    QWeakPointer<CnfSignalGroup> m_selfDefault;
};

#endif
