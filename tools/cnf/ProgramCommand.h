#ifndef PROGRAMCOMMAND_H
#define PROGRAMCOMMAND_H

#include "Command.h"

class CnfProgram;
class ConfigFile;

// `cnf program export FILE ID OUT` writes one program of FILE as a dynamic
// program blob; `cnf program import FILE BLOB [--as ID] [-o OUT]` binds the
// blob's program to FILE's phases, groups and matrices, adds it, and saves
// FILE (or OUT) in FILE's own format. OUT is left untouched on failure.
class ProgramCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(ProgramCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;

private:
    int exportProgram(const QCommandLineParser& parser, const QStringList& arguments);
    int importProgram(const QCommandLineParser& parser, const QStringList& arguments);
    static bool readConfig(ConfigFile& file, const QString& fileName);
    static bool renumber(CnfProgram& program, const QString& id, QString* error);
};

#endif
