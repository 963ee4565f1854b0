#pragma once

// A real SMTP server (aiosmtpd under /usr/bin/python3) on 127.0.0.1 for the
// life of the object; the tests read back what it received.

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

extern char** environ;

namespace zelmora::testing {

struct SmtpServerOptions {
    int refuse = 0;  // refuse this many mails before accepting
    int delayMs = 0; // answer each mail this late
    int hold = 0;    // never answer the data of this many mails first
    int port = 0;    // 0: any free port
    std::string user = {};
    std::string password = {};
};

class SmtpTestServer {
public:
    explicit SmtpTestServer(const SmtpServerOptions& o = SmtpServerOptions())
    {
        std::string folder = (std::filesystem::temp_directory_path() / "zelmora-smtp-XXXXXX").string();
        int in[2];
        int out[2];
        if (!mkdtemp(folder.data()) || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        m_folder = folder;
        const std::string refuse = std::to_string(o.refuse);
        const std::string delay = std::to_string(o.delayMs);
        const std::string hold = std::to_string(o.hold);
        const std::string port = std::to_string(o.port);
        const char* argv[] = {"/usr/bin/python3", ZELMORA_SMTP_SERVER_SCRIPT, "--out", m_folder.c_str(), "--refuse",
                              refuse.c_str(), "--delay-ms", delay.c_str(), "--hold", hold.c_str(), "--port", port.c_str(),
                              "--user", o.user.c_str(), "--password", o.password.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_input = in[1];
        // The server prints "port N" once it listens.
        if (FILE* output = ::fdopen(out[0], "r")) {
            if (m_pid <= 0 || std::fscanf(output, "port %d", &m_port) != 1)
                m_port = -1;
            std::fclose(output);
        }
    }

    ~SmtpTestServer()
    {
        if (m_input >= 0)
            ::close(m_input); // the server ends with its input
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        std::error_code ec;
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
        while (std::filesystem::exists(m_folder + "/mail-" + std::to_string(count + 1)))
            ++count;
        return count;
    }

    bool WaitForMails(std::size_t count) const
    {
        for (int i = 0; i < 2000 && MailCount() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return MailCount() >= count;
    }

    // Whether the data of the n-th held mail (from 1) has come in.
    bool WaitForHeld(int n) const
    {
        for (int i = 0; i < 2000 && !std::filesystem::exists(m_folder + "/held-" + std::to_string(n)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return std::filesystem::exists(m_folder + "/held-" + std::to_string(n));
    }

    // A field of the n-th mail (from 1), as smtp_server.py names them.
    std::string Field(std::size_t n, const std::string& name) const
    {
        std::ifstream in(m_folder + "/mail-" + std::to_string(n) + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::string m_folder;
    pid_t m_pid = -1;
    int m_input = -1;
    int m_port = -1;
};

} // namespace zelmora::testing
