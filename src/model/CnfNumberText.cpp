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
