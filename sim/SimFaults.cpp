#include "SimFaults.h"

#include <charconv>

namespace seiran::sim {

namespace {

struct KindName {
    std::string_view name;
    FaultKind kind;
};
constexpr KindName kKinds[] = {
    {"drop-ack", FaultKind::DropAck},
    {"fail", FaultKind::Fail},
    {"short", FaultKind::Short},
    {"vanish", FaultKind::Vanish},
};

struct PointName {
    std::string_view name;
    FaultPoint point;
};
constexpr PointName kPoints[] = {
    {"open", FaultPoint::Open},
    {"start", FaultPoint::Start},
    {"poll", FaultPoint::Poll},
    {"transfer", FaultPoint::Transfer},
};

constexpr int kMaxReads = 1000000;
constexpr std::string_view kTransferAfter = "transfer+";

} // namespace

std::optional<FaultPlan> parseFaultPlan(std::string_view text)
{
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view kindText = text.substr(0, at);
    const std::string_view pointText = text.substr(at + 1);

    FaultPlan plan;
    bool kindFound = false;
    for (const KindName& k : kKinds)
        if (k.name == kindText) {
            plan.kind = k.kind;
            kindFound = true;
        }
    if (!kindFound)
        return std::nullopt;

    for (const PointName& p : kPoints)
        if (p.name == pointText) {
            plan.point = p.point;
            return plan;
        }
    if (pointText.starts_with(kTransferAfter)) {
        const std::string_view digits = pointText.substr(kTransferAfter.size());
        int reads = -1;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), reads);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || reads < 0 || reads > kMaxReads)
            return std::nullopt;
        plan.point = FaultPoint::Transfer;
        plan.reads = reads;
        return plan;
    }
    return std::nullopt;
}

std::string_view faultPlanSyntax()
{
    return "KIND@POINT, KIND one of drop-ack, fail, short, vanish; POINT one of open, start, poll, "
           "transfer, transfer+N (N memory reads pass first)";
}

} // namespace seiran::sim
