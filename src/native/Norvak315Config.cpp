#include "Norvak315Config.h"

#include "Norvak3xLayout.h"

Norvak315Config::Norvak315Config()
    : Norvak3xConfig(Norvak3xLayout::v315())
{
}
