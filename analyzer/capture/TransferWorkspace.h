#pragma once

#include "view/SampleStorage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace seiran {

// The storage a sample memory transfer works in, allocated whole when it is created (once, with
// the state object) and reused by every transfer, so that reading and decoding a capture never
// allocates. One transfer runs at a time; nothing in here outlives the transfer that wrote it.
//
// Raw entries (compressed modules): the channel word, the count word (bit 7 = the entry is valid,
// bits 0-6 = run length - 1) and the first sample counted from the trigger of each memory entry.
//
// Work planes (bit-plane modules): 64 planes stored sample-major, one 64-bit word per index with
// bit c = the level of plane c there. The read paths deliver whole sample words, and the
// interleave merges pick banks of planes out of them with one shift and mask, so this is both
// the compact form (one bit a level) and the fast one.
class TransferWorkspace {
public:
    static constexpr int kRawEntries = 524289;
    static constexpr int kPlaneIndexesA = 131080; // workPlanesA
    static constexpr int kPlaneIndexesB = 131072; // workPlanesB

    TransferWorkspace();
    ~TransferWorkspace();
    TransferWorkspace(const TransferWorkspace&) = delete;
    TransferWorkspace& operator=(const TransferWorkspace&) = delete;

    std::span<std::uint64_t> rawValue() { return {m_rawValue.get(), std::size_t(kRawEntries)}; }
    std::span<std::uint32_t> rawCount() { return {m_rawCount.get(), std::size_t(kRawEntries)}; }
    std::span<std::int64_t> rawRelTime() { return {m_rawRelTime.get(), std::size_t(kRawEntries)}; }
    std::span<std::uint64_t> workPlanesA() { return {m_planesA.get(), std::size_t(kPlaneIndexesA)}; }
    std::span<std::uint64_t> workPlanesB() { return {m_planesB.get(), std::size_t(kPlaneIndexesB)}; }

    std::span<const std::uint64_t> rawValue() const { return {m_rawValue.get(), std::size_t(kRawEntries)}; }
    std::span<const std::uint32_t> rawCount() const { return {m_rawCount.get(), std::size_t(kRawEntries)}; }
    std::span<const std::int64_t> rawRelTime() const { return {m_rawRelTime.get(), std::size_t(kRawEntries)}; }
    std::span<const std::uint64_t> workPlanesA() const { return {m_planesA.get(), std::size_t(kPlaneIndexesA)}; }
    std::span<const std::uint64_t> workPlanesB() const { return {m_planesB.get(), std::size_t(kPlaneIndexesB)}; }

    // Memory held (about 12 MiB).
    static constexpr std::size_t allocatedBytes()
    {
        return std::size_t(kRawEntries) * (sizeof(std::uint64_t) + sizeof(std::uint32_t) + sizeof(std::int64_t))
            + std::size_t(kPlaneIndexesA + kPlaneIndexesB) * sizeof(std::uint64_t);
    }

private:
    // Zeroed pages of the operating system: a mode's transfers make resident only what they use.
    ZeroedBlock<std::uint64_t> m_rawValue;
    ZeroedBlock<std::uint32_t> m_rawCount;
    ZeroedBlock<std::int64_t> m_rawRelTime;
    ZeroedBlock<std::uint64_t> m_planesA;
    ZeroedBlock<std::uint64_t> m_planesB;
};

} // namespace seiran
