#include "MessageLog.h"
#include "RecordingFrontEnd.h"
#include "RoundToInt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace seiran {
namespace {

using Kind = RecordingFrontEnd::EventKind;

TEST(MessageLog, AddMessageKeepsLinesAndForwardsThem)
{
    MessageLog log;
    EXPECT_EQ(log.lastLine(), QString());
    log.AddMessage(u"before a front end"_qs);

    RecordingFrontEnd frontEnd;
    log.setFrontEnd(&frontEnd);
    log.AddMessage(u"ロジアナ接続"_qs);
    log.AddMessage(u"キャプチャ開始"_qs);

    EXPECT_EQ(log.lines(), (QStringList{u"before a front end"_qs, u"ロジアナ接続"_qs, u"キャプチャ開始"_qs}));
    EXPECT_EQ(log.lineCount(), 3);
    EXPECT_EQ(log.lastLine(), u"キャプチャ開始"_qs);
    EXPECT_EQ(frontEnd.texts(Kind::AppendLogLine), (QStringList{u"ロジアナ接続"_qs, u"キャプチャ開始"_qs}));
    EXPECT_EQ(frontEnd.events().size(), 2u);
}

TEST(MessageLog, DeleteLastLinesRemovesAtMostWhatIsThere)
{
    struct Case {
        int count;
        QStringList left;
        int forwarded; // 0: the front end hears nothing
    };
    const Case cases[] = {
        {1, {u"a"_qs, u"b"_qs}, 1},
        {2, {u"a"_qs}, 2},
        {3, {}, 3},
        {10, {}, 3},
        {0, {u"a"_qs, u"b"_qs, u"c"_qs}, 0},
        {-2, {u"a"_qs, u"b"_qs, u"c"_qs}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        RecordingFrontEnd frontEnd;
        MessageLog log;
        log.setFrontEnd(&frontEnd);
        for (const QString& line : {u"a"_qs, u"b"_qs, u"c"_qs})
            log.AddMessage(line);
        frontEnd.clearEvents();

        log.deleteLastLines(c.count);
        EXPECT_EQ(log.lines(), c.left);
        EXPECT_EQ(log.lastLine(), c.left.isEmpty() ? QString() : c.left.last());
        EXPECT_EQ(frontEnd.logLines(), c.left);
        if (c.forwarded == 0) {
            EXPECT_TRUE(frontEnd.events().empty());
        } else {
            ASSERT_EQ(frontEnd.events().size(), 1u);
            EXPECT_EQ(frontEnd.events()[0].kind, Kind::DeleteLastLogLines);
            EXPECT_EQ(frontEnd.events()[0].number, c.forwarded);
        }
    }
}

TEST(MessageLog, ClearEmptiesTheFrontEndToo)
{
    RecordingFrontEnd frontEnd;
    MessageLog log;
    log.setFrontEnd(&frontEnd);
    log.AddMessage(u"a"_qs);
    log.AddMessage(u"b"_qs);
    log.clear();
    EXPECT_EQ(log.lineCount(), 0);
    EXPECT_TRUE(frontEnd.logLines().isEmpty());
    log.AddMessage(u"c"_qs);
    EXPECT_EQ(frontEnd.logLines(), QStringList{u"c"_qs});
}

TEST(RecordingFrontEnd, AnswersFromItsQueuesThenTheDefaults)
{
    RecordingFrontEnd frontEnd;
    frontEnd.queueAnswer(false);
    EXPECT_FALSE(frontEnd.askOkCancel(u"上書きしますか？"_qs));
    EXPECT_TRUE(frontEnd.askOkCancel(u"again"_qs));
    frontEnd.setDefaultAnswer(false);
    EXPECT_FALSE(frontEnd.askOkCancel(u"third"_qs));

    frontEnd.queueOpenPath(u"data/a.ana"_qs);
    FileDialogRequest request;
    request.caption = u"開く"_qs;
    EXPECT_EQ(frontEnd.chooseOpenFile(request), u"data/a.ana"_qs);
    EXPECT_EQ(frontEnd.chooseOpenFile(request), QString());
    EXPECT_EQ(frontEnd.chooseSaveFile(request), QString());

    frontEnd.setClipboardText(u"clip"_qs);
    EXPECT_EQ(frontEnd.clipboardText(), u"clip"_qs);
    frontEnd.requestRedraw(3);
    frontEnd.requestRedraw(3);
    EXPECT_EQ(frontEnd.redrawCount(3), 2);
    EXPECT_EQ(frontEnd.redrawCount(4), 0);

    const auto& events = frontEnd.events();
    ASSERT_EQ(events.size(), 10u);
    EXPECT_EQ(events[0].kind, Kind::AskOkCancel);
    EXPECT_EQ(events[0].text, u"上書きしますか？"_qs);
    EXPECT_EQ(events[0].number, 0);
    EXPECT_EQ(events[3].kind, Kind::ChooseOpenFile);
    EXPECT_EQ(events[3].dialog.caption, u"開く"_qs);
    EXPECT_EQ(events[5].kind, Kind::ChooseSaveFile);
    EXPECT_EQ(events[7].kind, Kind::ReadClipboardText);
    EXPECT_EQ(events[9].number, 3);
}

TEST(RoundToInt, HalvesAwayFromZeroAndSaturates)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        double value;
        std::int32_t expected;
    } cases[] = {
        {2.5, 3},
        {-2.5, -3},
        {0.5, 1},
        {-0.5, -1},
        {1.4999, 1},
        {-1.4999, -1},
        {1.5000001, 2},
        {0.0, 0},
        {-0.0, 0},
        {2147483646.5, kMax},
        {2147483647.4, kMax},
        {-2147483647.5, kMin},
        {1e20, kMax},
        {-1e20, kMin},
        {std::numeric_limits<double>::infinity(), kMax},
        {-std::numeric_limits<double>::infinity(), kMin},
        {std::nan(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(RoundToInt(c.value), c.expected);
    }
}

} // namespace
} // namespace seiran
