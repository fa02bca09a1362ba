#ifndef CNFFINDING_H
#define CNFFINDING_H

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

#include "cnf_export.h"

// One problem found in a configuration: a stable short code for scripts
// ("conflicting-greens", "dangling-reference", ...), a severity, a sentence
// for people and the model elements involved.
struct CNF_EXPORT CnfFinding {
    enum Severity {
        Warning,
        Error,
    };

    // An element of the model, as kind ("signalGroup", "phase", "program",
    // "dayCard", ...) and id.
    using Element = QPair<QString, QString>;

    QString code;
    Severity severity = Error;
    QString message;
    QList<Element> elements;

    // "error" or "warning".
    static QString severityName(Severity severity);
    // The finding as {"code", "severity", "message", "elements": [{"kind", "id"}]}.
    QJsonObject toJson() const;
};

#endif
