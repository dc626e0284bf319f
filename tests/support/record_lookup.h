// Finding what a test collected (tooltips, controls, requests, ...) by one of its fields.
#pragma once

#include <iterator>

// The first record in `records` whose `field` equals `value`, or null when none does.
template <class Records, class Field, class Value>
auto FirstWith(Records& records, Field field, const Value& value) -> decltype(&*std::begin(records))
{
    for (auto& r : records)
        if (r.*field == value)
            return &r;
    return nullptr;
}
