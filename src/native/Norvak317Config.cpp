#include "Norvak317Config.h"

#include "Norvak3xLayout.h"

Norvak317Config::Norvak317Config()
    : Norvak3xConfig(Norvak3xLayout::v317())
{
}
