#ifndef CNFNUMBERTEXT_H
#define CNFNUMBERTEXT_H

#include <QString>

// The decimal text of `number`, as QString::number gives it. The texts of
// the numbers one byte of a controller's record holds, signed or not (-128
// to 255), are made once per process and then shared: the ids of phases,
// programs and cards read from an image cost no formatting and no memory of
// their own. Not part of the installed interface.
QString cnfNumberText(int number);

// The number `text` gives, as QString::toInt does. The short decimal texts
// that ids of phases, programs and cards usually are ("7", "-56") are read
// without going through the locale's number parsing.
int cnfTextNumber(const QString& text, bool* ok);

#endif
