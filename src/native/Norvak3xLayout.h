#ifndef NORVAK3XLAYOUT_H
#define NORVAK3XLAYOUT_H

#include <QString>
#include <QVector>

#include <array>

// The chapters of a 3.x configuration image, in the order in which they
// follow each other. A version that lacks a chapter leaves it out of its
// image; the others keep this order.
enum class Norvak3xSection {
    Title,
    Power,
    Info,
    SignalGroups,
    Conflicts,
    Intergreens,
    Phases,
    Programs,
    DayCards,
    Week,
    SpecialDays,
    RemotePanel,
    CentralControl,
    ErrorControl,
    StartUp,
    Statistics,
    Countdown,
    Synchronizer,
    Derived,
};
constexpr int Norvak3xSectionKinds = int(Norvak3xSection::Derived) + 1;

// How a chapter is stored.
enum class Norvak3xShape {
    Absent, // the version has no such chapter
    Counted, // count byte, record size byte, records
    Fixed, // a block of known size
    Indexed, // element count, one offset byte per element, elements
    Derived, // computed by the writer, never read
};

struct Norvak3xSectionShape
{
    Norvak3xShape shape = Norvak3xShape::Absent;
    // Counted: record size; Fixed: block size; Indexed: element count.
    int size = 0;
};

// How a one-byte setting becomes native data and back.
enum class Norvak3xValue {
    Byte, // 255 is not set, any other value an int
    Flag, // a bool, true exactly when the byte is 1; written as 1 or 0
    NonZero, // like Byte, but 0 is not set either
};

// The kinds of error the controller watches, by meaning; each version
// stores a subset of them in its own order.
enum Norvak3xErrorKind {
    GreenConflict,
    RedControl,
    LoadShortCircuit,
    CableShort,
    SilentDevices,
    OtherErrors,
};

struct Norvak3xField
{
    int offset;
    QString key; // made once with the layout, not per read or write
    Norvak3xValue kind;
};

// Byte positions inside the remote control panel record; -1 where the
// version has no such field.
struct Norvak3xRemotePanel
{
    int allowedInactivity = -1;
    int useKey = -1;
    int interstateVariant = -1;
    int phases = -1;
    int phaseCount = 0;
    int requests = -1;
    int requestCount = 0;
    int programs = -1;
    int programCount = 0;
};

// The statistics record: some periods, then detector numbers, either as
// `groupCount` lists of `groupSize` or, with `groupCount` 0, one flat list of
// `groupSize`.
struct Norvak3xStatistics
{
    QVector<Norvak3xField> periods;
    int listOffset = 0;
    const char* listKey = "";
    int groupCount = 0;
    int groupSize = 0;
};

// Everything that tells one firmware version of the 3.x family from another:
// which chapters its image holds, the size and field positions of their
// records, the native data keys and the limits the writer checks. One reader
// and one writer serve every version from this description.
class ProgramRecordLayout;

struct Norvak3xLayout
{
    int number = 0; // the version word, e.g. 318
    QString versionText; // e.g. "3.18"
    int interstateVariantCount = 0;
    std::array<Norvak3xSectionShape, Norvak3xSectionKinds> sections;
    // Where the version word lies: for an indexed title the element number,
    // for a fixed title the byte offset.
    int versionPosition = 0;

    QVector<Norvak3xField> info;
    int groupDetectorCount = 0; // detector bytes after number and type
    Norvak3xRemotePanel remotePanel;
    QVector<Norvak3xField> centralControl;
    QVector<Norvak3xField> startUp;
    Norvak3xStatistics statistics;
    QVector<Norvak3xField> countdown; // fields after the group index byte
    // The error kinds a record holds, in their order (see Norvak3xErrorKind).
    QVector<int> errorKindOrder;

    int minSignalGroups = 2;
    int maxDevicesPerGroup = 4;
    int maxPhases = 16;
    int maxPrograms = 16;
    int maxDayCards = 16;
    int maxWeekCards = 1;
    int maxSpecialDays = 16;
    int maxCountdown = 16;

    const Norvak3xSectionShape& shape(Norvak3xSection s) const { return sections[size_t(s)]; }
    int recordSize(Norvak3xSection s) const { return shape(s).size; }
    bool has(Norvak3xSection s) const { return shape(s).shape != Norvak3xShape::Absent; }
    // Position of the chapter in the image's section table, -1 when absent.
    int sectionIndex(Norvak3xSection s) const;
    int sectionCount() const;

    // Derived sizes.
    int maxSignalGroups() const { return recordSize(Norvak3xSection::Conflicts) - 1; }
    int groupKeyOffset() const { return 2 + groupDetectorCount; }
    int phaseGroupSlots() const { return recordSize(Norvak3xSection::Phases) - 3; }
    int storedVariants() const { return (recordSize(Norvak3xSection::Intergreens) - 1) / 6; }
    int dayCardEntrySize() const { return (recordSize(Norvak3xSection::DayCards) - 1) / dayCardEntries; }
    bool dayCardHasReserve() const { return dayCardEntrySize() >= 4; }
    int errorKinds() const { return errorKindOrder.size(); }
    bool hasFixedTitle() const { return shape(Norvak3xSection::Title).shape == Norvak3xShape::Fixed; }

    static constexpr int dayCardEntries = 7;
    static constexpr int powerEntries = 128;
    static constexpr int keysPerGroup = 4;

    static const Norvak3xLayout& v314();
    static const Norvak3xLayout& v315();
    static const Norvak3xLayout& v316();
    static const Norvak3xLayout& v317();
    static const Norvak3xLayout& v318();
    // The layout of a version text such as "3.16"; null when none.
    static const Norvak3xLayout* forVersion(const QString& versionText);

    // The program records of the version as its layout document describes
    // them; read once per process.
    const ProgramRecordLayout& programLayout() const;

    // A name of the chapter for messages.
    static QString sectionName(Norvak3xSection s);
};

#endif
