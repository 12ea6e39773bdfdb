#include "PatchTestSupport.hpp"
#include "support/PowerPlayTables.hpp"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace test;

/// One way to break an otherwise valid table and the reason its detector must give.
struct Rejection {
    std::string what;
    std::function<Bytes()> build;
    std::string reason;
};

/// The detector's reason is the line right before the patcher's blocking line.
void expectRejections(const std::vector<Rejection>& rows) {
    for (const Rejection& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes table = row.build();
        const PatchResult result = patch(table, PatchMode::fan35);
        ASSERT_GE(result.messages.size(), 6u);
        const auto blocked = std::find(result.messages.begin(), result.messages.end(), blockedLine);
        ASSERT_NE(blocked, result.messages.end());
        EXPECT_EQ(*(blocked - 1), row.reason);
        EXPECT_FALSE(result.automaticLayoutSupported);
        EXPECT_EQ(result.data, table);
        EXPECT_EQ(result.changedByteCount, 0);
    }
}

template <typename Edit> std::function<Bytes()> edited(std::function<Bytes()> base, Edit edit) {
    return [base, edit] {
        Bytes table = base();
        edit(table);
        return table;
    };
}

TEST(detector_rejection_test, polaris) {
    const std::function<Bytes()> valid = [] {
        return polarisTable();
    };
    constexpr std::size_t f = defaultPolarisFanTableOffset;
    const std::string sanity =
        "Polaris fan table sanity checks failed. Automatic patching was blocked.";
    const std::string header =
        "Polaris PowerPlay header size is not the validated 77-byte ATOM Tonga/Polaris layout.";
    expectRejections({
        {"header 76", edited(valid, [](Bytes& t) { putU16(t, 5, 76); }), header},
        {"header 78", edited(valid, [](Bytes& t) { putU16(t, 5, 78); }), header},
        {"fan offset 76", edited(valid, [](Bytes& t) { putU16(t, 37, 76); }),
         "Polaris fan table offset 0x4C is invalid or truncated."},
        {"last 2 of 48 bytes beyond the end", [] { return polarisTable(0x180 + 46, 0x180); },
         "Polaris fan table offset 0x180 is invalid or truncated."},
        {"revision 8", edited(valid, [](Bytes& t) { putU8(t, f, 8); }),
         "Unsupported Polaris fan table revision 8; expected revision 9."},
        {"enable 2", edited(valid, [](Bytes& t) { putU8(t, f + 43, 2); }), sanity},
        {"stop 126", edited(valid, [](Bytes& t) { putU8(t, f + 44, 126); }), sanity},
        {"start 126", edited(valid, [](Bytes& t) { putU8(t, f + 45, 126); }), sanity},
        {"target 126", edited(valid, [](Bytes& t) { putU8(t, f + 27, 126); }), sanity},
        {"pwm 101", edited(valid, [](Bytes& t) { putU8(t, f + 28, 101); }), sanity},
        {"rpm 0", edited(valid, [](Bytes& t) { putU16(t, f + 21, 0); }), sanity},
        {"rpm 20001", edited(valid, [](Bytes& t) { putU16(t, f + 21, 20001); }), sanity},
    });
}

TEST(detector_rejection_test, polaris_bounds_are_inclusive) {
    constexpr std::size_t f = defaultPolarisFanTableOffset;
    Bytes table = polarisTable();
    putU16(table, f + 21, 20000);
    putU8(table, f + 27, 125);
    putU8(table, f + 28, 100);
    putU8(table, f + 44, 125);
    putU8(table, f + 45, 125);
    EXPECT_TRUE(patch(table, PatchMode::zeroRpmPure).automaticLayoutSupported);
}

TEST(detector_rejection_test, vega10) {
    const std::function<Bytes()> valid = [] {
        return vega10Table(11);
    };
    constexpr std::size_t f = defaultVega10FanTableOffset;
    const std::string sanity =
        "Vega 10 fan table sanity checks failed. Automatic patching was blocked.";
    expectRejections({
        {"header 91", edited(valid, [](Bytes& t) { putU16(t, 5, 91); }),
         "Vega 10 PowerPlay header size is not the validated 92-byte ATOM Vega 10 layout."},
        {"state 91", edited(valid, [](Bytes& t) { putU16(t, 48, 91); }),
         "Vega 10 state table offset 0x5B is invalid."},
        {"state at length", edited(valid, [](Bytes& t) { putU16(t, 48, 600); }),
         "Vega 10 state table offset 0x258 is invalid."},
        {"fan 91", edited(valid, [](Bytes& t) { putU16(t, 50, 91); }),
         "Vega 10 fan table offset 0x5B is invalid."},
        {"fan at length", edited(valid, [](Bytes& t) { putU16(t, 50, 600); }),
         "Vega 10 fan table offset 0x258 is invalid."},
        {"revision 9", edited(valid, [](Bytes& t) { putU8(t, f, 9); }),
         "Unsupported Vega 10 fan table revision 9; expected revision 10, 11 or a V3 revision "
         "> 11."},
        {"revision 11 starting 34 bytes before the end", [] { return vega10Table(11, 600, 566); },
         "Vega 10 fan table revision 11 is truncated."},
        {"revision 13 needs 37 bytes", [] { return vega10Table(13, 600, 564); },
         "Vega 10 fan table revision 13 is truncated."},
        {"enable 2", edited(valid, [](Bytes& t) { putU8(t, f + 27, 2); }), sanity},
        {"target 126", edited(valid, [](Bytes& t) { putU16(t, f + 7, 126); }), sanity},
        {"pwm 101", edited(valid, [](Bytes& t) { putU16(t, f + 9, 101); }), sanity},
        {"stop 0x0100", edited(valid, [](Bytes& t) { putU16(t, f + 28, 0x0100); }), sanity},
        {"start 126", edited(valid, [](Bytes& t) { putU16(t, f + 30, 126); }), sanity},
        {"rev 10 stop 126",
         edited([] { return vega10Table(10); }, [](Bytes& t) { putU16(t, f + 30, 126); }), sanity},
    });
}

TEST(detector_rejection_test, vega20) {
    const std::function<Bytes()> valid = [] {
        return vega20Table();
    };
    const std::string outer =
        "Vega 20 outer PowerPlay header does not match the validated Radeon VII 11.0 layout.";
    const std::string signature = "Vega 20 PowerSaving/OverDrive/SMC structural signature is not "
                                  "the validated Radeon VII layout.";
    const std::string sanity = "Vega 20 Zero RPM/fan safety fields failed sanity validation. "
                               "Automatic patching was blocked.";
    const auto longer = [] {
        Bytes t = vega20Table();
        t.push_back(0);
        putU16(t, 0, 1731);
        return t;
    };
    expectRejections({
        {"1731 bytes", longer, outer},
        {"table revision 3", edited(valid, [](Bytes& t) { putU8(t, 4, 3); }), outer},
        {"size field", edited(valid, [](Bytes& t) { putU16(t, 5, 1731); }), outer},
        {"byte 21", edited(valid, [](Bytes& t) { putU8(t, 21, 25); }), outer},
        {"power saving revision", edited(valid, [](Bytes& t) { putU8(t, 34, 2); }), signature},
        {"clock count", edited(valid, [](Bytes& t) { putU32(t, 35, 12); }), signature},
        {"od8 revision", edited(valid, [](Bytes& t) { putU8(t, 167, 0); }), signature},
        {"od8 features", edited(valid, [](Bytes& t) { putU32(t, 168, 13); }), signature},
        {"od8 settings 30", edited(valid, [](Bytes& t) { putU32(t, 204, 30); }), signature},
        {"smc version", edited(valid, [](Bytes& t) { putU32(t, 474, 4); }), signature},
        {"cap 2", edited(valid, [](Bytes& t) { putU8(t, 181, 2); }), sanity},
        {"enable 2", edited(valid, [](Bytes& t) { putU8(t, 1120, 2); }), sanity},
        {"stop 126", edited(valid, [](Bytes& t) { putU16(t, 1090, 126); }), sanity},
        {"start 126", edited(valid, [](Bytes& t) { putU16(t, 1092, 126); }), sanity},
        {"rpm 0", edited(valid, [](Bytes& t) { putU16(t, 1114, 0); }), sanity},
        {"target 0", edited(valid, [](Bytes& t) { putU16(t, 1116, 0); }), sanity},
        {"byte 1121 0", edited(valid, [](Bytes& t) { putU8(t, 1121, 0); }), sanity},
        {"byte 1121 17", edited(valid, [](Bytes& t) { putU8(t, 1121, 17); }), sanity},
    });
}

TEST(detector_rejection_test, navi10) {
    const std::function<Bytes()> valid = [] {
        return navi10Table();
    };
    const std::string outer =
        "Navi 10 outer PowerPlay header does not match the validated 12.0 layout.";
    const std::string signature =
        "Navi 10 OverDrive/SMC structural signature is not the validated RX 5700 XT layout.";
    const std::string sanity = "Navi 10 Zero RPM/fan safety fields failed sanity validation. "
                               "Automatic patching was blocked.";
    const auto shorter = [] {
        Bytes t = navi10Table();
        t.pop_back();
        putU16(t, 0, 1673);
        return t;
    };
    expectRejections({
        {"1673 bytes", shorter, outer},
        {"table revision", edited(valid, [](Bytes& t) { putU8(t, 4, 2); }), outer},
        {"smc offset", edited(valid, [](Bytes& t) { putU16(t, 5, 483); }), outer},
        {"byte 21", edited(valid, [](Bytes& t) { putU8(t, 21, 26); }), outer},
        {"od revision 0x81", edited(valid, [](Bytes& t) { putU8(t, 182, 0x81); }), signature},
        {"features", edited(valid, [](Bytes& t) { putU32(t, 186, 16); }), signature},
        {"settings", edited(valid, [](Bytes& t) { putU32(t, 190, 29); }), signature},
        {"smc version 7", edited(valid, [](Bytes& t) { putU32(t, 482, 7); }), signature},
        {"smc version 9", edited(valid, [](Bytes& t) { putU32(t, 482, 9); }), signature},
        {"cap 2", edited(valid, [](Bytes& t) { putU8(t, 203, 2); }), sanity},
        {"enable 2", edited(valid, [](Bytes& t) { putU8(t, 1156, 2); }), sanity},
        {"stop 126", edited(valid, [](Bytes& t) { putU16(t, 1118, 126); }), sanity},
        {"start 126", edited(valid, [](Bytes& t) { putU16(t, 1120, 126); }), sanity},
        {"rpm 20001", edited(valid, [](Bytes& t) { putU16(t, 1148, 20001); }), sanity},
        {"target 126", edited(valid, [](Bytes& t) { putU16(t, 1150, 126); }), sanity},
        {"byte 1154 16", edited(valid, [](Bytes& t) { putU8(t, 1154, 16); }), sanity},
        {"byte 1157 17", edited(valid, [](Bytes& t) { putU8(t, 1157, 17); }), sanity},
    });
    Bytes edge = navi10Table();
    putU8(edge, 1154, 15);
    putU8(edge, 1157, 16);
    EXPECT_TRUE(patch(edge, PatchMode::fan35).automaticLayoutSupported);
}

TEST(detector_rejection_test, rdna2) {
    const std::function<Bytes()> valid = [] {
        return rdna2Table(15);
    };
    const std::string sanity = "SMU 11.0.7 Zero RPM/fan safety fields failed sanity validation. "
                               "Automatic patching was blocked.";
    const std::string outside = "Validated SMU 11.0.7 fan offsets fall outside the loaded table. "
                                "Automatic patching was blocked.";
    expectRejections({
        {"table revision 1", edited(valid, [](Bytes& t) { putU8(t, 4, 1); }),
         "Unexpected SMU 11.0.7 table_revision 1; expected 2. Automatic patching was blocked."},
        {"smc offset 0x320", edited(valid, [](Bytes& t) { putU16(t, 5, 0x320); }),
         "Unexpected SMC PPTable offset 0x320; expected 0x322. Automatic patching was blocked."},
        {"od revision 0x80", edited(valid, [](Bytes& t) { putU8(t, 182, 0x80); }),
         "SMU 11.0.7 OverDrive table signature/revision is missing or unsupported."},
        {"od features 14", edited(valid, [](Bytes& t) { putU32(t, 186, 14); }),
         "SMU 11.0.7 OverDrive feature/setting counts do not match the validated 0x81 layout."},
        {"od settings 29", edited(valid, [](Bytes& t) { putU32(t, 190, 29); }),
         "SMU 11.0.7 OverDrive feature/setting counts do not match the validated 0x81 layout."},
        {"1000 bytes", [] { return rdna2Table(15, 1000); }, outside},
        {"1832 bytes", [] { return rdna2Table(15, 1832); }, outside},
        {"cap 2", edited(valid, [](Bytes& t) { putU8(t, 203, 2); }), sanity},
        {"enable 2", edited(valid, [](Bytes& t) { putU8(t, 1832, 2); }), sanity},
        {"stop 126", edited(valid, [](Bytes& t) { putU16(t, 1790, 126); }), sanity},
        {"start 126", edited(valid, [](Bytes& t) { putU16(t, 1792, 126); }), sanity},
    });
}

TEST(detector_rejection_test, rdna2_short_table_logs_version_before_refusal) {
    Bytes table = rdna2Table(15, 1000);
    putU32(table, 802, 0xFFFFFFFF);
    const auto lines = afterPreamble(patch(table, PatchMode::zeroRpmPure));
    EXPECT_EQ(lines.at(1), "RDNA2 PowerPlay details: revision=15.0, table revision=2, SMC "
                           "offset=0x322.");
    EXPECT_EQ(lines.at(2), "SMC PPTable Version 4294967295 observed; compatibility is determined "
                           "by the strict SMU 11.0.7 structural guards, not by a version "
                           "allowlist.");
}

TEST(detector_rejection_test, rdna2_accepts_any_version_and_exactly_1833_bytes) {
    for (const std::uint32_t version : {0u, 0xFFFFFFFFu}) {
        Bytes table = rdna2Table(18, 1833);
        putU32(table, 802, version);
        EXPECT_TRUE(patch(table, PatchMode::fan35).automaticLayoutSupported) << version;
    }
}

} // namespace
} // namespace ventora
