#include "client/rules/target_form.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(TargetFormTest, DottedAddressAndAPortFromOneTo65535) {
    struct Case {
        const char* address;
        const char* port;
        TargetField wrong;  // None when valid
    };
    const Case cases[] = {
        {"127.0.0.1", "15000", TargetField::None},
        {"127.1", "1", TargetField::None},  // the short form the connection reads too
        {"192.168.10.200", " 65535 ", TargetField::None},
        {"localhost", "15000", TargetField::Address},
        {"", "15000", TargetField::Address},
        {"1.2.3.4.5", "15000", TargetField::Address},
        {"127.0.0.1", "0", TargetField::Port},
        {"127.0.0.1", "65536", TargetField::Port},
        {"127.0.0.1", "", TargetField::Port},
        {"127.0.0.1", "15000abc", TargetField::Port},
        {"127.0.0.1", "-1", TargetField::Port},
        {"127.0.0.1", "0000015000", TargetField::Port},
    };
    for (const Case& c : cases) {
        const TargetForm form = ReadTargetForm(c.address, c.port);
        EXPECT_EQ(form.target.has_value(), c.wrong == TargetField::None)
            << c.address << " " << c.port;
        EXPECT_EQ(form.wrongField, c.wrong) << c.address << " " << c.port;
        if (form.target) {
            EXPECT_EQ(form.target->address, c.address);
            EXPECT_TRUE(form.problem.empty());
        } else {
            EXPECT_EQ(form.problem,
                      c.wrong == TargetField::Address ? AddressRuleMessage() : PortRuleMessage())
                << c.address << " " << c.port;
        }
    }
}

}  // namespace
}  // namespace vesk
