#include "Norvak318Config.h"

#include "Norvak3xLayout.h"

Norvak318Config::Norvak318Config()
    : Norvak3xConfig(Norvak3xLayout::v318())
{
}
