#include "capture/TransferWorkspace.h"

namespace seiran {

// A workspace starts all zero, every raw entry invalid.
TransferWorkspace::TransferWorkspace()
    : m_rawValue(allocateZeroed<std::uint64_t>(std::size_t(kRawEntries)))
    , m_rawCount(allocateZeroed<std::uint32_t>(std::size_t(kRawEntries)))
    , m_rawRelTime(allocateZeroed<std::int64_t>(std::size_t(kRawEntries)))
    , m_planesA(allocateZeroed<std::uint64_t>(std::size_t(kPlaneIndexesA)))
    , m_planesB(allocateZeroed<std::uint64_t>(std::size_t(kPlaneIndexesB)))
{
}

TransferWorkspace::~TransferWorkspace() = default;

} // namespace seiran
