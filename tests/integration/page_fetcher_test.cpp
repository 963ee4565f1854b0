#include <gtest/gtest.h>

#include <curl/curl.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/quotes/page_fetcher.h"
#include "core/quotes/page_window_cutter.h"
#include "local_servers.h"
#include "market_simulator.h"
#include "support/sjis_literals.h"

using namespace zelmora;
using zelmora::testing::RawServer;
using zelmora::testing::ReadRequestHead;
using zelmora::testing::SendAll;
using zelmora::testing::Serving;

namespace {

class FixedClock : public Clock {
public:
    LocalTime Now() const override { return {2025, 3, 14, 10, 30, 0, 5}; }
};

// Short limits so that tests of stalled servers end quickly.
NetworkLimits QuickLimits()
{
    NetworkLimits limits;
    limits.connectTimeout = std::chrono::milliseconds(1000);
    limits.totalTimeout = std::chrono::milliseconds(1000);
    limits.lowSpeedBytesPerSecond = 0;
    return limits;
}

std::string Head(int status, const std::string& extra = "")
{
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: text/html\r\nConnection: close\r\n" + extra
           + "\r\n";
}

std::string Lines(int count, const std::string& text = "line")
{
    std::string body;
    for (int i = 1; i <= count; ++i)
        body += text + " " + std::to_string(i) + "\n";
    return body;
}

class PageFetcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::MarketSimulator::Config config;
        config.clock = &m_clock;
        m_market = std::make_unique<sim::MarketSimulator>(config);
        ASSERT_GT(m_market->Start(), 0);
    }

    std::string ExpectedWindow(const std::string& symbol, const sim::PageOptions& options = {}) const
    {
        return CutPageWindow(sim::EncodePage(sim::RenderQuotePageUtf8(symbol, m_clock.Now(), options), options.encoding));
    }

    FixedClock m_clock;
    std::unique_ptr<sim::MarketSimulator> m_market;
};

} // namespace

TEST_F(PageFetcherTest, OkCarriesPieces151To201OfTheQuotePage)
{
    const FetchOutcome outcome = FetchPageWindow(m_market->QuoteAddress("7203.t"));
    ASSERT_EQ(outcome.kind, FetchOutcome::Ok);
    EXPECT_EQ(outcome.window, ExpectedWindow("7203.t"));
    EXPECT_NE(outcome.window.find("</tr><tr align=right>"), std::string::npos);
    EXPECT_NE(outcome.window.find(S("トヨタ自動車") + "&nbsp;</b>"), std::string::npos);
    EXPECT_TRUE(outcome.status.empty());
    EXPECT_EQ(m_market->RequestCount(), 1u);

    const FetchOutcome index = FetchPageWindow(m_market->QuoteAddress("998407"));
    ASSERT_EQ(index.kind, FetchOutcome::Ok);
    EXPECT_EQ(index.window, ExpectedWindow("998407"));
}

TEST_F(PageFetcherTest, StatusOtherThan200IsHttpStatusWithItsDigits)
{
    for (const char* status : {"404", "503", "204", "301"}) {
        const FetchOutcome outcome = FetchPageWindow(m_market->QuoteAddress(std::string("7203.t&status=") + status));
        EXPECT_EQ(outcome.kind, FetchOutcome::HttpStatus) << status;
        EXPECT_EQ(outcome.status, status);
        EXPECT_TRUE(outcome.window.empty());
    }
}

TEST_F(PageFetcherTest, RedirectsAreFollowedToTheFinalPage)
{
    Serving<httplib::Server> front;
    const std::string target = m_market->QuoteAddress("6758.t");
    front.server.Get("/moved", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(target, 302); });
    front.server.Get("/twice", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(front.Address("http", "/moved"), 301);
    });
    front.server.Get("/loop", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(front.Address("http", "/loop"), 302);
    });
    front.server.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("file:///etc/passwd", 302);
    });
    front.server.Get("/to-missing", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(m_market->QuoteAddress("6758.t&status=404"), 302);
    });
    ASSERT_GT(front.Start(), 0);

    for (const char* path : {"/moved", "/twice"}) {
        const FetchOutcome outcome = FetchPageWindow(front.Address("http", path));
        ASSERT_EQ(outcome.kind, FetchOutcome::Ok) << path;
        EXPECT_EQ(outcome.window, ExpectedWindow("6758.t")) << path;
    }
    // Only the final status counts.
    const FetchOutcome missing = FetchPageWindow(front.Address("http", "/to-missing"));
    EXPECT_EQ(missing.kind, FetchOutcome::HttpStatus);
    EXPECT_EQ(missing.status, "404");
    EXPECT_EQ(FetchPageWindow(front.Address("http", "/loop")).kind, FetchOutcome::Failed);
    // A page never sends the fetcher to a local file.
    EXPECT_EQ(FetchPageWindow(front.Address("http", "/to-file")).kind, FetchOutcome::Failed);
}

TEST(PageFetcher, SendsItsAgentAndNoCacheAndAsksForNoCompression)
{
    std::promise<std::string> request;
    RawServer server([&](int fd) {
        request.set_value(ReadRequestHead(fd));
        SendAll(fd, Head(200, "Content-Length: 0\r\n"));
    });
    const FetchOutcome outcome = FetchPageWindow(server.Address());
    EXPECT_EQ(outcome.kind, FetchOutcome::Ok);
    EXPECT_TRUE(outcome.window.empty());

    const std::string head = request.get_future().get();
    EXPECT_EQ(head.rfind("GET /q?s=7203.t HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: HTTP Get Test Application ver-1.00\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nPragma: no-cache\r\n"), std::string::npos) << head;
    EXPECT_EQ(head.find("Accept-Encoding"), std::string::npos) << head;
}

TEST(PageFetcher, AHugeSingleLinePageIsCutAndTheRestIsNeverRead)
{
    constexpr std::size_t kBodyBytes = 10u << 20;
    std::promise<bool> wroteAll;
    RawServer server([&](int fd) {
        ReadRequestHead(fd);
        bool ok = SendAll(fd, Head(200, "Content-Length: " + std::to_string(kBodyBytes) + "\r\n"));
        const std::string block(64 * 1024, 'x');
        for (std::size_t sent = 0; ok && sent < kBodyBytes; sent += block.size())
            ok = SendAll(fd, block);
        wroteAll.set_value(ok);
    });

    const FetchOutcome outcome = FetchPageWindow(server.Address());
    ASSERT_EQ(outcome.kind, FetchOutcome::Ok);
    // Pieces 151 to 201 of one long line: 51 pieces of 1023 bytes.
    EXPECT_EQ(outcome.window, std::string(51 * kMaxPieceBytes, 'x'));
    // The fetcher hung up long before the server was through.
    EXPECT_FALSE(wroteAll.get_future().get());
}

TEST(PageFetcher, BinaryBodiesArriveByteForByte)
{
    std::mt19937 random(7);
    std::string body(300'000, '\0');
    for (char& c : body)
        c = static_cast<char>(random() % 256);
    Serving<httplib::Server> server;
    server.server.Get("/bin", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "application/octet-stream");
    });
    ASSERT_GT(server.Start(), 0);

    const FetchOutcome outcome = FetchPageWindow(server.Address("http", "/bin"));
    ASSERT_EQ(outcome.kind, FetchOutcome::Ok);
    EXPECT_EQ(outcome.window, CutPageWindow(body));
    EXPECT_FALSE(outcome.window.empty());
}

TEST(PageFetcher, AServerThatNeverAnswersFailsWithinTheTimeOut)
{
    std::promise<bool> sawClose;
    RawServer server([&](int fd) {
        ReadRequestHead(fd);
        sawClose.set_value(zelmora::testing::WaitForPeerClose(fd, std::chrono::seconds(30)));
    });
    const FetchOutcome outcome = FetchPageWindow(server.Address(), {}, QuickLimits());
    EXPECT_EQ(outcome.kind, FetchOutcome::Failed);
    EXPECT_TRUE(sawClose.get_future().get());
}

TEST_F(PageFetcherTest, APageSlowerThanTheTimeOutFailsAndAFasterOneArrives)
{
    EXPECT_EQ(FetchPageWindow(m_market->QuoteAddress("7203.t&slow=5000"), {}, QuickLimits()).kind, FetchOutcome::Failed);
    const FetchOutcome slowButInTime = FetchPageWindow(m_market->QuoteAddress("7203.t&slow=100"));
    ASSERT_EQ(slowButInTime.kind, FetchOutcome::Ok);
    EXPECT_EQ(slowButInTime.window, ExpectedWindow("7203.t"));
}

// A transfer that breaks off before piece 201 has been read is Failed; once
// piece 201 is in, the rest of the body is never read, so a later break
// does not matter.
TEST_F(PageFetcherTest, ABodyThatBreaksOffBeforePiece201Fails)
{
    EXPECT_EQ(FetchPageWindow(m_market->QuoteAddress("7203.t&cut=1")).kind, FetchOutcome::Failed);

    for (int lines : {160, 200, 250}) {
        RawServer server([&](int fd) {
            ReadRequestHead(fd);
            const std::string body = Lines(lines);
            SendAll(fd, Head(200, "Content-Length: " + std::to_string(body.size() + 5000) + "\r\n") + body);
        });
        const FetchOutcome outcome = FetchPageWindow(server.Address());
        if (lines < 201) {
            EXPECT_EQ(outcome.kind, FetchOutcome::Failed) << lines;
        } else {
            ASSERT_EQ(outcome.kind, FetchOutcome::Ok) << lines;
            EXPECT_EQ(outcome.window, CutPageWindow(Lines(lines)));
        }
    }
}

TEST(PageFetcher, ABodyEndedByClosingTheConnectionIsComplete)
{
    RawServer server([&](int fd) {
        ReadRequestHead(fd);
        SendAll(fd, Head(200) + Lines(170));
    });
    const FetchOutcome outcome = FetchPageWindow(server.Address());
    ASSERT_EQ(outcome.kind, FetchOutcome::Ok);
    EXPECT_EQ(outcome.window, CutPageWindow(Lines(170)));
}

TEST(PageFetcher, AnswersThatAreNotHttpFail)
{
    for (const std::string& answer : {std::string("garbage without a status line\r\n\r\n"), std::string()}) {
        RawServer server([&](int fd) {
            ReadRequestHead(fd);
            SendAll(fd, answer);
        });
        EXPECT_EQ(FetchPageWindow(server.Address(), {}, QuickLimits()).kind, FetchOutcome::Failed) << answer;
    }
}

TEST(PageFetcher, AddressesThatAreNotHttpUrlsFail)
{
    for (const char* address : {"not a url", "", "http://", "https://", "127.0.0.1", "ftp://127.0.0.1/",
                                "file:///etc/passwd", "http://[::1"}) {
        EXPECT_EQ(FetchPageWindow(address, {}, QuickLimits()).kind, FetchOutcome::Failed) << address;
    }
}

TEST(PageFetcher, ARefusedConnectionFails)
{
    const int port = zelmora::testing::UnusedPort();
    const FetchOutcome outcome = FetchPageWindow("http://127.0.0.1:" + std::to_string(port) + "/q?s=7203.t", {}, QuickLimits());
    EXPECT_EQ(outcome.kind, FetchOutcome::Failed);
    EXPECT_TRUE(outcome.status.empty());
}

TEST(PageFetcher, ACertificateThatDoesNotVerifyFails)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path()
                                         / ("zelmora-tls-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string key = (folder / "key.pem").string();
    const std::string cert = (folder / "cert.pem").string();
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1"
                                " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '"
                                + key + "' -out '" + cert + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    Serving<httplib::SSLServer> tls(cert.c_str(), key.c_str());
    ASSERT_TRUE(tls.server.is_valid());
    tls.server.Get("/q", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(Lines(300), "text/html");
    });
    ASSERT_GT(tls.Start(), 0);
    const std::string address = tls.Address("https", "/q?s=7203.t");

    // The server itself works: a client that skips verification gets the page.
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    EXPECT_EQ(status, 200);
    curl_easy_cleanup(curl);

    EXPECT_EQ(FetchPageWindow(address, {}, QuickLimits()).kind, FetchOutcome::Failed);
    std::filesystem::remove_all(folder);
}

TEST_F(PageFetcherTest, CallsOnSeveralThreadsAtOnceKeepTheirOwnPages)
{
    const std::vector<std::string> symbols{"7203.t", "6758.t", "998405", "1301.q", "5040469", "9984.t"};
    std::vector<std::future<FetchOutcome>> running;
    for (const std::string& symbol : symbols)
        running.push_back(std::async(std::launch::async, [&, symbol] { return FetchPageWindow(m_market->QuoteAddress(symbol)); }));
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const FetchOutcome outcome = running[i].get();
        ASSERT_EQ(outcome.kind, FetchOutcome::Ok) << symbols[i];
        EXPECT_EQ(outcome.window, ExpectedWindow(symbols[i])) << symbols[i];
    }
}
