#pragma once

#include "core/ModuleTable.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace seiran {

class AnalyzerState;
struct PageState;

// Capture settings of the analyzer pages. Every change is written to the page and sent to its
// module at once.

// The code command 0x21 carries for an interval list index.
int intervalCode(int intervalIndex);

// The four 64-bit condition masks of a page's trigger texts (bit c = channel c).
struct TriggerMasks {
    std::uint64_t rising = 0;
    std::uint64_t falling = 0;
    std::uint64_t levelValue = 0;
    std::uint64_t levelCare = 0;
};
TriggerMasks triggerMasks(const PageState& page);

// The trigger position word (0x24). `random` is a fresh number 0 to 65534; only modules of
// version 5.3 and 5.4 use it.
std::uint32_t triggerPositionWord(const ModuleInfo& module, int dataCount, const QString& position, std::uint32_t random);

void SendIntervalSetting(AnalyzerState& state, int page);
void SendTriggerSettings(AnalyzerState& state, int page);
void SwitchGroup(AnalyzerState& state, int page, int newGroup, int oldGroup);

// When the trigger is armed after RUN.
struct TriggerArmPlan {
    enum class Kind { Now, ModuleArmsItself, AfterTimer };
    Kind kind = Kind::Now;
    int delayMs = 0;
};
TriggerArmPlan planTriggerArm(const AnalyzerState& state, int page);
void ScheduleTriggerArm(AnalyzerState& state, int page);
// The handler of timTrgStart0 to timTrgStart3.
void triggerArmTimerFired(AnalyzerState& state, int page);

// The run modes cmbRunMode offers on the page.
QStringList runModeList(const AnalyzerState& state, int page);
inline const QStringList kSamplingEdgeChoices{QStringLiteral("立上り位置の"), QStringLiteral("立上りの1つ前の")};

// Control handlers.
void cmbAnaIntervalChange(AnalyzerState& state, int page, int index);
void cmbRunModeChange(AnalyzerState& state, int page, const QString& text);
void cmbSelESmpPChange(AnalyzerState& state, int page, const QString& text);

// The whole number in front of `cut` and then in front of ".": "1.034mS" cut at "m" gives 1.
// The waits of the run control read their milliseconds from time texts this way.
int leadingInteger(const QString& text, QChar cut);

// The texts logged for repeat-save (the folder line is AutoSaveFolderLine).
inline const QString kAutoSaveNameLine = QStringLiteral("ファイル名は日時.anaになります。");
inline const QString kNoReferenceLine = QStringLiteral("リファレンス波形がありません。");

} // namespace seiran
