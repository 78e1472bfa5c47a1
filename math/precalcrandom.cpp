#include "math/precalcrandom.h"

#include <string>

#include "core/fatalerror.h"

PrecalcRandom* precalcRandom = nullptr;

PrecalcRandom::PrecalcRandom()
{
    // The draw order (all of 20, then 100, then 256) is part of the contract.
    for (uint32_t& value : values20)
        value = source.next(20);
    for (uint32_t& value : values100)
        value = source.next(100);
    for (uint32_t& value : values256)
        value = source.next(256);
}

uint32_t PrecalcRandom::next(uint32_t n)
{
    if (cursor >= TABLE_SIZE)
        cursor = 0;
    uint32_t result;
    switch (n) {
    case 20: result = values20[cursor]; break;
    case 100: result = values100[cursor]; break;
    case 256: result = values256[cursor]; break;
    default: throw FatalError("PrecalcRandom unimplemented random number: " + std::to_string(n));
    }
    ++cursor;
    return result;
}
