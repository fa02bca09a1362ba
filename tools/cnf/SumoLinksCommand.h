#ifndef SUMOLINKSCOMMAND_H
#define SUMOLINKSCOMMAND_H

#include "Command.h"

// `cnf sumo-links FILE`: the link index of each signal group in the state
// strings of `cnf convert --to sumo`, for the linkIndex of a network's
// connections.
class SumoLinksCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(SumoLinksCommand)

public:
    QString name() const override;
    QString brief() const override;
    QString summary() const override;

protected:
    void configure(QCommandLineParser& parser) override;
    int run(const QCommandLineParser& parser, const QStringList& arguments) override;
};

#endif
