#pragma once

// The real watcher on a program folder of its own, against the local market
// simulator, with an observer that keeps what the watcher reported.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/engine/watcher.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

namespace zelmora::testing {

class TestClock : public Clock {
public:
    LocalTime Now() const override
    {
        const std::lock_guard hold(m_lock);
        return m_now;
    }
    void Set(const LocalTime& now)
    {
        const std::lock_guard hold(m_lock);
        m_now = now;
    }

private:
    mutable std::mutex m_lock;
    LocalTime m_now{2026, 12, 7, 10, 0, 0, 1}; // a Monday in trading hours
};

// Keeps every report; safe from any thread.
class RecordingObserver : public WatcherObserver {
public:
    void RowChanged(const RowReport&) override { Note([&] { ++rowChanges; }); }
    void RowsReplaced(const RowsReport& report) override { Note([&] { lists.push_back(report); }); }
    void IndexChanged(std::size_t index, const std::string& value, const std::string& change) override
    {
        Note([&] { indices[index] = {value, change}; });
    }
    void EntryChanged(const EntryReport& report) override { Note([&] { entries.push_back(report.serial); }); }
    void AddFinished(const AddReport& report) override { Note([&] { adds.push_back(report); }); }
    void StatusChanged(const std::string& text) override { Note([&] { statuses.push_back(text); }); }
    void DisclosureFound(const DisclosureReport& report) override { Note([&] { news.push_back(report); }); }
    void AlertsFired(const AlertReport& report) override { Note([&] { alerts.push_back(report); }); }
    void MailFinished(const MailReport& report) override { Note([&] { mails.push_back(report); }); }
    void PassFinished(const PassReport& report) override
    {
        Note([&] {
            ++finished[report.kind];
            passes.push_back(report);
        });
    }

    // Waits until the condition holds on the recorded state.
    template <class Condition>
    bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        std::unique_lock hold(m_lock);
        return m_changed.wait_for(hold, limit, [&] { return condition(*this); });
    }
    bool WaitForPasses(PassKind kind, int count)
    {
        return WaitUntil([&](const RecordingObserver& o) { return o.Finished(kind) >= count; });
    }
    // Reads the recorded state under the observer's lock.
    template <class Read>
    auto Get(Read read)
    {
        const std::lock_guard hold(m_lock);
        return read(*this);
    }
    // The figures of the last pass of a kind.
    PassReport LastPass(PassKind kind)
    {
        const std::lock_guard hold(m_lock);
        PassReport last;
        for (const PassReport& report : passes)
            last = report.kind == kind ? report : last;
        return last;
    }
    int Finished(PassKind kind) const
    {
        const auto found = finished.find(kind);
        return found == finished.end() ? 0 : found->second;
    }

    int rowChanges = 0;
    std::vector<RowsReport> lists;
    std::map<std::size_t, std::pair<std::string, std::string>> indices;
    std::vector<std::uint64_t> entries;
    std::vector<AddReport> adds;
    std::vector<std::string> statuses;
    std::vector<DisclosureReport> news;
    std::vector<AlertReport> alerts;
    std::vector<MailReport> mails;
    std::map<PassKind, int> finished;
    std::vector<PassReport> passes;

private:
    template <class Change>
    void Note(Change change)
    {
        {
            const std::lock_guard hold(m_lock);
            change();
        }
        m_changed.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
};

struct SettingsRow {
    const char* code;
    const char* market; // UTF-8
};

class WatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelmora-watcher-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        folder = root.string() + "/";
        simulator = std::make_unique<sim::MarketSimulator>(sim::MarketSimulator::Config{{}, &clock});
        ASSERT_GT(simulator->Start(0), 0);
    }
    void TearDown() override
    {
        watcher.reset();
        simulator.reset();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // base_data.ini with the rows, the quote address and the listing base of
    // the simulator unless the extra lines set their own.
    void WriteSettings(const std::vector<SettingsRow>& rows, const std::string& link = "", const std::string& special = "")
    {
        std::string ini = "[MEIGARA_DATA]\r\nKOSUU=" + std::to_string(rows.size()) + "\r\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::string n = std::to_string(i);
            ini += "NUM" + n + "=" + rows[i].code + "\r\nSIJOU" + n + "=" + S(rows[i].market) + "\r\n";
        }
        ini += "[LINK_JOUHOU]\r\n" + (link.empty() ? "BASE_URL=" + QuoteBase() + "\r\n" : link);
        ini += "[SPECIALKEY]\r\n" + (special.empty() ? "TEKIJI_URL=" + simulator->ListingBase() + "\r\n" : special);
        std::ofstream(folder + "base_data.ini", std::ios::binary) << ini;
    }
    std::string QuoteBase(const std::string& query = "") const
    {
        return simulator->BaseAddress() + "/q?" + query + S("s=銘柄.市場");
    }

    Watcher& Start()
    {
        watcher = std::make_unique<Watcher>(folder, clock, observer);
        watcher->Load();
        return *watcher;
    }

    std::string ReadFile(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TestClock clock;
    std::filesystem::path root;
    std::string folder;
    std::unique_ptr<sim::MarketSimulator> simulator;
    RecordingObserver observer;
    std::unique_ptr<Watcher> watcher;
};

} // namespace zelmora::testing
