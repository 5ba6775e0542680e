#include "platform/system/trace.h"
#include "tests/trace/TestTraceEvent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Event {
    std::string what;
    int number;
    std::string module;
    int line;
    std::string text;
    bool operator==(const Event&) const = default;
};

std::vector<Event> g_events;

std::vector<std::string> Kinds() {
    std::vector<std::string> kinds;
    for (const Event& e : g_events)
        kinds.push_back(e.what);
    return kinds;
}

int g_evaluations = 0;
int Counted(int value) {
    ++g_evaluations;
    return value;
}

class TraceBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_events.clear();
        g_evaluations = 0;
    }
    void TearDown() override {
        plat::UnloadTraceLibrary();
        plat::SetTraceListener(nullptr);
        plat::SetTraceLibraryName("Trace.dll");
    }
};

} // namespace

PELMORA_TEST_EXPORT void TestTraceEvent(const char* what, int number, const char* module, int line,
                                        const char* text) {
    g_events.push_back({what, number, module, line, text});
}

namespace {

TEST_F(TraceBindingTest, CompleteLibraryIsInitialisedOnceAndReceivesEveryLine) {
    plat::SetTraceLibraryName("FakeTraceFull.dll");
    plat::LoadTraceLibrary();
    plat::LoadTraceLibrary();
    { plat::CTraceChannel channel; }
    ASSERT_TRUE(plat::TraceBound());
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"load", "init"}));
    EXPECT_EQ(g_events[1].number, 0);

    g_events.clear();
    TRACE_LOG(2, "MixerSet", 1124,
              "S\xC3\xA9lection source en entr\xC3\xA9"
              "e n\xC2\xB0%d : %s",
              Counted(3), "Micro");
    TRACE_LOG(0, "PropSheet", 12, "%s", "plain");
    EXPECT_EQ(g_evaluations, 1);
    ASSERT_EQ(g_events.size(), 2u);
    EXPECT_EQ(g_events[0], (Event{"message", 2, "MixerSet", 1124,
                                  "S\xC3\xA9lection source en entr\xC3\xA9"
                                  "e n\xC2\xB0"
                                  "3 : Micro"}));
    EXPECT_EQ(g_events[1], (Event{"message", 0, "PropSheet", 12, "plain"}));

    g_events.clear();
    plat::TraceShowTraceList();
    plat::UnloadTraceLibrary();
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"show", "close", "unload"}));
    EXPECT_FALSE(plat::TraceBound());

    // Nothing is traced after unbinding; binding again initialises again.
    g_events.clear();
    TRACE_LOG(0, "PropSheet", 1, "%d", Counted(1));
    plat::TraceShowTraceList();
    plat::UnloadTraceLibrary();
    EXPECT_TRUE(g_events.empty());
    EXPECT_EQ(g_evaluations, 1);
    plat::LoadTraceLibrary();
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"load", "init"}));
}

TEST_F(TraceBindingTest, IncompleteLibraryIsFreedAtOnceWithoutInit) {
    plat::SetTraceLibraryName("FakeTraceThree.dll");
    plat::LoadTraceLibrary();
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"load", "unload"}));
    EXPECT_FALSE(plat::TraceBound());

    g_events.clear();
    TRACE_LOG(1, "InfoMix", 5, "%d", Counted(1));
    plat::TraceShowTraceList();
    plat::UnloadTraceLibrary();
    EXPECT_TRUE(g_events.empty());
    EXPECT_EQ(g_evaluations, 0);
}

TEST_F(TraceBindingTest, WithoutLibraryNothingIsFormattedOrEvaluated) {
    plat::SetTraceLibraryName("NoTraceLibraryHere.dll");
    plat::LoadTraceLibrary();
    EXPECT_FALSE(plat::TraceBound());
    TRACE_LOG(2, "TestSoundCard", 77, "%d %d", Counted(1), Counted(2));
    plat::TraceShowTraceList();
    EXPECT_EQ(g_evaluations, 0);
    EXPECT_TRUE(g_events.empty());
}

TEST_F(TraceBindingTest, ListenerReceivesLinesWithOrWithoutLibrary) {
    std::vector<Event> heard;
    plat::SetTraceListener([&](int severity, const char* module, int line, const char* text) {
        heard.push_back({"heard", severity, module, line, text});
    });
    EXPECT_TRUE(plat::TraceBound());
    TRACE_LOG(1, "InfoMix", 40, "%s=%d", "Volume", Counted(5000));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (Event{"heard", 1, "InfoMix", 40, "Volume=5000"}));

    plat::SetTraceLibraryName("FakeTraceFull.dll");
    plat::LoadTraceLibrary();
    g_events.clear();
    const std::string longText(5000, 'z'); // longer than any fixed buffer would hold
    TRACE_LOG(0, "MixerSet", 2, "%s", longText.c_str());
    ASSERT_EQ(g_events.size(), 1u);
    EXPECT_EQ(g_events[0].text, longText);
    EXPECT_EQ(heard.back().text, longText);

    plat::UnloadTraceLibrary();
    plat::SetTraceListener(nullptr);
    EXPECT_FALSE(plat::TraceBound());
    TRACE_LOG(0, "MixerSet", 3, "%d", Counted(1));
    EXPECT_EQ(g_evaluations, 1);
}

} // namespace
