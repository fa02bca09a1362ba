// Runs the cnf tool, and the programs that check its output, as a user would.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ToolRun {
    int exitCode = -1; // -1: did not finish normally in time
    QByteArray out;
    QString err;
};

// Runs `program` with `arguments` and `input` on its standard input in `directory`, killed after `timeout` ms.
ToolRun runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = QByteArray(),
                   const QString& directory = QString(), int timeout = 120000);
// The contents of `fileName`, empty when it cannot be read.
QByteArray readFile(const QString& fileName);
// Writes `data` to `fileName`, replacing it; false when that fails.
bool writeFile(const QString& fileName, const QByteArray& data);

#ifdef CNF_TOOL
// Runs the cnf tool under test.
inline ToolRun cnf(const QStringList& arguments, const QByteArray& input = QByteArray())
{
    return runProgram(QStringLiteral(CNF_TOOL), arguments, input);
}
#endif

#ifdef CNF_TEST_DATA
// A file of the tool's test data.
inline QString toolData(const QString& name)
{
    return QStringLiteral(CNF_TEST_DATA "/tool/") + name;
}
#endif
