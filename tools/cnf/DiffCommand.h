#ifndef DIFFCOMMAND_H
#define DIFFCOMMAND_H

#include "Command.h"

// `cnf diff A B [--json]`: the differences between two configurations in any
// formats the tool reads, one a line. Exits with 0 when they are equal, 1
// when they differ and 2 when a file cannot be read.
class DiffCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(DiffCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;
};

#endif
