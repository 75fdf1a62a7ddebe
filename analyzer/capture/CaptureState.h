#pragma once

#include "view/PageState.h"

#include <QString>

#include <array>
#include <cstdint>

namespace seiran {

inline constexpr int kInputGroups = 4; // shown as "A" to "D"

// The fields of an analyzer page that belong to one input group of its module: each group has
// its own settings and its own capture.
struct GroupFields {
    std::int32_t intervalIndex = 0;
    QString measureTimeText;
    QString runModeText;
    std::array<QString, kTriggerTexts> triggerText;
    std::array<QString, kMaxRows> signalName;
    std::int32_t rowCount = 0;
    std::array<std::int32_t, kMaxRows> rowChannelCount{};
    std::array<QString, kMaxRows> rowRadix;
    std::array<bool, kMaxChannels> channelSelected{};
    std::int32_t zoomCode = 256;
    std::int32_t previousZoomCode = 256;
    std::int32_t scrollPosition = 0;
    std::int32_t scrollMax = 0;
    std::int32_t firstRow = 0;
    std::int32_t rowScrollMax = 0;
    std::int32_t centreSample = 0;
    std::int32_t cursorA = 0, cursorB = 0, cursorC = 0, cursorD = 0;
    QString atobMode;
    QString atobText;
    QString stateCursorName;
    QString stateMode;
    std::int32_t stateMsb = 0;
    std::int32_t stateLsb = 0;
    bool hasData = false;
    bool hasCompareResult = false;
    // The measured record list is kept only while the group has data.
    RecordList measuredList{kStoredRecords};
    std::int32_t measRecCount = 0;
    std::int32_t measSampleCount = 0;
    std::int32_t measTriggerSample = 0;
};

// Copies between a page and one group's store.
void saveGroupFields(const PageState& page, GroupFields& store);
void loadGroupFields(const GroupFields& store, PageState& page);

// The capture state of one analyzer page beyond its PageState.
struct AnalyzerPageCapture {
    int activeGroup = 0;
    std::array<GroupFields, kInputGroups> groupStore;
};

// The two-phase status poll of the end check.
struct PollState {
    std::array<std::uint32_t, 16> moduleStatus{};
    std::array<bool, 8> runningSnapshot{};
    std::array<bool, 8> stopSnapshot{};
    bool statusReady = false;
    bool remoteStatusPending = false;
    int failedReads = 0; // status reads in a row that did not reach the instrument
};

// Where and how "リピート保存" writes its files. Program-wide, not kept in the settings file.
struct RepeatSaveSettings {
    QString folder;
    std::uint32_t count = 10; // captures saved per run; 0 = every capture
    bool numbered = false;    // "(repeatCount) " in front of each file name
};

struct CaptureState {
    std::array<AnalyzerPageCapture, 4> pages;
    PollState poll;
};

} // namespace seiran
