#ifndef FORMATSCOMMAND_H
#define FORMATSCOMMAND_H

#include "Command.h"

// `cnf formats`: every format the tool works with, what it can do with it
// and the name --to takes.
class FormatsCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(FormatsCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;
};

#endif
