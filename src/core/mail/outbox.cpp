#include "core/mail/outbox.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "core/platform/atomic_file.h"
#include "core/platform/file_bytes.h"

namespace zelmora {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "Zelmora-Outbox: 1";
constexpr std::string_view kSuffix = ".mail";
constexpr std::size_t kStampDigits = 13;
constexpr std::size_t kKeyDigits = 16;

std::string OneLine(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

bool IsHex(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

template <class Number>
bool ParseNumber(std::string_view text, Number& number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

long long Milliseconds(Instant instant)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()).count();
}

// The stamp and the key of a file name, or false for a name that is no mail.
bool SplitName(std::string_view name, long long& stamp, std::string& key)
{
    if (name.size() != kStampDigits + 1 + kKeyDigits + kSuffix.size() || !name.ends_with(kSuffix) || name[kStampDigits] != '-')
        return false;
    key = std::string(name.substr(kStampDigits + 1, kKeyDigits));
    return ParseNumber(name.substr(0, kStampDigits), stamp) && IsHex(key);
}

} // namespace

std::chrono::minutes RetryDelay(int failures)
{
    static constexpr std::array<int, 6> kMinutes = {1, 2, 4, 8, 15, 30};
    if (failures <= 0)
        return std::chrono::minutes(0);
    return std::chrono::minutes(kMinutes[std::min<std::size_t>(static_cast<std::size_t>(failures), kMinutes.size()) - 1]);
}

std::string FormatOutboxMail(const OutboxMail& mail)
{
    const long long made = std::chrono::duration_cast<std::chrono::seconds>(mail.made.time_since_epoch()).count();
    std::string text = std::string(kFirstLine) + "\r\n";
    text += "Made: " + std::to_string(made) + "\r\n";
    text += "Server: " + OneLine(mail.server) + "\r\n";
    text += "Address: " + OneLine(mail.address) + "\r\n";
    text += "User: " + OneLine(mail.user) + "\r\n";
    text += "Sender: " + OneLine(mail.senderText) + "\r\n";
    text += "Subject: " + OneLine(mail.subject) + "\r\n\r\n";
    return text + mail.body;
}

std::optional<OutboxMail> ParseOutboxMail(std::string_view bytes)
{
    const std::size_t end = bytes.find("\r\n\r\n");
    if (end == std::string_view::npos || !bytes.starts_with(std::string(kFirstLine) + "\r\n"))
        return std::nullopt;
    OutboxMail mail;
    mail.body = std::string(bytes.substr(end + 4));
    std::string_view head = bytes.substr(0, end + 2);
    int fields = 0;
    while (!head.empty()) {
        const std::size_t lineEnd = head.find("\r\n");
        const std::string_view line = head.substr(0, lineEnd);
        head.remove_prefix(lineEnd + 2);
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        const std::string value(line.substr(colon + 2));
        long long seconds = 0;
        if (name == "Made" && ParseNumber(value, seconds))
            mail.made = Instant(std::chrono::seconds(seconds));
        else if (name == "Server")
            mail.server = value;
        else if (name == "Address")
            mail.address = value;
        else if (name == "User")
            mail.user = value;
        else if (name == "Sender")
            mail.senderText = value;
        else if (name == "Subject")
            mail.subject = value;
        else
            continue;
        ++fields;
    }
    if (fields != 6)
        return std::nullopt;
    return mail;
}

Outbox::Outbox(const std::string& programFolder) : m_folder((fs::path(programFolder) / "outbox").string()) {}

std::string Outbox::PathOf(const std::string& id) const
{
    return (fs::path(m_folder) / id).string();
}

void Outbox::Load(fs::file_time_type startTime)
{
    std::vector<Entry> entries;
    std::vector<std::string> broken;
    long long lastStamp = 0;
    std::error_code error;
    RemoveStaleTemporaryFiles(m_folder, startTime);
    for (const fs::directory_entry& file : fs::directory_iterator(m_folder, error)) {
        const std::string id = file.path().filename().string();
        long long stamp = 0;
        std::string key;
        if (!file.is_regular_file(error) || !SplitName(id, stamp, key))
            continue;
        const std::optional<std::string> bytes = ReadFileBytes(PathOf(id));
        const std::optional<OutboxMail> mail = bytes ? ParseOutboxMail(*bytes) : std::nullopt;
        if (!mail) {
            broken.push_back(id);
            continue;
        }
        entries.push_back({id, key, mail->made, !mail->user.empty(), 0, Instant::min(), false});
        lastStamp = std::max(lastStamp, stamp);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
    MoveToFailed(broken);
    const std::lock_guard hold(m_mutex);
    m_entries = std::move(entries);
    m_lastStamp = std::max(m_lastStamp, lastStamp);
}

bool Outbox::Add(const std::string& key, const OutboxMail& mail, int& givenUp)
{
    givenUp = 0;
    std::string id;
    {
        const std::lock_guard hold(m_mutex);
        const auto known = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.key == key; });
        if (known != m_entries.end()) {
            known->due = Instant::min();
            return true;
        }
        if (key.size() != kKeyDigits || !IsHex(key))
            return false;
        m_lastStamp = std::max(Milliseconds(mail.made), m_lastStamp + 1);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%013lld-", m_lastStamp);
        id = stamp + key + std::string(kSuffix);
    }
    // Each key has one adder (the disclosure pass, or the quote pass for an
    // alert mail), so no other mail of it can come in while the file is
    // written outside the lock.
    std::error_code error;
    fs::create_directories(m_folder, error);
    if (!WriteFileAtomically(PathOf(id), FormatOutboxMail(mail)))
        return false;
    std::vector<std::string> oldest;
    {
        const std::lock_guard hold(m_mutex);
        m_entries.push_back({id, key, mail.made, !mail.user.empty(), 0, Instant::min(), false});
        for (auto it = m_entries.begin(); m_entries.size() > kCapacity && it != m_entries.end();) {
            if (it->onItsWay) {
                ++it;
                continue;
            }
            oldest.push_back(it->id);
            it = m_entries.erase(it);
        }
    }
    MoveToFailed(oldest);
    givenUp = static_cast<int>(oldest.size());
    return true;
}

std::optional<OutboxMail> Outbox::TakeDue(Instant now, bool loginReady)
{
    for (;;) {
        std::string id;
        {
            const std::lock_guard hold(m_mutex);
            const auto due = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
                return !e.onItsWay && e.due <= now && (loginReady || !e.login) && !e.ExpiredAt(now);
            });
            if (due == m_entries.end())
                return std::nullopt;
            due->onItsWay = true;
            id = due->id;
        }
        const std::optional<std::string> bytes = ReadFileBytes(PathOf(id));
        std::optional<OutboxMail> mail = bytes ? ParseOutboxMail(*bytes) : std::nullopt;
        if (mail) {
            mail->id = id;
            return mail;
        }
        // Changed or removed by hand: nothing to send; what is left of it
        // goes where the user looks for unsent mail.
        {
            const std::lock_guard hold(m_mutex);
            std::erase_if(m_entries, [&](const Entry& e) { return e.id == id; });
        }
        MoveToFailed({id});
    }
}

void Outbox::Accepted(const std::string& id)
{
    {
        const std::lock_guard hold(m_mutex);
        std::erase_if(m_entries, [&](const Entry& e) { return e.id == id; });
    }
    std::error_code error;
    fs::remove(PathOf(id), error);
}

void Outbox::Failed(const std::string& id, Instant now)
{
    const std::lock_guard hold(m_mutex);
    for (Entry& entry : m_entries) {
        if (entry.id == id) {
            entry.onItsWay = false;
            entry.due = now + RetryDelay(++entry.failures);
        }
    }
}

void Outbox::Released(const std::string& id)
{
    const std::lock_guard hold(m_mutex);
    for (Entry& entry : m_entries)
        entry.onItsWay = entry.onItsWay && entry.id != id;
}

int Outbox::GiveUpExpired(Instant now)
{
    std::vector<std::string> expired;
    {
        const std::lock_guard hold(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.ExpiredAt(now))
                expired.push_back(entry.id);
        }
        std::erase_if(m_entries, [&](const Entry& e) { return e.ExpiredAt(now); });
    }
    MoveToFailed(expired);
    return static_cast<int>(expired.size());
}

bool Outbox::AnyDue(Instant now, bool loginReady) const
{
    const std::lock_guard hold(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.ExpiredAt(now) || (!e.onItsWay && e.due <= now && (loginReady || !e.login));
    });
}

std::size_t Outbox::Waiting() const
{
    const std::lock_guard hold(m_mutex);
    return m_entries.size();
}

void Outbox::MoveToFailed(const std::vector<std::string>& ids) const
{
    if (ids.empty())
        return;
    const fs::path failed = fs::path(m_folder) / "failed";
    std::error_code error;
    fs::create_directories(failed, error);
    for (const std::string& id : ids)
        fs::rename(PathOf(id), failed / id, error);
}

} // namespace zelmora
