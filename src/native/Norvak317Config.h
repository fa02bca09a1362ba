#ifndef NORVAK317CONFIG_H
#define NORVAK317CONFIG_H

#include "Norvak3xConfig.h"

// Configuration images of firmware 3.17.
class Norvak317Config : public Norvak3xConfig
{
public:
    Norvak317Config();
};

#endif
