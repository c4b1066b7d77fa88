// Recording what happens, in order, and comparing whole sequences: a test
// states every event it expects, and a mismatch prints both sequences side
// by side with the first difference marked, so a missing, extra or
// reordered event is seen at once (in the manner of Wine's message-sequence
// tests).
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

class TEventRecorder {
public:
    void Add(std::string event) { events_.push_back(std::move(event)); }
    // An event at a point, as "move 3,4".
    void Add(const std::string& event, int x, int y) { Add(event + " " + std::to_string(x) + "," + std::to_string(y)); }
    void Clear() { events_.clear(); }
    const std::vector<std::string>& Events() const { return events_; }

    // A handler that records `event` when called, whatever its arguments.
    template <class... Args>
    std::function<void(Args...)> Record(std::string event) {
        return [this, event](Args...) { Add(event); };
    }

    // Compares everything recorded with the expected sequence; on a mismatch
    // prints both and where they part. Clears the record, so a test can go on
    // with the next step.
    ::testing::AssertionResult Matches(const std::vector<std::string>& expected) {
        std::vector<std::string> got;
        got.swap(events_);
        if (got == expected) return ::testing::AssertionSuccess();
        size_t first = 0;
        while (first < got.size() && first < expected.size() && got[first] == expected[first]) ++first;
        auto result = ::testing::AssertionFailure();
        result << "event sequences differ at " << first << "\n";
        size_t rows = std::max(got.size(), expected.size());
        for (size_t i = 0; i < rows; ++i) {
            std::string want = i < expected.size() ? expected[i] : "-";
            std::string have = i < got.size() ? got[i] : "-";
            result << (i == first ? "  > " : "    ") << i << "  expected " << want;
            result << std::string(want.size() < 28 ? 28 - want.size() : 1, ' ') << "got " << have << "\n";
        }
        return result;
    }

private:
    std::vector<std::string> events_;
};

// Runs action and expects it to throw an exception of type E whose what()
// is exactly message.
template <class E = std::exception, class Action>
::testing::AssertionResult ThrowsWithMessage(Action&& action, const std::string& message) {
    try {
        action();
    } catch (const E& e) {
        if (message == e.what()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "threw \"" << e.what() << "\", expected \"" << message << "\"";
    } catch (...) {
        return ::testing::AssertionFailure() << "threw an exception of another type, expected \"" << message << "\"";
    }
    return ::testing::AssertionFailure() << "threw nothing, expected \"" << message << "\"";
}

} // namespace testing_support

// EXPECT_THROW_MESSAGE(statement, "text") and its exception-typed form.
#define EXPECT_THROW_MESSAGE(statement, message) \
    EXPECT_TRUE(::testing_support::ThrowsWithMessage([&] { statement; }, message))
#define EXPECT_THROW_TYPE_MESSAGE(statement, type, message) \
    EXPECT_TRUE(::testing_support::ThrowsWithMessage<type>([&] { statement; }, message))
