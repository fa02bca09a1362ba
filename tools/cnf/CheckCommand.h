#ifndef CHECKCOMMAND_H
#define CHECKCOMMAND_H

#include <QList>

#include "Command.h"
#include "CnfFinding.h"
#include "CnfFormat.h"

class ConfigFile;

// `cnf check FILE... [--as FORMAT]`: every problem of each configuration — the
// reader's warnings, whether it can be written, and the safety review.
class CheckCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(CheckCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;

private:
    static int check(const QString& fileName, const CnfFormat& format, bool json);
    static QList<CnfFinding> readerFindings(const ConfigFile& file);
    static QList<CnfFinding> writerFindings(const ConfigFile& file, const CnfFormat& format);
    static void print(const ConfigFile& file, const QList<CnfFinding>& findings, bool json);
};

#endif
