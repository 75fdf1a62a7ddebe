#pragma once

#include "SimModule.h"
#include "SimModuleProperty.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace seiran::sim {

class SimInstrument;

// A module the running configuration created in one slot of the FPGA. It answers the property
// reads (0x30 word 1 in the old layout, 0x32 in the new one) and keeps the words of the setting
// commands it takes, as the FPGA's registers do; capture and play-out come in the subclasses.
class SimSlotModule : public SimModule {
public:
    SimSlotModule(int slot, const ModuleDescriptor& module, PropertyLayout layout);

    // The instrument the module was installed in: its clock, type and status block. Set when
    // the instrument installs the module; nullptr for a module on its own.
    void attach(const SimInstrument* instrument) { m_instrument = instrument; }
    const SimInstrument* instrument() const { return m_instrument; }

    int slot() const { return m_slot; }
    const ModuleDescriptor& descriptor() const { return m_descriptor; }
    PropertyLayout layout() const { return m_layout; }

    // The full property word in the module's own layout: what 0x32 answers and what the gathered
    // property read (0x35) reports for this slot.
    std::uint32_t propertyWord() const { return m_property; }
    // Word 1 of 0x30: the full word of an old-layout module; a new-layout module shows only its
    // function and version there.
    std::uint32_t statusPropertyWord() const;
    // Word 0 of 0x30 (and of the gathered status read, 0x34).
    virtual std::uint32_t statusWord() const { return m_statusWord; }

    // The two words of the last setting command `code` since the configuration started or the
    // FPGA was last reset; nullopt when none came.
    std::optional<std::array<std::uint32_t, 2>> setting(int code) const;
    // Commands this kind of module does not know (an analyzer command sent to a generator).
    int ignoredCommands() const { return m_ignored; }

    // FPGA reset: registers and status back to their state right after configuration.
    virtual void reset();

    void command(int code, std::span<const std::uint32_t> params) override;
    void read(int code, std::span<std::uint8_t> answer) override;

protected:
    // Whether `code` is one of this module's commands.
    virtual bool accepts(int code) const = 0;
    // Every read but the property reads (sample memory, entries, pointer words). Unanswered bytes
    // stay 0.
    virtual void readData(int code, std::span<std::uint8_t> answer);
    void setStatusWord(std::uint32_t word) { m_statusWord = word; }

private:
    const SimInstrument* m_instrument = nullptr;
    int m_slot;
    ModuleDescriptor m_descriptor;
    PropertyLayout m_layout;
    std::uint32_t m_property;
    std::uint32_t m_statusWord = 0;
    std::map<int, std::array<std::uint32_t, 2>> m_settings;
    int m_ignored = 0;
};

// Fills `answer` with `words` little-endian, as far as it reaches.
void putWords(std::span<std::uint8_t> answer, std::span<const std::uint32_t> words);

} // namespace seiran::sim
