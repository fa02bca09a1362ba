#ifndef NORVAK315CONFIG_H
#define NORVAK315CONFIG_H

#include "Norvak3xConfig.h"

// Configuration images of firmware 3.15.
class Norvak315Config : public Norvak3xConfig
{
public:
    Norvak315Config();
};

#endif
