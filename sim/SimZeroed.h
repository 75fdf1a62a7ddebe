#pragma once

#include "ZeroedBlock.h"

#include <cstddef>
#include <type_traits>

namespace seiran::sim {

// A fixed array of zero values in pages the operating system hands out zeroed (calloc maps a
// large block fresh): a module's memory costs resident memory only once a capture writes it, so
// an instrument that is only configured and asked about stays small. T must be valid as all
// zero bytes. A contiguous range: spans are made from it directly.
template <class T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t count)
        : m_data(allocateZeroed<T>(count ? count : 1)), m_size(count)
    {
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T* data() { return m_data.get(); }
    const T* data() const { return m_data.get(); }
    T* begin() { return m_data.get(); }
    T* end() { return m_data.get() + m_size; }
    const T* begin() const { return m_data.get(); }
    const T* end() const { return m_data.get() + m_size; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }

private:
    ZeroedBlock<T> m_data;
    std::size_t m_size = 0;
};

} // namespace seiran::sim
