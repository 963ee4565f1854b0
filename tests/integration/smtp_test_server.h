#pragma once

// A real SMTP server (aiosmtpd, run by /usr/bin/python3) on 127.0.0.1 for the
// life of the object. Every mail it accepts is kept as a folder of fields
// decoded by Python's mail parser, which the tests read back.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zelmora::testing {

struct SmtpServerOptions {
    int refuse = 0;  // refuse this many mails before accepting
    int delayMs = 0; // answer each mail this late
    std::string user = {};
    std::string password = {};
};

class SmtpTestServer {
public:
    explicit SmtpTestServer(const SmtpServerOptions& options = SmtpServerOptions())
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelmora-smtp-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        m_folder = pattern;
        std::vector<std::string> args = {"/usr/bin/python3", ZELMORA_SMTP_SERVER_SCRIPT, "--out", m_folder,
                                         "--refuse", std::to_string(options.refuse), "--delay-ms",
                                         std::to_string(options.delayMs)};
        if (!options.user.empty())
            args.insert(args.end(), {"--user", options.user, "--password", options.password});
        Spawn(args);
    }

    ~SmtpTestServer()
    {
        if (m_stdin >= 0)
            ::close(m_stdin); // the server ends when its input does
        if (m_pid > 0) {
            int status = 0;
            for (int i = 0; i < 200 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (::kill(m_pid, 0) == 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
            }
        }
        if (m_stdout >= 0)
            ::close(m_stdout);
        std::error_code ec;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ec);
    }
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    int Port() const { return m_port; }
    // The SMTP setting that reaches this server.
    std::string Server() const { return "127.0.0.1:" + std::to_string(m_port); }

    std::size_t MailCount() const
    {
        std::size_t count = 0;
        while (std::filesystem::exists(MailFolder(count + 1)))
            ++count;
        return count;
    }

    bool WaitForMails(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(20)) const
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (MailCount() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // A field of the n-th mail (from 1): mail_from, rcpt_to, from_name,
    // from_address, to, subject, content_type, date, message_id, body (UTF-8,
    // line ends "\n"), login, raw.
    std::string Field(std::size_t n, const std::string& name) const
    {
        std::ifstream in(MailFolder(n) + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::string MailFolder(std::size_t n) const { return m_folder + "/mail-" + std::to_string(n); }

    void Spawn(const std::vector<std::string>& args)
    {
        int in[2];
        int out[2];
        if (::pipe(in) != 0)
            return;
        if (::pipe(out) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_stdin = in[1];
        m_stdout = out[0];
        if (spawned != 0) {
            m_pid = -1;
            return;
        }
        m_port = ReadPort();
    }

    // The server prints "port N" once it listens.
    int ReadPort()
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_stdout, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[64];
            const ssize_t n = ::read(m_stdout, buffer, sizeof buffer);
            if (n <= 0)
                break;
            line.append(buffer, static_cast<std::size_t>(n));
        }
        if (line.rfind("port ", 0) != 0)
            return -1;
        return std::atoi(line.c_str() + 5);
    }

    std::string m_folder;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    int m_port = -1;
};

} // namespace zelmora::testing
