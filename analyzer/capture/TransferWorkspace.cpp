#include "capture/TransferWorkspace.h"

namespace seiran {

// Value-initialised: a workspace starts all zero, every raw entry invalid.
TransferWorkspace::TransferWorkspace()
    : m_rawValue(std::make_unique<std::uint64_t[]>(std::size_t(kRawEntries)))
    , m_rawCount(std::make_unique<std::uint32_t[]>(std::size_t(kRawEntries)))
    , m_rawRelTime(std::make_unique<std::int64_t[]>(std::size_t(kRawEntries)))
    , m_planesA(std::make_unique<std::uint64_t[]>(std::size_t(kPlaneIndexesA)))
    , m_planesB(std::make_unique<std::uint64_t[]>(std::size_t(kPlaneIndexesB)))
{
}

TransferWorkspace::~TransferWorkspace() = default;

} // namespace seiran
