// A backend left to be made at the first use of the sound system: made once,
// there and not before; other threads wait for it rather than take the
// default card; an install by hand replaces it; the maker's own calls go
// through.
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

class FirstUse : public ::testing::Test {
protected:
    void TearDown() override { plat::InstallSoundBackend(std::make_shared<plat::CVirtualCard>()); }
};

TEST_F(FirstUse, TheMakerRunsOnceAtTheFirstUse) {
    auto card = std::make_shared<plat::CVirtualCard>();
    std::atomic<int> made{0};
    plat::InstallSoundBackendOnFirstUse([&] {
        ++made;
        plat::InstallSoundBackend(card);
    });
    EXPECT_EQ(made, 0);
    EXPECT_EQ(&plat::CurrentSoundBackend(), card.get());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(plat::CurrentSoundBackendShared(), card);
    EXPECT_FALSE(plat::MakePendingSoundBackend());
    EXPECT_EQ(made, 1);
}

TEST_F(FirstUse, MakingItAheadOfTheFirstUseCountsAsIt) {
    auto card = std::make_shared<plat::CVirtualCard>();
    int made = 0;
    plat::InstallSoundBackendOnFirstUse([&] {
        ++made;
        plat::InstallSoundBackend(card);
    });
    EXPECT_TRUE(plat::MakePendingSoundBackend());
    EXPECT_EQ(&plat::CurrentSoundBackend(), card.get());
    EXPECT_EQ(made, 1);
}

TEST_F(FirstUse, OtherThreadsWaitForTheBackendBeingMade) {
    auto card = std::make_shared<plat::CVirtualCard>();
    std::atomic<int> made{0};
    plat::InstallSoundBackendOnFirstUse([&] {
        ++made;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        plat::InstallSoundBackend(card);
    });
    plat::SoundBackend* seen[4] = {};
    std::thread threads[4];
    for (int i = 0; i < 4; ++i)
        threads[i] = std::thread([&seen, i] { seen[i] = &plat::CurrentSoundBackend(); });
    for (std::thread& t : threads)
        t.join();
    for (plat::SoundBackend* backend : seen)
        EXPECT_EQ(backend, card.get()) << "not the default card meanwhile";
    EXPECT_EQ(made, 1);
}

TEST_F(FirstUse, AnInstallByHandReplacesTheMaker) {
    auto card = std::make_shared<plat::CVirtualCard>();
    bool made = false;
    plat::InstallSoundBackendOnFirstUse([&] { made = true; });
    plat::InstallSoundBackend(card);
    EXPECT_EQ(&plat::CurrentSoundBackend(), card.get());
    EXPECT_FALSE(plat::MakePendingSoundBackend());
    EXPECT_FALSE(made);
}

TEST_F(FirstUse, TheMakersOwnUseOfTheSoundSystemGoesThrough) {
    auto card = std::make_shared<plat::CVirtualCard>();
    plat::InstallSoundBackendOnFirstUse([&] {
        // Before it installs one, the maker sees the default card.
        EXPECT_NE(&plat::CurrentSoundBackend(), card.get());
        plat::InstallSoundBackend(card);
    });
    EXPECT_EQ(&plat::CurrentSoundBackend(), card.get());
}

} // namespace
