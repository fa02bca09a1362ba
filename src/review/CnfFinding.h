#ifndef FINDING_H
#define FINDING_H

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>

// One problem that `cnf check` reports: a stable short code for scripts, a
// severity, a sentence for people and the model elements involved.
struct Finding {
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

    static QString severityName(Severity severity);
    QJsonObject toJson() const;
};

#endif
