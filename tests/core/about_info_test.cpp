#include "core/about_info.h"

#include <gtest/gtest.h>

namespace {

TEST(DescribeSystem, NamesTheSystemByItsVersionRecord) {
    struct Case {
        core::SystemVersion version;
        const char* expected;
    };
    auto nt = [](std::uint32_t major, std::uint32_t minor) {
        core::SystemVersion v;
        v.major = major;
        v.minor = minor;
        v.platformId = 2;
        return v;
    };
    auto with = [](core::SystemVersion v, auto change) {
        change(v);
        return v;
    };
    const Case cases[] = {
        {with(nt(5, 1), [](auto& v) { v.platformId = 1; }), "Unknown OS"},
        {nt(5, 0), "Windows 2000"},
        {with(nt(5, 1), [](auto& v) { v.tabletPc = v.mediaCenter = true; }), "Windows XP Tablet PC Edition"},
        {with(nt(5, 1), [](auto& v) { v.mediaCenter = true; }), "Windows XP Media Center Edition"},
        {with(nt(5, 1), [](auto& v) { v.extended = true; v.productType = 1; v.suiteMask = 0x200; v.servicePack = "Service Pack 3"; }),
         "Windows XP Home Edition, Service Pack 3"},
        {with(nt(5, 2), [](auto& v) { v.extended = true; v.productType = 3; }), "Windows Server 2003 family Server"},
        {nt(5, 3), "Unknown OS"},
        {with(nt(6, 1), [](auto& v) { v.extended = true; v.productType = 1; }), "Windows 7 Professional"},
        {with(nt(6, 1), [](auto& v) { v.productType = 1; }), "Windows 7"},  // no extended record: no edition
        {nt(6, 2), "Unknown Window 2000"},
        {with(nt(10, 0), [](auto& v) { v.servicePack = "x"; }), "Unknown OS, x"},
    };
    for (const Case& c : cases) EXPECT_EQ(core::describeSystem(c.version), c.expected);
}

}  // namespace
