#ifndef TIMELINECODEC_H
#define TIMELINECODEC_H

#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include <vector>

#include "CnfAddressTable.h"
#include "JsonAccess.h"

class CnfController;
class CnfProgram;
class CnfSignalGroup;

// The "sequences" form of a program's timeline, shared by the JSON formats
// and the project document: one entry per signal group,
// {"group": id or name, "sequence": [{"state": colour code, "point": second
// or "span": seconds after the previous step}, ...]}.
class TimelineCodec : private JsonAccess
{
    Q_DECLARE_TR_FUNCTIONS(TimelineCodec)

public:
    // Fills the timeline of `program` from `sequences` (found at `where` in
    // its document). On a broken entry the timeline is left as it was, false
    // is returned and the reason is stored in `error` when given.
    static bool decode(const CnfController& controller, CnfProgram& program, const Elements& sequences,
                       const QString& where, QString* error);

    // The controller's signal groups by position, taken once for encoding
    // the timelines of many programs; valid while the list is unchanged.
    class GroupOrder
    {
    public:
        explicit GroupOrder(const CnfController& controller);

        // A group of a timeline with its points.
        struct Entry
        {
            const CnfSignalGroup* group;
            const QMap<int, int>* points;
        };
        // The groups of `timeline` that the controller lists, with their
        // points, in the controller's order and as often as it lists them.
        // The timeline is read in place: neither its groups nor their points
        // are copied.
        std::vector<Entry> inListOrder(const QMap<QSharedPointer<CnfSignalGroup>, QMap<int, int>>& timeline) const;

    private:
        friend class TimelineCodec;
        QList<QSharedPointer<CnfSignalGroup>> m_listed;
        CnfAddressTable<int> m_positions;
        bool m_listedTwice = false;
    };

    // The "sequences" of `program`, groups in the controller's order, every
    // state change as a "point". Groups the controller does not list are left
    // out. False, with `error` set, for a state that has no colour code.
    static bool encode(const CnfController& controller, const CnfProgram& program, QVariantList* sequences,
                       QString* error);
    static bool encode(const GroupOrder& order, const CnfProgram& program, QVariantList* sequences, QString* error);

private:
    TimelineCodec(const CnfController& controller, CnfProgram& program);

    void decodeSequences(const Array& sequences);
    void decodeGroup(const QSharedPointer<CnfSignalGroup>& group, const QString& groupText, const Array& steps);
    static bool encodeGroup(const CnfProgram& program, const GroupOrder::Entry& entry, QVariantList* sequences,
                            QString* error);

    const CnfController& m_controller;
    CnfProgram& m_program;
};

#endif
