#ifndef CNFADDRESSSLOTS_H
#define CNFADDRESSSLOTS_H

#include <cstdint>
#include <utility>
#include <vector>

// Entries by element address, in one flat array with open addressing, for
// the tables the writers keep beside the model's lists. `Slot` starts with
// the member `key`, null in an empty slot. The array is a power of two in
// size and at most three quarters full: small, so that the table of a large
// controller stays in the processor's cache while every reference of the
// controller is looked up in it.
template<typename Slot>
class CnfAddressSlots
{
public:
    // Makes room for `count` entries, so that inserting them rehashes nothing.
    void reserve(int count)
    {
        size_t capacity = 16;
        while (3 * capacity < 4 * size_t(count > 0 ? count : 0))
            capacity *= 2;
        if (capacity > m_slots.size())
            rehash(capacity);
    }

protected:
    // The slot of `key`, or null when it has none.
    const Slot* lookup(const void* key) const
    {
        if (!key || m_slots.empty())
            return nullptr;
        const Slot& slot = m_slots[find(key)];
        return slot.key == key ? &slot : nullptr;
    }

    // The slot of `key`, taken for it when it had none; `key` is not null.
    Slot& take(const void* key)
    {
        if (4 * (m_size + 1) > 3 * m_slots.size())
            rehash(m_slots.empty() ? 16 : 2 * m_slots.size());
        Slot& slot = m_slots[find(key)];
        if (!slot.key) {
            slot.key = key;
            ++m_size;
        }
        return slot;
    }

private:
    // The slot holding `key`, or the empty slot where it belongs. The array
    // is never full, so the probe ends.
    size_t find(const void* key) const
    {
        const size_t mask = m_slots.size() - 1;
        // Heap addresses share their low bits: the high bits of a Fibonacci
        // product spread them.
        size_t i = size_t(std::uint64_t(std::uintptr_t(key)) * 0x9E3779B97F4A7C15ULL >> m_shift);
        while (m_slots[i].key && m_slots[i].key != key)
            i = (i + 1) & mask;
        return i;
    }

    void rehash(size_t capacity)
    {
        std::vector<Slot> old(capacity);
        old.swap(m_slots);
        m_shift = 64;
        for (size_t c = capacity; c > 1; c /= 2)
            --m_shift;
        for (Slot& slot : old) {
            if (slot.key)
                m_slots[find(slot.key)] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_size = 0;
    int m_shift = 64;
};

#endif
