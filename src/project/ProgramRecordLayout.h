#ifndef PROGRAMRECORDLAYOUT_H
#define PROGRAMRECORDLAYOUT_H

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

class QDomDocument;
class QDomElement;

// One field of a program record as its layout document describes it, with
// everything the decoder asks of it worked out in advance.
struct ProgramRecordField
{
    enum List {
        NoList,
        PhaseById, // "phases": the byte is a phase number
        PhaseByPosition, // "indexof(phases)": the byte is a position in the phase list
    };

    QString type; // the "type" attribute, for messages
    bool typeValid = true;
    bool array = false;
    qint64 count = 1; // entries of an array
    qint64 size = 0; // bytes the field takes; -1 when a type in it does not parse
    List list = NoList;
    QString id;
    QString phase; // the id of the phase field whose duration this is
    std::optional<int> emptyValue;
    bool mainPhase = false; // id "com_phase…"
    bool callPhase = false; // id "call_phase…"
    bool cycleOffset = false; // named "Сдвиг цикла…"
    std::vector<ProgramRecordField> entry; // the fields of one array entry
};

// The program chapter of a layout document in a form that is cheap to walk:
// per algorithm, its fields in document order. Built once per document, then
// only read, so that one instance can serve any number of threads.
class ProgramRecordLayout
{
public:
    using Fields = std::vector<ProgramRecordField>;

    ProgramRecordLayout() = default;
    // Takes the first "Type" of each algorithm id in the "programs" chapter.
    explicit ProgramRecordLayout(const QDomDocument& layout);

    // The fields of `algorithm`; null when the layout has no description of
    // it or the description has no fields.
    const Fields* fields(int algorithm) const;

private:
    static Fields fieldsOf(const QDomElement& parent);
    static ProgramRecordField fieldOf(const QDomElement& element);

    QHash<int, Fields> m_algorithms;
};

// The layout of the raw program records of 3.x firmware `version` ("3.18"):
// parsed and compiled once per process, safe to use from any thread. Empty,
// describing no algorithm, when the version has no layout.
const ProgramRecordLayout& cnfNorvakRecordLayout(const QString& version);

#endif
