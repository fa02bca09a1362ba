#ifndef INFOCOMMAND_H
#define INFOCOMMAND_H

#include "Command.h"

// `cnf info FILE...`: what each file is and what its configuration holds.
class InfoCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(InfoCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;
};

#endif
