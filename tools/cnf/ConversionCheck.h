#ifndef CONVERSIONCHECK_H
#define CONVERSIONCHECK_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include "LossReport.h"

class CnfController;
class ConfigFile;

// The checks around a conversion: whether the source may be passed on at
// all, and what the written output lost.
class ConversionCheck
{
    Q_DECLARE_TR_FUNCTIONS(ConversionCheck)

public:
    // Why the source is not fit to be passed on, one sentence: its checksum
    // does not match, or the safety review finds an error. Empty when fit.
    static QString sourceProblem(const ConfigFile& source);

    // Reads `output` back and compares it with `written`, the model it was
    // written from. False with `error` set when the output cannot be read.
    static bool readBack(const QByteArray& output, const CnfController& written, LossReport* report, QString* error);
};

#endif
