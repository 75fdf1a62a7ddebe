#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace seiran {

struct FreeZeroedBlock {
    void operator()(void* block) const noexcept { std::free(block); }
};
template <class T>
using ZeroedBlock = std::unique_ptr<T[], FreeZeroedBlock>;

// `count` zero values, from pages the operating system hands out zeroed (calloc maps a large
// block fresh instead of clearing it): a block costs resident memory only where it is written.
template <class T>
ZeroedBlock<T> allocateZeroed(std::size_t count)
{
    // T must be valid as all zero bytes; its default member values, if any, are not applied.
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    void* block = std::calloc(count, sizeof(T));
    if (!block)
        throw std::bad_alloc();
    return ZeroedBlock<T>(static_cast<T*>(block));
}

} // namespace seiran
