#ifndef CNFADDRESSTABLE_H
#define CNFADDRESSTABLE_H

#include <cstdint>
#include <utility>
#include <vector>

// Values by element address, in one flat array with open addressing.
// Writers look up every group of a large controller by address once per
// cell or step; a heap node per entry, as a node-based hash keeps, costs
// more than the look-up itself and scatters the entries over the heap.
// There is no iteration: nothing can depend on the order of the entries.
template<typename Value>
class CnfAddressTable
{
public:
    // Makes room for `count` entries, so that inserting them rehashes nothing.
    void reserve(int count)
    {
        size_t capacity = 16;
        while (capacity < 2 * size_t(count > 0 ? count : 0))
            capacity *= 2;
        if (capacity > m_slots.size())
            rehash(capacity);
    }

    // Whether `key` has an entry.
    bool contains(const void* key) const { return key && m_slots.size() && m_slots[find(key)].first == key; }

    // The value of `key`, or `fallback` when it has none.
    Value value(const void* key, const Value& fallback = Value()) const
    {
        if (!key || m_slots.empty())
            return fallback;
        const auto& slot = m_slots[find(key)];
        return slot.first == key ? slot.second : fallback;
    }

    // Sets the value of `key`, replacing any earlier one; a null key is ignored.
    void insert(const void* key, const Value& value)
    {
        if (!key)
            return;
        if (2 * (m_size + 1) > m_slots.size())
            rehash(m_slots.empty() ? 16 : 2 * m_slots.size());
        auto& slot = m_slots[find(key)];
        if (!slot.first) {
            slot.first = key;
            ++m_size;
        }
        slot.second = value;
    }

private:
    using Slot = std::pair<const void*, Value>;

    // The slot holding `key`, or the empty slot where it belongs. The table
    // is never more than half full, so the probe ends.
    size_t find(const void* key) const
    {
        const size_t mask = m_slots.size() - 1;
        // Heap addresses share their low bits: the high bits of a Fibonacci
        // product spread them.
        size_t i = size_t(std::uint64_t(std::uintptr_t(key)) * 0x9E3779B97F4A7C15ULL >> m_shift);
        while (m_slots[i].first && m_slots[i].first != key)
            i = (i + 1) & mask;
        return i;
    }

    void rehash(size_t capacity)
    {
        std::vector<Slot> old(capacity, Slot(nullptr, Value()));
        old.swap(m_slots);
        m_shift = 64;
        for (size_t c = capacity; c > 1; c /= 2)
            --m_shift;
        for (auto& slot : old) {
            if (slot.first)
                m_slots[find(slot.first)] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_size = 0;
    int m_shift = 64;
};

#endif
