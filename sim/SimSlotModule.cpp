#include "SimSlotModule.h"

#include "CommandCodes.h"

namespace seiran::sim {

void putWords(std::span<std::uint8_t> answer, std::span<const std::uint32_t> words)
{
    for (std::size_t i = 0; i < answer.size() && i / 4 < words.size(); ++i)
        answer[i] = std::uint8_t(words[i / 4] >> (8 * (i % 4)));
}

SimSlotModule::SimSlotModule(int slot, const ModuleDescriptor& module, PropertyLayout layout)
    : m_slot(slot)
    , m_descriptor(module)
    , m_layout(layout)
    , m_property(encodeProperty(module, layout, slot < 8))
{
}

std::uint32_t SimSlotModule::statusPropertyWord() const
{
    return m_layout == PropertyLayout::Old ? m_property : newLayoutAnnouncement(m_descriptor);
}

std::optional<std::array<std::uint32_t, 2>> SimSlotModule::setting(int code) const
{
    const auto it = m_settings.find(code);
    if (it == m_settings.end())
        return std::nullopt;
    return it->second;
}

void SimSlotModule::reset()
{
    m_settings.clear();
    m_statusWord = 0;
}

void SimSlotModule::command(int code, std::span<const std::uint32_t> params)
{
    // Module 8 also holds the instrument-wide level, clock and delay registers.
    const bool instrumentSetting = m_slot == cmd::kSettingsModule
        && (code == cmd::kSamplingDelay || code == cmd::kAfterReset || code == cmd::kOutputLevel
            || code == cmd::kClockSource);
    if (!instrumentSetting && !accepts(code)) {
        ++m_ignored;
        return;
    }
    std::array<std::uint32_t, 2> words{};
    for (std::size_t i = 0; i < words.size() && i < params.size(); ++i)
        words[i] = params[i];
    m_settings[code] = words;
}

void SimSlotModule::read(int code, std::span<std::uint8_t> answer)
{
    if (code == cmd::kModuleStatus) {
        const std::array<std::uint32_t, 2> words{statusWord(), statusPropertyWord()};
        putWords(answer, words);
    } else if (code == cmd::kModuleProperty) {
        const std::array<std::uint32_t, 1> words{m_property};
        putWords(answer, words);
    } else {
        readData(code, answer);
    }
}

void SimSlotModule::readData(int, std::span<std::uint8_t>)
{
}

} // namespace seiran::sim
