#ifndef MODELSUMMARY_H
#define MODELSUMMARY_H

#include <QCoreApplication>
#include <QJsonObject>

class ConfigFile;

// What `cnf info` tells about one file, as a JSON object: the text output is
// printed from the same object, so both always agree.
class ModelSummary
{
    Q_DECLARE_TR_FUNCTIONS(ModelSummary)

public:
    static QJsonObject of(const ConfigFile& file);
    // The summary of a file that could not be read.
    static QJsonObject ofRejected(const ConfigFile& file);
    // The summary as indented lines for people.
    static QString toText(const QJsonObject& summary);
};

#endif
