#include "CnfNumberText.h"

namespace {

constexpr int lowestShared = -128;
constexpr int highestShared = 255;

struct SharedTexts
{
    SharedTexts()
    {
        for (int n = lowestShared; n <= highestShared; ++n)
            texts[n - lowestShared] = QString::number(n);
    }

    QString texts[highestShared - lowestShared + 1];
};

} // namespace

QString cnfNumberText(int number)
{
    if (number < lowestShared || number > highestShared)
        return QString::number(number);
    static const SharedTexts shared;
    return shared.texts[number - lowestShared];
}

int cnfTextNumber(const QString& text, bool* ok)
{
    const bool negative = text.startsWith(QLatin1Char('-'));
    const int digits = text.size() - (negative ? 1 : 0);
    if (digits < 1 || digits > 3)
        return text.toInt(ok);
    int number = 0;
    for (int i = text.size() - digits; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return text.toInt(ok);
        number = 10 * number + (c - '0');
    }
    if (ok)
        *ok = true;
    return negative ? -number : number;
}
