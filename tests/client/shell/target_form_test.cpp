#include "client/shell/target_form.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(TargetFormTest, DottedAddressAndAPortFromOneTo65535) {
    struct Case {
        const char* address;
        const char* port;
        bool valid;
        const char* problem;  // "address" or "port" when not valid
    };
    const Case cases[] = {
        {"127.0.0.1", "15000", true, ""},
        {"127.1", "1", true, ""},  // the short form the connection reads too
        {"192.168.10.200", " 65535 ", true, ""},
        {"localhost", "15000", false, "address"},
        {"", "15000", false, "address"},
        {"1.2.3.4.5", "15000", false, "address"},
        {"127.0.0.1", "0", false, "port"},
        {"127.0.0.1", "65536", false, "port"},
        {"127.0.0.1", "", false, "port"},
        {"127.0.0.1", "15000abc", false, "port"},
        {"127.0.0.1", "-1", false, "port"},
        {"127.0.0.1", "0000015000", false, "port"},
    };
    for (const Case& c : cases) {
        const TargetForm form = ReadTargetForm(c.address, c.port);
        EXPECT_EQ(form.target.has_value(), c.valid) << c.address << " " << c.port;
        if (c.valid) {
            EXPECT_EQ(form.target->address, c.address);
            EXPECT_TRUE(form.problem.empty());
        } else {
            EXPECT_EQ(form.problem, std::string(c.problem) == "address" ? AddressRuleMessage()
                                                                        : PortRuleMessage())
                << c.address << " " << c.port;
        }
    }
}

}  // namespace
}  // namespace vesk
