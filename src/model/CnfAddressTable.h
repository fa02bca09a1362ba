#ifndef CNFADDRESSTABLE_H
#define CNFADDRESSTABLE_H

#include "CnfAddressSlots.h"

// A slot of CnfAddressTable: an address and its value.
template<typename Value>
struct CnfAddressEntry
{
    const void* key = nullptr;
    Value value = Value();
};

// Values by element address. Writers look up every group of a large
// controller by address once per cell or step; a heap node per entry, as a
// node-based hash keeps, costs more than the look-up itself and scatters the
// entries over the heap. There is no iteration: nothing can depend on the
// order of the entries.
template<typename Value>
class CnfAddressTable : public CnfAddressSlots<CnfAddressEntry<Value>>
{
public:
    // Whether `key` has an entry.
    bool contains(const void* key) const { return this->lookup(key); }

    // The value of `key`, or `fallback` when it has none.
    Value value(const void* key, const Value& fallback = Value()) const
    {
        const CnfAddressEntry<Value>* entry = this->lookup(key);
        return entry ? entry->value : fallback;
    }

    // Sets the value of `key`, replacing any earlier one; a null key is ignored.
    void insert(const void* key, const Value& value)
    {
        if (key)
            this->take(key).value = value;
    }
};

#endif
