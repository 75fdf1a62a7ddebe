#pragma once

#include "core/ModuleTable.h"
#include "view/GeneratorPageFields.h"
#include "view/SampleStorage.h"

#include <QString>

#include <array>
#include <cstdint>

namespace seiran {

inline constexpr int kMaxRows = 64;
inline constexpr int kMaxAnalogRows = 2;
inline constexpr int kTriggerTexts = 1 + kMaxChannels; // position, then one condition a channel

inline constexpr double kWholeDataZoomFactor = 990.0; // "全データ" on bit-plane pages
inline constexpr std::int32_t kWholeDataZoomCode = 990; // "全データ" on compressed pages

// Everything the program holds for one page, for the program's whole life. Fields used only by
// analyzer pages (0-3) or by analyzer and generator pages (0-7) exist on every page and keep their
// defaults elsewhere. The sample storage is allocated when the page first gets a module that
// needs it (SetPageToDefaults) and kept from then on; a capture never allocates.
struct PageState : GeneratorPageFields {
    // ---- setup
    std::int32_t PageModule = 0;   // module slot serving the page
    bool compressed = false;       // the module keeps a record list instead of bit planes
    std::int32_t channelCount = 0; // 8, 16, 32 or 64
    std::int32_t dataCount = 0;    // samples per channel of the instrument memory
    std::int32_t intervalIndex = 0;
    QString runModeText;
    QString measureTimeText;
    QString samplingEdgeText;
    std::array<QString, kTriggerTexts> triggerText; // [0] position, [1 + c] channel c
    std::int32_t triggerPosition = 0; // index of the trigger sample in the bit planes
    std::int32_t runStartWord = 0;
    std::int32_t repeatCount = 0;
    bool running = false;
    bool stopRequested = false;
    bool hasData = false;
    bool hasCompareResult = false;

    // ---- signal rows: row r covers rowChannelCount[r] channels after those of rows 0 to r - 1
    std::int32_t rowCount = 0;
    std::array<QString, kMaxRows> signalName;
    std::array<std::int32_t, kMaxRows> rowChannelCount{};
    std::array<QString, kMaxRows> rowRadix;
    std::array<bool, kMaxChannels> channelSelected{};

    // ---- analog rows ("Analog1", "Analog2")
    std::int32_t analogCount = 0;
    std::array<QString, kMaxAnalogRows> analogMvPerDigitText;
    std::array<QString, kMaxAnalogRows> analogMinimumText;
    std::array<float, kMaxAnalogRows> analogMicroVoltsPerDigit{};
    std::array<float, kMaxAnalogRows> analogMinimumMicroVolts{};
    std::array<std::int32_t, kMaxAnalogRows> analogVZoom{};
    std::array<std::int32_t, kMaxAnalogRows> analogVOffset{};

    // ---- display and cursors
    double zoomFactor = 1.0;           // pixels per sample, bit-plane pages
    double previousZoomFactor = 1.0;
    std::int32_t zoomCode = 256;       // 1/256 pixel per sample, compressed pages
    std::int32_t previousZoomCode = 256;
    std::int32_t scrollPosition = 0;
    std::int32_t scrollMax = 0;
    std::int32_t firstRow = 0;
    std::int32_t rowScrollMax = 0;
    std::int32_t centreSample = 0;     // compressed pages, counted from the trigger sample
    std::int32_t cursorA = 0;
    std::int32_t cursorB = 0;
    std::int32_t cursorC = 0;
    std::int32_t cursorD = 0;
    std::int32_t voltCursor1 = 0;
    std::int32_t voltCursor2 = 0;
    std::int32_t voltCursor3 = 0;
    std::int32_t voltCursor4 = 0;
    QString atobMode;
    QString atobText;
    QString stateCursorName;
    QString stateMode;
    std::int32_t stateMsb = 0;
    std::int32_t stateLsb = 0;

    // ---- samples, bit-plane form (sampleBits, referenceBits on pages 0-7; compareErrorBits 0-3)
    BitPlanes sampleBits;
    BitPlanes referenceBits;
    BitPlanes compareErrorBits;

    // ---- samples, record lists of compressed captures (pages 0-3)
    RecordList displayList{kDisplayRecords};
    std::int32_t recCount = 0;         // records ("解凍前のデータ数")
    std::int32_t sampleCount = 0;      // samples ("解凍後のデータ数")
    std::int32_t recTriggerSample = 0; // start of the record holding the trigger
    RecordList measuredList{kStoredRecords};
    std::int32_t measRecCount = 0;
    std::int32_t measSampleCount = 0;
    std::int32_t measTriggerSample = 0;
    RecordList referenceList{kStoredRecords};
    std::int32_t refRecCount = 0;
    std::int32_t refSampleCount = 0;
    std::int32_t refTriggerSample = 0;

    RecordListView displayRecords() const { return {displayList, recCount, sampleCount, recTriggerSample}; }
    RecordListView measuredRecords() const
    {
        return {measuredList, measRecCount, measSampleCount, measTriggerSample};
    }
    RecordListView referenceRecords() const
    {
        return {referenceList, refRecCount, refSampleCount, refTriggerSample};
    }

    // Memory held by the page's sample storage.
    std::size_t storageBytes() const;
};

// What SetPageToDefaults needs to know about the page's module.
struct PageSetup {
    int page = 0;                       // page index 0 to 9
    const ModuleInfo* module = nullptr; // the module serving the page; nullptr when it has none
    int PageModule = 0;
    int channelCount = 0;
    int dataCount = 0;
    int channelOrigin = 0;              // channel numbers shown from 0 or 1
    int clockPeriod = 0;                // nS, the clock of the page's module (interval texts)
};

// Sets every field of the page to its default for the given module, clears its samples, and
// allocates the storage the module's sample form needs (once; it is never given back).
//
// Defaults chosen here: triggerPosition 0 (so cursor A is 0), intervalIndex 0 on analyzer pages,
// rows named "CH" + channel number from the origin ("CH0" ... or "CH1" ...), and on compressed
// pages a display and measured list of one all-L record per sample, so that the counters of the
// module check (display dataCount, less 128 with ModuleTrimBlock; measured dataCount) describe a
// list that is whole. measureTimeText is worked out for the first interval on analyzer pages that
// have a module, and the generator texts for the fourth interval ("100nS" with a 10 nS clock).
void SetPageToDefaults(PageState& page, const PageSetup& setup);

// Copies the page's samples to its reference: on bit-plane pages channels 0 to channelCount - 1
// and samples 0 to dataCount - 1 of sampleBits into referenceBits; on compressed pages the
// display list (with its end entry) and its counters into the reference list.
void CopySamplesToReference(PageState& page);

// Every level of the page's bit planes (samples, reference, compare errors) L.
void ClearPagePlanes(PageState& page);

// The display list becomes displaySamples all-L records of one sample each, the measured list the
// same with measuredSamples, both with the trigger at sample 0: the "no capture yet" lists whose
// counters the module check and an interval change set. Counts are limited to the capacities.
void SetQuietRecordLists(PageState& page, int displaySamples, int measuredSamples);

} // namespace seiran
