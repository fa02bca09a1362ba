#include "ConversionCheck.h"

#include <QTemporaryFile>

#include "CnfControllerDiff.h"
#include "ConfigFile.h"
#include "CnfSafetyReview.h"

QString ConversionCheck::sourceProblem(const ConfigFile& source)
{
    if (source.checksum() == ConfigFile::ChecksumInvalid)
        return tr("its checksum does not match (the file is corrupt): %1").arg(source.checksumMessage());
    QList<CnfFinding> errors;
    const auto findings = CnfSafetyReview(source.controller()).run();
    for (const CnfFinding& finding : findings) {
        if (finding.severity == CnfFinding::Error)
            errors.append(finding);
    }
    if (errors.isEmpty())
        return QString();
    if (errors.size() == 1)
        return tr("the safety review finds an error: %1").arg(errors.first().message);
    return tr("the safety review finds %1 errors, the first: %2").arg(errors.size()).arg(errors.first().message);
}

bool ConversionCheck::readBack(const QByteArray& output, const CnfController& written, LossReport* report,
                               QString* error)
{
    // The reader takes a file name, as for any input.
    QTemporaryFile file;
    if (!file.open() || file.write(output) != output.size() || !file.flush()) {
        *error = tr("cannot keep the output for reading it back: %1").arg(file.errorString());
        return false;
    }
    file.close();
    ConfigFile copy;
    if (!copy.read(file.fileName())) {
        *error = tr("the output cannot be read back: %1").arg(copy.errorString());
        return false;
    }
    *report = LossReport(CnfControllerDiff::compare(written, copy.controller()));
    return true;
}
