#include "view/Pages.h"

#include <array>

namespace seiran {

namespace {

struct PageEntry {
    const char* caption; // UTF-8
    PageKind kind;
};

constexpr std::array<PageEntry, kPageCount> kPages{{
    {"ロジアナ１", PageKind::Analyzer},
    {"ロジアナ２", PageKind::Analyzer},
    {"ロジアナ３", PageKind::Analyzer},
    {"ロジアナ４", PageKind::Analyzer},
    {"信号発生１", PageKind::Generator},
    {"信号発生２", PageKind::Generator},
    {"信号発生３", PageKind::Generator},
    {"信号発生４", PageKind::Generator},
    {"プロトコル", PageKind::Protocol},
    {"テスト", PageKind::Test},
}};

} // namespace

PageKind PageKindOf(int page)
{
    if (page < 0 || page >= kPageCount)
        return PageKind::Test;
    return kPages[std::size_t(page)].kind;
}

QString PageCaption(int page)
{
    if (page < 0 || page >= kPageCount)
        return {};
    return QString::fromUtf8(kPages[std::size_t(page)].caption);
}

} // namespace seiran
