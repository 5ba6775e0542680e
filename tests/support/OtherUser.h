// Runs a block as an ordinary user: when the tests run as root (as in CI),
// the effective ids become those of "nobody" (65534) until the object goes,
// so permission bits are enforced; otherwise nothing changes. Paths the block
// uses must be reachable by that user.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

constexpr uid_t kOtherUid = 65534;

class AsOrdinaryUser {
public:
    AsOrdinaryUser() {
        if (::geteuid() != 0)
            return;
        m_switched = ::setegid(kOtherUid) == 0 && ::seteuid(kOtherUid) == 0;
        EXPECT_TRUE(m_switched) << "cannot act as uid " << kOtherUid;
    }
    ~AsOrdinaryUser() {
        if (m_switched) {
            EXPECT_EQ(::seteuid(0), 0);
            EXPECT_EQ(::setegid(0), 0);
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool m_switched = false;
};
