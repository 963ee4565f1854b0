#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// outbox/ in the program folder: one file per disclosure mail, written before
// its first attempt and removed once a server has accepted it, so neither a
// close, a crash nor a server that is down loses a mail.
//
// A file is named "<13-digit milliseconds since 1970>-<16 hex digits>.mail"
// (the digits name the disclosure, so the names sort oldest first and the
// same disclosure is written once) and holds, in Shift_JIS with CRLF:
//
//   Zelmora-Outbox: 1
//   Made: <seconds since 1970, UTC>
//   Server: <SMTP setting>
//   Address: <mail address>
//   User: <login user, may be empty>
//   Sender: <sender name>
//   Subject: <subject>
//   <blank line>
//   <body, as it is>
//
// It never holds the password. Mails that cannot be sent within a day go to
// outbox/failed/, where the user can read them.
namespace zelmora {

using Instant = std::chrono::system_clock::time_point;

struct OutboxMail {
    std::string id; // the file's name; empty for a mail not yet written
    Instant made;
    std::string server;
    std::string address;
    std::string user;
    std::string senderText;
    std::string subject;
    std::string body;
};

// The wait after the n-th failed attempt in a row: 1, 2, 4, 8, 15, 30
// minutes, then every 30 minutes.
std::chrono::minutes RetryDelay(int failures);

std::string FormatOutboxMail(const OutboxMail& mail);
// Nothing for bytes that are no outbox file.
std::optional<OutboxMail> ParseOutboxMail(std::string_view bytes);

// The outbox of one program folder. Its own lock guards it: the disclosure
// pass adds, the mail thread takes and settles, the owner counts.
class Outbox {
public:
    static constexpr std::size_t kCapacity = 1000;
    static constexpr std::chrono::hours kGiveUpAfter{24};

    explicit Outbox(const std::string& programFolder);

    // Takes up the files an earlier run left; each is due at once. Removes
    // the temporary files of writes cut short before startTime.
    void Load(std::filesystem::file_time_type startTime);
    // Writes the mail's file. key (16 hex digits) names the disclosure: while
    // a mail of the same key waits, nothing is written and that mail is due
    // at once. Beyond kCapacity the oldest waiting mails move to failed/;
    // givenUp counts them. False when the file could not be written.
    bool Add(const std::string& key, const OutboxMail& mail, int& givenUp);
    // The oldest mail due at now, now on its way; a mail with a login user
    // waits while loginReady is false.
    std::optional<OutboxMail> TakeDue(Instant now, bool loginReady);
    // How the attempt ended: the server took it (the file goes), it failed
    // (due again after RetryDelay), or a close cut it short (it stays due).
    void Accepted(const std::string& id);
    void Failed(const std::string& id, Instant now);
    void Released(const std::string& id);
    // Moves the mails made kGiveUpAfter or longer before now to failed/;
    // returns how many.
    int GiveUpExpired(Instant now);
    // A mail is due, or one is to be given up.
    bool AnyDue(Instant now, bool loginReady) const;
    std::size_t Waiting() const;

private:
    struct Entry {
        std::string id;
        std::string key;
        Instant made;
        bool login = false;
        int failures = 0;
        Instant due;
        bool onItsWay = false;

        bool ExpiredAt(Instant now) const { return !onItsWay && now - made >= kGiveUpAfter; }
    };

    std::string PathOf(const std::string& id) const;
    void MoveToFailed(const std::vector<std::string>& ids) const;

    const std::string m_folder;
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries; // oldest first
    long long m_lastStamp = 0;
};

} // namespace zelmora
