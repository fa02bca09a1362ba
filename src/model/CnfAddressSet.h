#ifndef CNFADDRESSSET_H
#define CNFADDRESSSET_H

#include "CnfAddressSlots.h"

// A slot of CnfAddressSet: the address alone.
struct CnfAddressKey
{
    const void* key = nullptr;
};

// A set of element addresses: the table of CnfAddressTable without values,
// half its size, for the questions asked of nearly every reference a writer
// writes.
class CnfAddressSet : public CnfAddressSlots<CnfAddressKey>
{
public:
    // Whether `key` is in the set; never for null.
    bool contains(const void* key) const { return lookup(key); }

    // Adds `key`; a null key is ignored.
    void insert(const void* key)
    {
        if (key)
            take(key);
    }
};

#endif
